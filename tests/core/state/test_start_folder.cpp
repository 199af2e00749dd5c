// The start folder (--start-dir and the data folder of the desktop entry): made when missing
// and made current; a folder that cannot be made is named in the message with the reason.
#include "core/state/StartFolder.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestStartFolder : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_initial = QDir::currentPath();

private slots:
    void cleanup() { QDir::setCurrent(m_initial); }

    void missingFoldersAreMadeAndEntered()
    {
        const QString folder = m_dir.filePath("data/skirmdeck dir");
        QCOMPARE(EnterStartFolder(folder), QString());
        QCOMPARE(QDir::currentPath(), QDir(folder).canonicalPath());
        // An existing folder is entered as it is.
        QCOMPARE(EnterStartFolder(m_dir.path()), QString());
        QCOMPARE(QDir::currentPath(), QDir(m_dir.path()).canonicalPath());
    }

    void folderThatCannotBeMade()
    {
        QVERIFY(WriteTestFile(m_dir.filePath("plain file"), {}));
        const QString folder = m_dir.filePath("plain file/favourites");
        const QString message = EnterStartFolder(folder);
        QVERIFY2(message.startsWith("cannot use \"" + folder + "\" as the start folder: "), qPrintable(message));
        QVERIFY2(message.contains("Not a directory"), qPrintable(message));
        QCOMPARE(QDir::currentPath(), m_initial);
    }
};

QTEST_GUILESS_MAIN(TestStartFolder)
#include "test_start_folder.moc"
