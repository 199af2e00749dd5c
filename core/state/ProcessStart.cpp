#include "core/state/ProcessStart.h"

#include <QProcess>

#include <utility>

namespace {

class DetachedStarter : public ProcessStarter {
public:
    bool start(const ProcessRequest &request) override
    {
        QProcess process;
        process.setProgram(request.program);
        process.setArguments(request.arguments);
        process.setWorkingDirectory(request.workingFolder);
        process.setProcessEnvironment(request.environment);
        process.setStandardInputFile(QProcess::nullDevice());
        return process.startDetached();
    }
};

DetachedStarter gDetached;
ProcessStarter *gStarter = nullptr;

} // namespace

ProcessStarter *setProcessStarter(ProcessStarter *starter) { return std::exchange(gStarter, starter); }

bool StartProcess(const ProcessRequest &request) { return (gStarter ? gStarter : &gDetached)->start(request); }
