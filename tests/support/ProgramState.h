#pragma once

#include <QObject>

// Puts back what a fresh program starts with, so that no test sees what an earlier one left:
// every program-wide value of AppState (the main window link included), the shared CRegUtil,
// every seam (message box, echo, process start, web page opener), the settings and directory
// files named by the environment (unset), and the windows that outlive their test because they
// delete themselves only when closed (the server list). Call it from init() and cleanup().
void ResetProgramState();

// A test class whose every test function starts and ends on a reset program. A class with an
// init() or cleanup() of its own calls ResetProgramState() there itself.
class IsolatedTest : public QObject {
    Q_OBJECT

private slots:
    void init() { ResetProgramState(); }
    void cleanup() { ResetProgramState(); }
};
