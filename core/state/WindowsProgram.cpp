#include "core/state/WindowsProgram.h"

#include "core/runtime/RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

namespace {

constexpr qint64 kPeOffsetField = 0x3C;
constexpr quint16 kMachineX86 = 0x014C;
constexpr quint16 kMachineX64 = 0x8664;

bool readAt(QFile &file, qint64 offset, char *buffer, qint64 size)
{
    return file.seek(offset) && file.read(buffer, size) == size;
}

} // namespace

bool IsWindowsProgram(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(2) == "MZ";
}

PeMachine ReadPeMachine(const QString &path)
{
    QFile file(path);
    char offsetField[4];
    char header[6];
    if (!file.open(QIODevice::ReadOnly) || file.read(2) != "MZ" || !readAt(file, kPeOffsetField, offsetField, 4))
        return PeMachine::NotPe;
    const quint32 offset = qFromLittleEndian<quint32>(offsetField);
    if (!readAt(file, offset, header, 6) || QByteArray(header, 4) != QByteArray("PE\0\0", 4))
        return PeMachine::NotPe;
    const quint16 machine = qFromLittleEndian<quint16>(header + 4);
    if (machine == kMachineX86)
        return PeMachine::X86;
    return machine == kMachineX64 ? PeMachine::X64 : PeMachine::Other;
}

bool WineRuns32Bit(const QString &wineProgram)
{
    // Through links to the installed wrapper, whose loaders lie in ../lib/wine.
    const QString wrapper = QFileInfo(wineProgram).canonicalFilePath();
    const QDir loaders(QFileInfo(wrapper).absolutePath() + QStringLiteral("/../lib/wine"));
    if (QFileInfo(loaders.filePath(QStringLiteral("wine"))).isExecutable())
        return true;
    return !QFileInfo::exists(loaders.filePath(QStringLiteral("wine64")));
}

void CheckWineCanRun(const QString &executable, const QString &wineProgram)
{
    if (ReadPeMachine(executable) != PeMachine::X86 || WineRuns32Bit(wineProgram))
        return;
    throw RuntimeError(
        vberr::InvalidCall,
        QStringLiteral("%1 is a 32-bit Windows program, and the installed Wine runs only 64-bit programs "
                       "(wine32 is missing). Install wine32, as root: dpkg --add-architecture i386 && "
                       "apt-get update && apt-get install wine32:i386")
            .arg(QFileInfo(executable).fileName()));
}
