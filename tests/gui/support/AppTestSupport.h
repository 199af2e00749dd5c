#pragma once

#include "tests/support/ProgramState.h"
#include "core/state/ProcessStart.h"

#include <QByteArray>
#include <QDir>
#include <QList>
#include <QPair>
#include <QString>
#include <QTemporaryDir>

#include <functional>

class QComboBox;
class QWidget;

// Hive values: "name", "unescaped data".
using Values = QList<QPair<QString, QString>>;

// A 32-bit hive with the own settings and the games' installation paths (null: not installed);
// the Rogue Spear key also gets rsExtra.
QByteArray GameHive(const QString &rsPath, const QString &rb6Path = {}, const Values &own = {},
                    const Values &rsExtra = {});

// Replaces the text of a text box or an editable list from the keyboard, in its shown and
// active window, where a completer would act as it does for a player.
void TypeOver(QWidget *box, const QString &text);
// Chooses an entry of a drop-down list with the arrow keys, passing the entries between.
void PickFrom(QComboBox *list, const QString &entry);
// A left click on a control: in its middle, or on a check box's box.
void ClickOn(QWidget *control);

// An own setting as the hive file holds it, read afresh; "<missing>" when absent.
QString StoredOwnSetting(const QString &name);
// Makes gStartDir that folder, with empty favourites files for those games, so the server
// list opens without a message.
void UseEmptyFavourites(const QString &folder, const QStringList &games = {"Rogue Spear"});
// The lines of a file once it exists; none when it did not appear in time.
QStringList WaitForLines(const QString &path, int timeoutMs = 10000);

// A folder holding fake game installations.
class GameFolders {
public:
    QString path(const QString &relative = QString()) const;
    // Makes the folder and an executable script of that name in it that records its
    // arguments (one per line) and working folder in <folder>/<name>.log.
    QString addGame(const QString &folder, const QString &executable);
    void addFolder(const QString &relative);
    QStringList recordedArguments(const QString &folder, const QString &executable) const
    {
        return WaitForLines(QDir(path(folder)).filePath(executable + ".log"));
    }
    QString recordedFolder(const QString &folder, const QString &executable) const
    {
        return WaitForLines(QDir(path(folder)).filePath(executable + ".log.cwd")).value(0);
    }

private:
    QTemporaryDir m_dir;
};

// Starts the real process, keeping a record of each request; onStart runs just before each start.
class RecordingStarter : public ProcessStarter {
public:
    RecordingStarter() : m_previous(setProcessStarter(this)) {}
    ~RecordingStarter() override { setProcessStarter(m_previous); }
    Q_DISABLE_COPY(RecordingStarter)

    bool start(const ProcessRequest &request) override
    {
        requests.append(request);
        if (onStart)
            onStart();
        setProcessStarter(nullptr);
        const bool ok = StartProcess(request);
        setProcessStarter(this);
        return ok;
    }

    QList<ProcessRequest> requests;
    std::function<void()> onStart;

private:
    ProcessStarter *m_previous;
};
