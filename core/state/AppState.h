#pragma once

#include "core/settings/CRegUtil.h"

#include <QString>
#include <QStringList>

// Keys of the settings every window uses.
inline const QString kRedStormKey = QStringLiteral("SOFTWARE\\Red Storm Entertainment");
inline const QString kRSRegistry = QStringLiteral("SOFTWARE\\Red Storm Entertainment\\Rogue Spear");
inline const QString kRB6Registry = QStringLiteral("SOFTWARE\\Red Storm Entertainment\\Corvane's Rainbow Six");

// The four games, in selector order; every window compares gGameType with these exactly.
inline const QString kRogueSpear = QStringLiteral("Rogue Spear");
inline const QString kUrbanOperations = QStringLiteral("Urban Operations");
inline const QString kRainbowSix = QStringLiteral("Rainbow Six");
inline const QString kEagleWatch = QStringLiteral("Eagle Watch");
inline const QStringList kGameNames = {kRogueSpear, kUrbanOperations, kRainbowSix, kEagleWatch};

// The default game port, put into empty port boxes.
inline const QString kDefaultPort = QStringLiteral("2346");

inline bool IsRSFamily(const QString &game) { return game == kRogueSpear || game == kUrbanOperations; }
inline bool IsRB6Family(const QString &game) { return game == kRainbowSix || game == kEagleWatch; }

// Program-wide state, read by every window.
extern QString gGameType;
extern QString gRegistry;
extern QString gRSPath;
extern QString gRB6Path;
extern bool gRSInstalled;
extern bool gUOInstalled;
extern bool gRB6Installed;
extern bool gEWInstalled;
extern bool gUnloadOnStart;
extern QString gSocketTimeOut;
extern QString gStartDir;

// The one shared registry instance: created on first use, released when the main window unloads.
CRegUtil &gRegUtil();
void ReleaseRegUtil();

// Values of the current game (under gRegistry) and of the program itself (under kRedStormKey),
// both in HKEY_LOCAL_MACHINE through gRegUtil().
QString GameSetting(const QString &name, const QString &def = QString());
void SaveGameSetting(const QString &name, const QString &data);
int32_t GameSettingLong(const QString &name, int32_t def = 0);
void SaveGameSettingLong(const QString &name, int32_t data);
QString OwnSetting(const QString &name, const QString &def = QString());
void SaveOwnSetting(const QString &name, const QString &data);

// What other windows may do to the main window, without depending on it.
class MainWindowLink {
public:
    virtual ~MainWindowLink() = default;

    bool mboolPosted = false;
    bool mboolUpdate = false;

    // Sets mboolPosted and shows the matching caption and tool tip on the post button.
    virtual void SetPostedState(bool posted) = 0;
    // Sets the game selector's text, which runs its selection handler.
    virtual void SelectGame(const QString &game) = 0;
    virtual bool GameCheck() = 0;
    virtual void UNLOADALL() = 0;
    // The text of the mods selector's current entry.
    virtual QString ModText() const = 0;
    // Applies a new socket time-out to the status check's timer.
    virtual void SetSocketTimerInterval(int milliseconds) = 0;
};

// The main window, while it exists (null in tests that build a window without it).
extern MainWindowLink *gMain;

// What other windows may do to the server list window, without depending on it.
class ServerListLink {
public:
    virtual ~ServerListLink() = default;

    // Applies a new socket time-out to the status probes' timer.
    virtual void SetSocketTimerInterval(int milliseconds) = 0;
    // Disables the GameType menu item of a game found missing.
    virtual void DisableGameItem(const QString &game) = 0;
};

// The server list window, while it exists.
extern ServerListLink *gServerList;

// The games the main window found missing, in the order found; the server list disables their
// menu items whenever it is shown.
extern QStringList gMissingGames;
// Records a missing game and disables its item in an open server list.
void NoteMissingGame(const QString &game);
