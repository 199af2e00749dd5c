#include "tests/gui/support/AppTestSupport.h"

#include "core/settings/RegistryStore.h"
#include "core/state/AppState.h"
#include "tests/support/TestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QFile>
#include <QTest>

// Text of a hive key section, for composing test hives.
static QByteArray HiveSection(const QString &key, const Values &values)
{
    const auto escape = [](QString text) { return text.replace("\\", "\\\\").replace("\"", "\\\""); };
    QString text = "\n[" + escape(key) + "] 1700000000\n";
    for (const auto &[name, data] : values)
        text += '"' + name + "\"=\"" + escape(data) + "\"\n";
    return text.toUtf8();
}

QByteArray GameHive(const QString &rsPath, const QString &rb6Path, const Values &own, const Values &rsExtra)
{
    QByteArray hive = HiveHeader();
    if (!own.isEmpty())
        hive += HiveSection(kRedStormKey, own);
    if (!rb6Path.isNull())
        hive += HiveSection(kRB6Registry, {{"InstallationPath", rb6Path}});
    if (!rsPath.isNull())
        hive += HiveSection(kRSRegistry, Values{{"InstallationPath", rsPath}} + rsExtra);
    return hive;
}

void TypeOver(QWidget *box, const QString &text)
{
    auto *list = qobject_cast<QComboBox *>(box);
    QWidget *edit = list ? list->lineEdit() : box;
    box->window()->show();
    QVERIFY(QTest::qWaitForWindowActive(box->window()));
    box->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

void PickFrom(QComboBox *list, const QString &entry)
{
    const int row = list->findText(entry);
    QVERIFY2(row >= 0, qPrintable(entry));
    while (list->isEnabled() && list->currentIndex() != row)
        QTest::keyClick(list, list->currentIndex() < row ? Qt::Key_Down : Qt::Key_Up);
}

void ClickOn(QWidget *control)
{
    // A check box takes clicks on its box even where it has no caption.
    const bool checkBox = qobject_cast<QCheckBox *>(control);
    const QPoint at = checkBox ? QPoint(7, control->height() / 2) : control->rect().center();
    QTest::mouseClick(control, Qt::LeftButton, {}, at);
}

QString GameFolders::path(const QString &relative) const
{
    return relative.isEmpty() ? m_dir.path() : m_dir.filePath(relative);
}

void GameFolders::addFolder(const QString &relative) { QDir().mkpath(path(relative)); }

QString GameFolders::addGame(const QString &folder, const QString &executable)
{
    addFolder(folder);
    const QString exe = QDir(path(folder)).filePath(executable);
    // Records what a game would see: each argument on a line, then the working folder.
    if (!WriteTestFile(exe,
                       "#!/bin/sh\nlog=\"$0.log\"\n: > \"$log.tmp\"\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> "
                       "\"$log.tmp\"; done\npwd > \"$log.cwd\"\nmv \"$log.tmp\" \"$log\"\n",
                       true))
        qFatal("cannot write %s", qPrintable(exe));
    return exe;
}

QString StoredOwnSetting(const QString &name)
{
    return CRegUtil(RegistryStore::defaultHivePath())
        .GetSettingString(HKEY_LOCAL_MACHINE, kRedStormKey, name, "<missing>");
}

void UseEmptyFavourites(const QString &folder, const QStringList &games)
{
    gStartDir = folder;
    for (const QString &game : games)
        QVERIFY(WriteTestFile(QDir(folder).filePath(game + ".txt"), {}));
}

QStringList WaitForLines(const QString &path, int timeoutMs)
{
    QFile file(path);
    if (!QTest::qWaitFor([&] { return file.exists(); }, timeoutMs) || !file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    lines.removeLast();
    return lines;
}
