#pragma once

#include "core/state/AppState.h"

// Stands in for the main window in tests of windows that talk to it.
class FakeMainLink : public MainWindowLink {
public:
    FakeMainLink() { gMain = this; }
    ~FakeMainLink() override
    {
        if (gMain == this)
            gMain = nullptr;
    }
    Q_DISABLE_COPY(FakeMainLink)

    void SetPostedState(bool posted) override
    {
        mboolPosted = posted;
        postedStates.append(posted);
    }
    void SelectGame(const QString &game) override { selectedGames.append(game); }
    bool GameCheck() override { return true; }
    void UNLOADALL() override { ++unloadAllCalls; }
    QString ModText() const override { return QStringLiteral("None"); }
    void SetSocketTimerInterval(int milliseconds) override { timerIntervals.append(milliseconds); }

    QList<bool> postedStates;
    QStringList selectedGames;
    int unloadAllCalls = 0;
    QList<int> timerIntervals;
};
