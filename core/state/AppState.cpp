#include "core/state/AppState.h"

#include <memory>

QString gGameType;
QString gRegistry;
QString gRSPath;
QString gRB6Path;
bool gRSInstalled = false;
bool gUOInstalled = false;
bool gRB6Installed = false;
bool gEWInstalled = false;
bool gUnloadOnStart = false;
QString gSocketTimeOut;
QString gStartDir;
MainWindowLink *gMain = nullptr;
ServerListLink *gServerList = nullptr;
QStringList gMissingGames;

namespace {
std::unique_ptr<CRegUtil> gRegUtilInstance;
}

CRegUtil &gRegUtil()
{
    if (!gRegUtilInstance)
        gRegUtilInstance = std::make_unique<CRegUtil>();
    return *gRegUtilInstance;
}

void ReleaseRegUtil() { gRegUtilInstance.reset(); }

QString GameSetting(const QString &name, const QString &def)
{
    return gRegUtil().GetSettingString(HKEY_LOCAL_MACHINE, gRegistry, name, def);
}

void SaveGameSetting(const QString &name, const QString &data)
{
    gRegUtil().SaveSettingString(HKEY_LOCAL_MACHINE, gRegistry, name, data);
}

int32_t GameSettingLong(const QString &name, int32_t def)
{
    return gRegUtil().GetSettingLong(HKEY_LOCAL_MACHINE, gRegistry, name, def);
}

void SaveGameSettingLong(const QString &name, int32_t data)
{
    gRegUtil().SaveSettingLong(HKEY_LOCAL_MACHINE, gRegistry, name, data);
}

QString OwnSetting(const QString &name, const QString &def)
{
    return gRegUtil().GetSettingString(HKEY_LOCAL_MACHINE, kRedStormKey, name, def);
}

void SaveOwnSetting(const QString &name, const QString &data)
{
    gRegUtil().SaveSettingString(HKEY_LOCAL_MACHINE, kRedStormKey, name, data);
}

void NoteMissingGame(const QString &game)
{
    if (!gMissingGames.contains(game))
        gMissingGames.append(game);
    if (gServerList)
        gServerList->DisableGameItem(game);
}
