#include "app/AppState.h"

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
