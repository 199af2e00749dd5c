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
    FakeMainLink(const FakeMainLink &) = delete;
    FakeMainLink &operator=(const FakeMainLink &) = delete;

    void SetPostedState(bool posted) override
    {
        mboolPosted = posted;
        postedStates.append(posted);
    }
    void SelectGame(const QString &game) override { selectedGames.append(game); }
    bool GameCheck() override { return gameCheckResult; }
    void UNLOADALL() override { ++unloadAllCalls; }
    QString ModText() const override { return modText; }
    void SetSocketTimerInterval(int milliseconds) override { timerIntervals.append(milliseconds); }

    QList<bool> postedStates;
    QStringList selectedGames;
    bool gameCheckResult = true;
    int unloadAllCalls = 0;
    QString modText = QStringLiteral("None");
    QList<int> timerIntervals;
};
