#include "core/state/ModUtil.h"

#include "core/state/AppState.h"
#include "core/state/GameFolders.h"
#include "core/state/ProcessStart.h"
#include "core/state/WindowsProgram.h"
#include "core/runtime/ErrorTrap.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>

Q_LOGGING_CATEGORY(lcLaunch, "skirmdeck.launch")

namespace {

struct GameEntry {
    const QString &game;
    const char *joinExe;
    const char *createExe;
    bool useRSPath;
    bool *installed;
};

const GameEntry *findGame(const QString &game)
{
    static const GameEntry table[] = {
        {kRogueSpear, "roguespear.exe ", "roguespear.exe ", true, &gRSInstalled},
        {kUrbanOperations, "UrbanOperations.exe ", "UrbanOperations.exe ", true, &gUOInstalled},
        {kRainbowSix, "rainbowsix.exe ", "rainbowsix.exe ", false, &gRB6Installed},
        {kEagleWatch, "RainbowSixMP.exe ", "rainbowsixmp.exe ", false, &gEWInstalled},
    };
    for (const GameEntry &entry : table) {
        if (entry.game == game)
            return &entry;
    }
    return nullptr;
}

QStringList argumentsFor(LaunchMode mode, const QString &mod, const QString &host, const QString &port)
{
    QStringList args;
    if (!mod.isEmpty() && mod.compare(QLatin1String("None"), Qt::CaseInsensitive) != 0)
        args << QStringLiteral("-mods") << mod;
    if (mode == LaunchMode::Join)
        args << QStringLiteral("-client") << host << port;
    else if (mode == LaunchMode::Create)
        args << QStringLiteral("-server") << port;
    return args;
}

ProcessRequest requestFor(const QString &executable, const QStringList &arguments, const QString &folder)
{
    ProcessRequest request{executable, arguments, folder};
    const QString wine = QStandardPaths::findExecutable(QStringLiteral("wine"));
    if (!wine.isEmpty() && IsWindowsProgram(executable)) {
        // Wine falls back to its 64-bit loader without a word and ends at once: say so instead.
        CheckWineCanRun(executable, wine);
        request.program = wine;
        request.arguments.prepend(executable);
        if (const QString prefix = SettingsPrefix(); !prefix.isEmpty())
            request.environment.insert(QStringLiteral("WINEPREFIX"), QDir(prefix).absolutePath());
    }
    return request;
}

QString currentMod() { return gMain ? gMain->ModText() : QString(); }

} // namespace

std::optional<LaunchPlan> PlanLaunch(const QString &game, LaunchMode mode, const QString &mod, const QString &host,
                                     const QString &port)
{
    const GameEntry *entry = findGame(game);
    if (!entry || !*entry->installed)
        return std::nullopt;
    const QStringList args = argumentsFor(mode, mod, host, port);
    const QString exe = QString::fromLatin1(mode == LaunchMode::Create ? entry->createExe : entry->joinExe);
    return LaunchPlan{exe + args.join(QLatin1Char(' ')), exe.trimmed(), args, entry->useRSPath ? gRSPath : gRB6Path};
}

void RunLaunch(const LaunchPlan &plan)
{
    const QString folder = LocalGameFolder(plan.storedFolder);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        throw RuntimeError(vberr::PathNotFound);
    const QString executable = FindGameFile(plan.storedFolder, plan.executableName);
    if (executable.isEmpty())
        throw RuntimeError(vberr::FileNotFound);
    const ProcessRequest request = requestFor(executable, plan.arguments, folder);
    qCInfo(lcLaunch).noquote() << "Starting" << plan.commandLine << "in" << folder;
    if (!StartProcess(request))
        throw RuntimeError(vberr::FileNotFound);
}

void JoinServer(const QString &host, const QString &port)
{
    Trap(QStringLiteral("Error Joining Server "), ErrLayout::NumberFirst, [&] {
        if (const auto plan = PlanLaunch(gGameType, LaunchMode::Join, currentMod(), host, port))
            RunLaunch(*plan);
    });
}

void ExecuteServer(const QString &port)
{
    Trap(QStringLiteral("Error Executing Server "), ErrLayout::NumberFirst, [&] {
        if (const auto plan = PlanLaunch(gGameType, LaunchMode::Create, currentMod(), QString(), port))
            RunLaunch(*plan);
    });
}

void PlaySingle()
{
    Trap(QStringLiteral("Error in Play Single "), ErrLayout::NumberFirst, [] {
        if (const auto plan = PlanLaunch(gGameType, LaunchMode::Single, currentMod()))
            RunLaunch(*plan);
    });
}
