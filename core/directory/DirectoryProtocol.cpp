#include "core/directory/DirectoryProtocol.h"

#include "core/state/AppState.h"
#include "core/directory/DirectoryErrors.h"
#include "core/runtime/ErrorTrap.h"
#include "core/runtime/MsgBox.h"

#include <QRegularExpression>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

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
            PostAndRemember(request);
        } catch (const RuntimeError &error) {
            if (!AlreadyListed(error))
                throw;
            result = PostResult::AlreadyListed;
            return;
        }
        result = PostResult::Posted;
        MsgBox(kPostedMessage);
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
        RemoveServerAt(ipAddress);
        MsgBox(QStringLiteral("Removed your Server from the DB Server List"));
    });
}

bool DeleteServerFromDB()
{
    return TrapWith(DescribedFailure(kDeleteFailed), [] {
        RemoveStoredServer();
        MsgBox(kRemovedMessage, MsgButtons::OK, MsgIcon::None, QStringLiteral("Server Removed"));
        if (gMain)
            gMain->SetPostedState(false);
    });
}

bool UpdateServerFromDB()
{
    return TrapWith(DescribedFailure(kUpdateFailed), [] { AnnounceStoredServer(); });
}
