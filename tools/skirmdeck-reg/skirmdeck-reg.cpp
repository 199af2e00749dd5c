#include "tools/skirmdeck-reg/RegTool.h"
#include "core/settings/RegistryStore.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    RegTool tool(RegistryStore::defaultHivePath());
    const int status = tool.run(args);
    const QByteArray out = tool.output().toLocal8Bit();
    const QByteArray err = tool.errors().toLocal8Bit();
    std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
    std::fwrite(err.constData(), 1, static_cast<size_t>(err.size()), stderr);
    return status;
}
