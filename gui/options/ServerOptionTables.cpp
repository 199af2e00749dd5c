#include "gui/options/ServerOptionTables.h"

namespace {

struct OptName {
    const char *regName;
    const char *caption;
};

ServerOptTable MakeTable(std::initializer_list<std::pair<int, OptName>> rows)
{
    ServerOptTable table;
    for (const auto &[index, names] : rows) {
        table[index].ValueName = QString::fromLatin1(names.regName);
        table[index].Caption = QString::fromLatin1(names.caption);
    }
    return table;
}

} // namespace

ServerOptTable RSServerOptTable()
{
    return MakeTable({
        {0, {"MultiplayerForceFog", "Force Fog"}},
        {1, {"MultiplayerForceWeatherFX", "Force Weather"}},
        {2, {"MultiplayerLoudFootsteps", "Loud Footsteps"}},
        {3, {"MultiplayerShowEnemies", "Show Enemies"}},
        {4, {"MultiplayerAutotargetting", "Allow Auto Targeting"}},
        {5, {"MultiplayerRandomMaps", "Random Maps"}},
        {6, {"MultiplayerRandomTeams", "Random Teams"}},
        {7, {"MultiplayerRandomInsertions", "Random Insertions"}},
        {8, {"MultiplayerUseKitRestrictions", "Use Kit Restrictions"}},
        {9, {"MultiplayerDisplayNamesOnMap", "Show Enemy Names"}},
        {10, {"MultiplayerAnnounceGames", "Announce Server(GameSpy)"}},
        {11, {"MultiplayerAllowArmPatch", "Allow Armpatches"}},
        {12, {"MultiplayerRequirePassword", "Use Password"}},
    });
}

ServerOptTable RB6ServerOptTable()
{
    return MakeTable({
        {0, {"MultiplayerBehindFirewall", "Behind FireWall"}},
        {1, {"MultiplayerUseVoice", "Use Voice"}},
        {2, {"MultiplayerAllowVoice", "Allow Voice"}},
        {3, {"MultiplayerAnnounceGames", "Announce Server"}},
        {4, {"MultiplayerOnLan", "On Lan"}},
        {5, {"MultiplayerAutotargetting", "Allow Auto-Targetting"}},
        {12, {"MultiplayerRequirePassword", "Use Password"}},
    });
}
