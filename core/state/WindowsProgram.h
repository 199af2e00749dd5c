#pragma once

#include <QString>

// Windows programs and the Wine that starts them.

// The machine a PE file is built for; NotPe for anything that is not a readable PE file.
enum class PeMachine { NotPe, X86, X64, Other };

// True when the file starts with the "MZ" of a DOS or Windows program.
bool IsWindowsProgram(const QString &path);

// The 16-bit machine field right after the "PE\0\0" signature, whose offset is the 32-bit
// value at byte 0x3C of the file.
PeMachine ReadPeMachine(const QString &path);

// Whether the wine program at this path can start 32-bit programs. Debian's wrapper runs
// lib/wine/wine (the 32-bit loader, from wine32) when it exists and otherwise falls back to
// lib/wine/wine64, which cannot; any other installation is taken to manage.
bool WineRuns32Bit(const QString &wineProgram);

// Raises a run-time error that names the cause and the fix when the program is 32-bit and
// this wine cannot start it.
void CheckWineCanRun(const QString &executable, const QString &wineProgram);
