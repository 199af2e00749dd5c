#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// A program to start: never through a shell, so every argument reaches it as it is.
struct ProcessRequest {
    QString program;
    QStringList arguments;
    QString workingFolder;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
};

// Where new processes come from; the program uses QProcess.
class ProcessStarter {
public:
    virtual ~ProcessStarter() = default;
    virtual bool start(const ProcessRequest &request) = 0;
};

// Installs the starter StartProcess uses (not owned; null restores the real one).
ProcessStarter *setProcessStarter(ProcessStarter *starter);

// Starts the process detached; the program neither waits for it nor keeps its handle.
bool StartProcess(const ProcessRequest &request);
