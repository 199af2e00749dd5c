#include "gui/options/GeneralOptionTables.h"

namespace {

GeneralOpt Opt(const char *valueName, const char *caption)
{
    return GeneralOpt{QString::fromLatin1(valueName), QString::fromLatin1(caption)};
}

} // namespace

GeneralOptTables BuildRSOptTables()
{
    GeneralOptTables tables;
    tables.GameOpts = {
        Opt("PlayIntroMovie", "Intro Movie On"),
        Opt("GoreOn", "Blood"),
        Opt("autotarget", "Auto Targetting"),
        Opt("AlwaysRun", "Always Run"),
        Opt("CDMusicOn", "CD Music"),
        Opt("ActionMusicOn", "Action Music"),
        Opt("UseMaxSounds", "Use Max Sounds"),
        Opt("RecordMission", "Record Mission"),
    };
    tables.GraphicOpts = {
        Opt("ShowFog", "Show Fog"),
        Opt("ShowSky", "Show Sky"),
        Opt("ShowWeatherFX", "Weather FX"),
        Opt("CharacterShadows", "Character Shadows"),
        Opt("DynamicLighting", "Dynamic Lighting"),
        Opt("ShowTooltips", "Show Tooltips"),
        Opt("FootstepSoundOn", "Footstep Sounds"),
        Opt("RetainGunModels", "Show Weapons After Death"),
        Opt("FullScreen", "FullScreen"),
    };
    tables.HighestGameIndex = 7;
    return tables;
}

GeneralOptTables BuildRB6OptTables()
{
    GeneralOptTables tables;
    tables.GameOpts = {
        Opt("PlayIntroMovie", "Intro Movie On"), Opt("GoreOn", "Blood"),
        Opt("autotarget", "Auto Targetting"),    Opt("MusicOn", "Music"),
        Opt("UseMaxSounds", "Use Max Sounds"),   Opt("InvertMouse", "Invert Mouse"),
        Opt("SoftwareOnly", "Force Software"),
    };
    // Rainbow Six keeps only fog and full screen; the slots between stay empty.
    tables.GraphicOpts = QList<GeneralOpt>(kGraphicOptBoxes);
    tables.GraphicOpts[0] = Opt("ShowFog", "Show Fog");
    tables.GraphicOpts[kFullScreenIndex] = Opt("FullScreen", "FullScreen");
    tables.HighestGameIndex = 6;
    return tables;
}

const QStringList &ResolutionList()
{
    // "1028x1024" is the games' own spelling of that entry and is stored as written.
    static const QStringList list = {
        QStringLiteral("320x200"),  QStringLiteral("320x240"),   QStringLiteral("400x300"),
        QStringLiteral("512x384"),  QStringLiteral("600x400"),   QStringLiteral("640x480"),
        QStringLiteral("800x600"),  QStringLiteral("960x720"),   QStringLiteral("1024x768"),
        QStringLiteral("1152x864"), QStringLiteral("1028x1024"), QStringLiteral("1600x1200"),
    };
    return list;
}
