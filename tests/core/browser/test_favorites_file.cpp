// The favourites file: the classic format, the mended quote and encoding rules, and saves that
// never leave a cut file behind.
#include "core/browser/FavoritesFile.h"
#include "core/runtime/RuntimeError.h"
#include "tests/support/TestSupport.h"

#include <QtTest>

#include <cstdio>

namespace {

QStringList Flat(const QList<ServerRow> &rows)
{
    QStringList out;
    for (const ServerRow &row : rows)
        out << row.name + '|' + row.address + '|' + row.port + '|' + row.mods;
    return out;
}

// The child ("--child DIR"): saves a small list, then a list larger than the (tiny) device
// holding DIR, and reports what the file holds.
int RunChild(const QString &dir)
{
    const FavoritesFile file(dir, "Rogue Spear");
    const QList<ServerRow> few(2, ServerRow{"A server with a long name", "10.0.0.1", "2346", "none", false, ""});
    file.Write(few);
    try {
        file.Write(QList<ServerRow>(5000, few[0]));
    } catch (const RuntimeError &e) {
        const bool kept = ReadTestFile(file.path()) == FormatFavorites(few);
        std::printf("%d %s\n", e.number(), kept ? "kept" : "cut");
        return 0;
    }
    std::puts("saved");
    return 1;
}

} // namespace

class TestFavoritesFile : public QObject {
    Q_OBJECT

private slots:
    void classicFormat()
    {
        // As the classic program wrote it, plus hand edits: blanks before fields, unquoted
        // fields (their trailing blanks kept), bare line ends, a blank line, a comma right
        // before a line end (an empty field), and a last record cut short.
        const QString text = "\"Alpha Base\",\"10.0.0.5\",\"2346\",\"none\"\r\n"
                             "  \"B\", 10.0.0.6 ,2347,\"\"\n\r\n"
                             "C,10.0.0.7,\"\",\"x\"\r"
                             "\"E\",\"10.0.0.8\",\"2346\",\r\n"
                             "\"F\",\"10.0.0.9\",2346 ,  \n"
                             "\"D\",\"10.0.0.8\"\r\n";
        const FavoritesContent content = ParseFavorites(text);
        QCOMPARE(Flat(content.records), (QStringList{"Alpha Base|10.0.0.5|2346|none", "B|10.0.0.6 |2347|",
                                                     "C|10.0.0.7||x", "E|10.0.0.8|2346|", "F|10.0.0.9|2346 |"}));
        QVERIFY(content.endsInsideRecord);
        // A comma at the very end opens one last, empty field.
        const FavoritesContent last = ParseFavorites("\"G\",\"10.0.0.1\",\"2346\",");
        QCOMPARE(Flat(last.records), QStringList{"G|10.0.0.1|2346|"});
        QVERIFY(!last.endsInsideRecord);
    }

    // Generated rows with quotes, commas, blanks and any character come back as written.
    void generatedRowsRoundTrip()
    {
        QTemporaryDir dir;
        const FavoritesFile file(dir.path(), "Eagle Watch");
        const QString chars = QStringLiteral("a \",,\"\u00e9\u20ac\u4e2d9.");
        QRandomGenerator random(4);
        const auto field = [&] {
            QString text;
            for (int n = random.bounded(8); n > 0; --n)
                text += chars.at(random.bounded(chars.size()));
            return text;
        };
        QList<ServerRow> rows;
        for (int i = 0; i < 50; ++i)
            rows.append(ServerRow{field(), field(), field(), field(), false, ""});
        file.Write(rows);
        QCOMPARE(Flat(file.Read().records), Flat(rows));

        // A file carried over from Windows: Windows-1252 bytes that are not valid UTF-8.
        QVERIFY(WriteTestFile(file.path(), "\"Caf\xe9 \x80 \x93q\x94\",\"10.0.0.9\",\"2346\",\"\"\r\n"));
        QCOMPARE(Flat(file.Read().records), QStringList{"Café € “q”|10.0.0.9|2346|"});
    }

    // Out of room mid-save: an error, and the old file whole. A save that wrote in place would
    // leave a cut file here, as it would when killed.
    void fullDeviceKeepsTheOldFile()
    {
        QTemporaryDir dir;
        // A private 64 KiB file system over the folder: the larger save runs out of room.
        const ProgramRun run = RunProgram("unshare", {"-rm", "sh", "-c",
                                                      "mount -t tmpfs -o size=64k tmpfs \"$1\" && echo mounted && "
                                                      "exec \"$2\" --child \"$1\"",
                                                      "sh", dir.path(), QCoreApplication::applicationFilePath()});
        if (!run.out.startsWith("mounted\n"))
            QSKIP(qPrintable("no private mount namespace here: " + run.err));
        QCOMPARE(run.out, "mounted\n57 kept\n");
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "--child") == 0)
        return RunChild(app.arguments().value(2));
    TestFavoritesFile test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_favorites_file.moc"
