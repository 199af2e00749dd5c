#include "core/directory/PostedServer.h"

#include "core/directory/DirectoryClient.h"
#include "core/runtime/VbConv.h"
#include "core/settings/RegWriteScope.h"
#include "core/state/AppState.h"

namespace {

const QString kPosted = QStringLiteral("PostServerPosted");

} // namespace

std::optional<EmptyPostField> FirstEmptyPostField(const PostRequest &request)
{
    const std::pair<const QString &, EmptyPostField> required[] = {
        {request.serverKey,
         {PostField::ServerKey,
          QStringLiteral("Please enter a Password so you can remove this Server at a later time")}},
        {request.serverName, {PostField::ServerName, QStringLiteral("Please enter a ServerName")}},
        {request.ipAddress, {PostField::IPAddress, QStringLiteral("Please enter a IPAddress")}},
        {request.port, {PostField::Port, QStringLiteral("Please enter a Port")}},
    };
    for (const auto &[text, empty] : required) {
        if (text.isEmpty())
            return empty;
    }
    return std::nullopt;
}

StoredServer StoredPostedServer()
{
    // Written as "PostServerPassWord", read as "PostServerPassword": names match without regard to case.
    return {OwnSetting(QStringLiteral("PostServerIP")), OwnSetting(QStringLiteral("PostServerPassword")),
            OwnSetting(QStringLiteral("PostServerSource"))};
}

bool StoredServerIsPosted()
{
    try {
        return vb::CBool(OwnSetting(kPosted));
    } catch (const RuntimeError &) {
        return false;
    }
}

void PostAndRemember(const PostRequest &request)
{
    AddServer(request.serverName, request.gametype, request.ipAddress, request.port, request.mods,
              request.connectionType, request.serverKey, request.ipAddress);
    const RegWriteScope oneWrite(gRegUtil());
    SaveOwnSetting(QStringLiteral("PostServerPassWord"), request.serverKey);
    SaveOwnSetting(QStringLiteral("PostServerIP"), request.ipAddress);
    SaveOwnSetting(QStringLiteral("PostServerSource"), request.ipAddress);
    SaveOwnSetting(kPosted, QStringLiteral("True"));
}

void AnnounceStoredServer()
{
    const StoredServer stored = StoredPostedServer();
    UpdateServer(stored.ip, stored.password, stored.source);
}

void RemoveStoredServer()
{
    const StoredServer stored = StoredPostedServer();
    DeleteServerPWed(stored.ip, stored.password, stored.source);
    SaveOwnSetting(kPosted, QStringLiteral("False"));
}

void RemoveServerAt(const QString &ipAddress)
{
    DeleteServer(ipAddress);
    SaveOwnSetting(kPosted, QStringLiteral("False"));
}
