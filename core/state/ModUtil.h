#pragma once

#include <QString>
#include <QStringList>

#include <optional>

enum class LaunchMode { Join, Create, Single };

// What a launch runs: the classic command line (logged), and the same as a program,
// an argument list and the installation folder to start in.
struct LaunchPlan {
    QString commandLine;
    QString executableName;
    QStringList arguments;
    QString storedFolder;
};

// The plan for a game and mode, or nothing when the game is unknown or not installed.
std::optional<LaunchPlan> PlanLaunch(const QString &game, LaunchMode mode, const QString &mod,
                                     const QString &host = QString(), const QString &port = QString());

// Runs a plan: error 76 when the installation folder is missing, 53 when the executable is.
void RunLaunch(const LaunchPlan &plan);

// The current game (gGameType) with the main window's selected mod.
void JoinServer(const QString &host, const QString &port);
void ExecuteServer(const QString &port);
void PlaySingle();
