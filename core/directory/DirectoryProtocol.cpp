#include "core/directory/DirectoryProtocol.h"
#include "core/settings/RegWriteScope.h"

#include "core/state/AppState.h"
#include "core/directory/DirectoryErrors.h"
#include "core/runtime/ErrorTrap.h"
#include "core/runtime/MsgBox.h"

#include <QRegularExpression>

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kTrue = QStringLiteral("True");
const QString kFalse = QStringLiteral("False");

QString ErrorNumberText(const RuntimeError &error)
{
    return QStringLiteral("Error Number ") + QString::number(error.number());
}

// context + CR LF + " " + description + "Error Number " + number: the description runs straight into the number.
TrapFormatter DescribedFailure(const QString &context)
{
    return [context](const RuntimeError &error) {
        return context + kCrLf + QStringLiteral(" ") + error.description() + ErrorNumberText(error);
    };
}

const QString kNoConnection = QStringLiteral("Could not make connection to Database");
const QString kDeleteFailed = QStringLiteral("Error In Delete Server from DB");
const QString kUpdateFailed = QStringLiteral("Error In UpdateServer from DB");
const QString kAlreadyThere = QStringLiteral("There is already a Server with that IP in the Database");

// A failed AddServer means "already listed" when the procedure raised it, unless the directory
// marked the error as one of its other refusals (a flood limit, a bad value): those are shown
// like any other failure. A directory without these marks reports every refusal as listed.
bool AlreadyListed(const RuntimeError &error)
{
    static const QRegularExpression otherRefusal(QStringLiteral("\\b(LIMIT|INVALID|NOTPERMITTED)\\b"));
    if (error.number() != direrr::CommandFailed)
        return false;
    return error.description().contains(kAlreadyListedMarker) || !error.description().contains(otherRefusal);
}

// The stored address, password and source of the user's posted server.
struct PostedServer {
    QString ip = OwnSetting(QStringLiteral("PostServerIP"));
    QString password = OwnSetting(QStringLiteral("PostServerPassword"));
    QString source = OwnSetting(QStringLiteral("PostServerSource"));
};

} // namespace

std::optional<QList<DbServerRow>> GetDBServerRows(const QString &gametype)
{
    std::optional<QList<DbServerRow>> rows;
    TrapWith([](const RuntimeError &error) { return kNoConnection + kCrLf + ErrorNumberText(error); },
             [&] { rows = ActiveServers(gametype); });
    return rows;
}

PostResult PostServer(const PostRequest &request)
{
    PostResult result = PostResult::Failed;
    TrapWith(DescribedFailure(kNoConnection), [&] {
        try {
            AddServer(request.serverName, request.gametype, request.ipAddress, request.port, request.mods,
                      request.connectionType, request.serverKey, request.ipAddress);
        } catch (const RuntimeError &error) {
            if (!AlreadyListed(error))
                throw;
            result = PostResult::AlreadyListed;
            return;
        }
        {
            const RegWriteScope oneWrite(gRegUtil());
            SaveOwnSetting(QStringLiteral("PostServerPassWord"), request.serverKey);
            SaveOwnSetting(QStringLiteral("PostServerIP"), request.ipAddress);
            SaveOwnSetting(QStringLiteral("PostServerSource"), request.ipAddress);
            SaveOwnSetting(QStringLiteral("PostServerPosted"), kTrue);
        }
        result = PostResult::Posted;
        MsgBox(QStringLiteral("Your server has been successfully added to the DB Server List"));
        if (gMain)
            gMain->SetPostedState(true);
    });
    return result;
}

void AnswerAlreadyListed(const QString &ipAddress, const QString &localAddress)
{
    const bool owner = ipAddress == localAddress || ipAddress == OwnSetting(QStringLiteral("PostServerIP"));
    if (!owner) {
        MsgBox(kAlreadyThere + kCrLf + QStringLiteral("Since your Ip does not match the one in the DB") + kCrLf +
                   QStringLiteral("You don't have permission to delete it, Please Contact the Skirmdeck Support"),
               MsgButtons::OK, MsgIcon::None, QStringLiteral("Skirmdeck"));
        return;
    }
    const MsgResult answer = MsgBox(kAlreadyThere + kCrLf +
                                        QStringLiteral("Would you like to delete that server anyway?"),
                                    MsgButtons::YesNo, MsgIcon::None, QStringLiteral("Skirmdeck"));
    if (answer != MsgResult::Yes)
        return;
    DeleteServerByIP(ipAddress);
    MsgBox(QStringLiteral("Please Press Post again"));
}

bool DeleteServerByIP(const QString &ipAddress)
{
    return TrapWith(DescribedFailure(kDeleteFailed), [&] {
        DeleteServer(ipAddress);
        SaveOwnSetting(QStringLiteral("PostServerPosted"), kFalse);
        MsgBox(QStringLiteral("Removed your Server from the DB Server List"));
    });
}

bool DeleteServerFromDB()
{
    return TrapWith(DescribedFailure(kDeleteFailed), [] {
        const PostedServer posted;
        DeleteServerPWed(posted.ip, posted.password, posted.source);
        SaveOwnSetting(QStringLiteral("PostServerPosted"), kFalse);
        MsgBox(QStringLiteral("Your Server has been succussfully removed from the DB Server List"), MsgButtons::OK,
               MsgIcon::None, QStringLiteral("Server Removed"));
        if (gMain)
            gMain->SetPostedState(false);
    });
}

bool UpdateServerFromDB()
{
    return TrapWith(DescribedFailure(kUpdateFailed), [] {
        const PostedServer posted;
        UpdateServer(posted.ip, posted.password, posted.source);
    });
}
