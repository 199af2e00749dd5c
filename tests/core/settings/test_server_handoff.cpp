#include "core/settings/CRegUtil.h"
#include "core/settings/WineHandoff.h"
#include "core/settings/WineServer.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WineWatch.h"

#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Finding a prefix's running wineserver by its lock, and what is handed to it, without Wine:
// a child process holds the server's lock in Debian's layout (a folder in the temporary folder
// named by the prefix's "wineserver" file), and a stand-in "wine" keeps the import file and fails.
namespace {

const QString kKey = QStringLiteral("SOFTWARE\\Red Storm Entertainment\\Rogue Spear");

// The child: holds a write lock on byte 0 of the file until its standard input closes.
int HoldLock(const char *path)
{
    const int fd = ::open(path, O_RDWR | O_CREAT, 0600);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_len = 1;
    if (fd < 0 || ::fcntl(fd, F_SETLKW, &lock) != 0)
        return 1;
    std::printf("locked\n");
    std::fflush(stdout);
    char c;
    while (::read(0, &c, 1) > 0) {
    }
    return 0;
}

QString Utf16(const QByteArray &bytes)
{
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData()), bytes.size() / 2);
}

} // namespace

class TestServerHandoff : public QObject {
    Q_OBJECT

    QTemporaryDir m_tmp;

private slots:
    void lockedServerGetsTheChange()
    {
        qputenv("TMPDIR", QFile::encodeName(m_tmp.path()));
        TempHive hive(HiveHeader(true));
        const QString prefix = hive.dir();
        QVERIFY(QDir(prefix).mkpath("dosdevices") && QDir(prefix).mkpath("drive_c/windows/temp"));
        QFile named(prefix + "/wineserver");
        QVERIFY(named.open(QIODevice::WriteOnly));
        named.write("wine-skdtest");
        named.close();
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(prefix).constData(), &st), 0);
        const QString serverDir = QStringLiteral("%1/wine-skdtest/server-%2-%3")
                                      .arg(m_tmp.path())
                                      .arg(qulonglong(st.st_dev), 0, 16)
                                      .arg(qulonglong(st.st_ino), 0, 16);
        QVERIFY(QDir().mkpath(serverDir));
        // A lock file nobody holds (a server that crashed) is no running server.
        QFile(serverDir + "/lock").open(QIODevice::WriteOnly);
        QVERIFY(!wineserver::IsRunning(prefix));
        const WineStarts wine(3);
        CRegUtil reg(hive.path());
        reg.SaveSettingString(HKEY_LOCAL_MACHINE, kKey, "Before", "1");
        QCOMPARE(wine.starts(), QStringList());

        QProcess server;
        server.start(QCoreApplication::applicationFilePath(), {"--hold-lock", serverDir + "/lock"});
        QVERIFY(server.waitForReadyRead(30000));
        QVERIFY(wineserver::IsRunning(prefix));

        reg.SaveSettingString(HKEY_LOCAL_MACHINE, kKey, "Player\"Name", QStringLiteral("Caf\u00e9"));
        winehandoff::WaitForAll();
        QCOMPARE(wine.starts().size(), 1);
        QVERIFY(wine.starts()[0].startsWith("reg import skirmdeck-"));
        QVERIFY(wine.starts()[0].endsWith(".reg /reg:64"));
        // The whole change, exact type and bytes, at the file's own path; the file is gone after.
        QVERIFY(wine.lastImport().startsWith("\xff\xfe"));
        QCOMPARE(Utf16(wine.lastImport().mid(2)),
                 QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n"
                                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Red Storm "
                                "Entertainment\\Rogue Spear]\r\n"
                                "\"Player\\\"Name\"=hex(1):43,00,61,00,66,00,e9,00,00,00\r\n"
                                "\r\n"));
        QVERIFY(QDir(prefix + "/drive_c/windows/temp").isEmpty());
        // The failure is kept for the About window; the file has the value all the same.
        QVERIFY2(winehandoff::LastFailure().contains("status 3: reg: import failed"),
                 qPrintable(winehandoff::LastFailure()));
        QCOMPARE(reg.GetSettingString(HKEY_LOCAL_MACHINE, kKey, "Player\"Name"), QStringLiteral("Caf\u00e9"));

        // The server ends: no more Wine processes.
        server.closeWriteChannel();
        QVERIFY(server.waitForFinished(30000));
        QVERIFY(!wineserver::IsRunning(prefix));
        reg.DeleteValue(HKEY_LOCAL_MACHINE, kKey, "Player\"Name");
        winehandoff::WaitForAll();
        QCOMPARE(wine.starts().size(), 1);
    }
};

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--hold-lock") == 0)
        return HoldLock(argv[2]);
    QCoreApplication app(argc, argv);
    TestServerHandoff test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_server_handoff.moc"
