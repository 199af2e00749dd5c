// The server list window against real favourites files, the embedded directory and loopback
// pings, driven through its grids, tabs and menus.
#include "core/browser/ServerRefresh.h"
#include "core/net/ProbeBatch.h"
#include "core/directory/DirectoryClient.h"
#include "core/net/SocketControl.h"
#include "core/state/AppState.h"
#include "gui/browser/ServerGrid.h"
#include "gui/browser/frmAddServer.h"
#include "gui/browser/frmServerList.h"
#include "tests/core/net/UdpResponder.h"
#include "tests/support/FakeMainLink.h"
#include "tests/support/ProgramState.h"
#include "tests/support/ScriptedMessageBox.h"
#include "tests/support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <optional>
#include <utility>

namespace {

QStringList Column(const ServerGrid *grid, int column)
{
    QStringList out;
    for (int row = 1; row <= grid->DataRows(); ++row)
        out << grid->Cell(row, column);
    return out;
}

// Opens the pop-up over a data row as a player does, then picks an item of it.
void Pick(frmServerList *list, ServerGrid *grid, int row, QAction *item)
{
    const QRect cell = grid->visualItemRect(grid->item(row - 1, ServerGrid::colName));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QVERIFY(list->mnuOptions->isVisible());
    QVERIFY(item->isEnabled());
    item->trigger();
    list->mnuOptions->hide();
}

void ClickTab(frmServerList *list, int index)
{
    QTabBar *bar = list->tabServers->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
}

frmServerList *OpenList()
{
    frmServerList *list = frmServerList::Instance();
    list->show();
    if (!QTest::qWaitForWindowExposed(list))
        qFatal("the server list did not show");
    return list;
}

} // namespace

class TestServerList : public IsolatedTest {
    Q_OBJECT

    // Made afresh for each test: the start folder with the favourites, the settings file with
    // the directory beside it, and the main window's stand-in.
    std::optional<QTemporaryDir> m_start;
    std::optional<TempHive> m_hive;
    std::optional<ScriptedMessageBox> m_boxes;
    std::optional<FakeMainLink> m_main;

    QString favorites(const QString &game) const { return m_start->filePath(game + ".txt"); }

private slots:
    void init()
    {
        ResetProgramState();
        m_start.emplace();
        gStartDir = m_start->path();
        gGameType = kRogueSpear;
        gRegistry = kRSRegistry;
        gSocketTimeOut = "200";
        gRSInstalled = gEWInstalled = true;
        m_hive.emplace();
        m_main.emplace();
        m_boxes.emplace();
    }

    // Rows missing a name, an address or a port are not shown; a deletion saves what is left.
    void favouritesLoadAndDelete()
    {
        QVERIFY(WriteTestFile(favorites(kRogueSpear), "\"Alpha\",\"127.0.0.1\",\"2346\",\"none\"\r\n"
                                                      "\"NoPort\",\"127.0.0.2\",\"\",\"\"\r\n"
                                                      "\"\",\"127.0.0.3\",\"2346\",\"\"\r\n"
                                                      "\"NoAddress\",\"\",\"2346\",\"\"\r\n"
                                                      "\"Bravo\",\"127.0.0.4\",\"2347\",\"\"\r\n"
                                                      "\"Charlie\",\"127.0.0.5\",\"2348\",\"m\"\r\n"));
        frmServerList *list = OpenList();
        ServerGrid *grid = list->flexFavorites;
        QCOMPARE(Column(grid, ServerGrid::colName), (QStringList{"Alpha", "Bravo", "Charlie"}));

        // No keeps the row; Yes removes exactly the clicked one and saves the rest.
        m_boxes->queueAnswer(MsgResult::No);
        Pick(list, grid, 2, list->mnuDeleteServer);
        QVERIFY(!list->mnuAddFav->isEnabled());
        QCOMPARE(m_boxes->texts(), QStringList{"Do you want to delete Bravo's Game?"});
        Pick(list, grid, 2, list->mnuDeleteServer);
        QCOMPARE(list->mFavRows->CurrentRow(), 3);
        QCOMPARE(ReadTestFile(favorites(kRogueSpear)), "\"Alpha\",\"127.0.0.1\",\"2346\",\"none\"\r\n"
                                                       "\"Charlie\",\"127.0.0.5\",\"2348\",\"m\"\r\n");

        // The last favourite leaves one blank row and the counter at 1 (its empty file is the
        // directory tab's case).
        Pick(list, grid, 2, list->mnuDeleteServer);
        Pick(list, grid, 1, list->mnuDeleteServer);
        QCOMPARE(Column(grid, ServerGrid::colName), QStringList{""});
        QCOMPARE(list->mFavRows->CurrentRow(), 1);
    }

    // A probe that fails leaves its row fully added: every row shown is counted and saved, and
    // an address that does not resolve stays as typed.
    void addServersAfterAFailedAdd()
    {
        // A game start-up found missing cannot be chosen here.
        gMissingGames = QStringList{kEagleWatch};
        frmServerList *list = OpenList();
        QVERIFY(!list->mnuEW->isEnabled() && list->mnuRS->isEnabled());
        bool driven = false;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<frmAddServer *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            const auto add = [&](const QString &name, const QString &address, const QString &port, bool check) {
                QTest::keyClicks(dialog->txtServerName, name);
                QTest::keyClicks(dialog->txtServerIP, address);
                QTest::keyClick(dialog->txtServerPort, Qt::Key_A, Qt::ControlModifier);
                QTest::keyClicks(dialog->txtServerPort, port);
                if (check)
                    QTest::mouseClick(dialog->chkUpdate, Qt::LeftButton);
                QTest::mouseClick(dialog->cmdAddServer, Qt::LeftButton);
                QVERIFY(!dialog->chkUpdate->isChecked());
            };
            add("Bad Port", "127.0.0.1", "abc", true);
            add("Good One", "1.2.3.4.5", "", false);
            // Both boxes empty: nothing happens.
            QTest::mouseClick(dialog->cmdAddServer, Qt::LeftButton);
            QTest::mouseClick(dialog->cmdExit, Qt::LeftButton);
            driven = true;
        });
        Pick(list, list->flexFavorites, 1, list->mnuAddServer);
        QVERIFY(driven);
        QCOMPARE(Column(list->flexFavorites, ServerGrid::colName), (QStringList{"Bad Port", "Good One"}));
        QCOMPARE(list->mFavRows->CurrentRow(), 3);
        QCOMPARE(ReadTestFile(favorites(kRogueSpear)), "\"Bad Port\",\"127.0.0.1\",\"abc\",\"\"\r\n"
                                                       "\"Good One\",\"1.2.3.4.5\",\"2346\",\"\"\r\n");
        QCOMPARE(m_boxes->texts(), (QStringList{"Error Reading file\r\nError Number 53",
                                                "Error Adding Server\r\nError Number 13 Type mismatch",
                                                "Error in PingServer 9 Subscript out of range"}));
    }

    void directoryTab()
    {
        QVERIFY(WriteTestFile(favorites(kRogueSpear), "\"Mine\",\"127.0.0.1\",\"2346\",\"\"\r\n"));
        AddServer("First", kRogueSpear, "127.0.0.21", "2346", "", "DSL", "k", "s");
        AddServer("A&#39;s;B", kRogueSpear, "127.0.0.22", "", "mod", "DSL", "k", "s");
        AddServer("Newest", kRogueSpear, "127.0.0.23", "2350", "", "DSL", "k", "s");
        AddServer("Watch", kEagleWatch, "127.0.0.24", "2346", "", "DSL", "k", "s");
        frmServerList *list = OpenList();
        ClickTab(list, 1);
        ServerGrid *db = list->flexDB;
        QCOMPARE(Column(db, ServerGrid::colName), (QStringList{"Newest", "A39's'B", "First"}));

        Pick(list, db, 2, list->mnuAddFav);
        QVERIFY(!list->mnuDeleteServer->isEnabled() && !list->mnuAddServer->isEnabled());
        QCOMPARE(Column(list->flexFavorites, ServerGrid::colName), (QStringList{"Mine", "A39's'B"}));
        QCOMPARE(list->flexFavorites->Cell(2, ServerGrid::colFlag), "0");
        QCOMPARE(ReadTestFile(favorites(kRogueSpear)), "\"Mine\",\"127.0.0.1\",\"2346\",\"\"\r\n"
                                                       "\"A39's'B\",\"127.0.0.22\",\"2346\",\"mod\"\r\n");

        // Launch Game: the address and port become the game's join settings, then all unloads.
        gUnloadOnStart = true;
        Pick(list, db, 1, list->mnuLnch);
        QCOMPARE(GameSetting("MultiplayerManualHostAddress"), "127.0.0.23");
        QCOMPARE(GameSetting("MultiplayerManualJoinPort"), "2350");
        QCOMPARE(m_main->unloadAllCalls, 1);

        // Another game from the menu: its favourites go to its own file.
        list->mnuEW->trigger();
        QCOMPARE(m_main->selectedGames, QStringList{kEagleWatch});
        const QByteArray rogueSpear = ReadTestFile(favorites(kRogueSpear));
        Pick(list, db, 1, list->mnuAddFav);
        QCOMPARE(ReadTestFile(favorites(kRogueSpear)), rogueSpear);
        QCOMPARE(ReadTestFile(favorites(kEagleWatch)), "\"Watch\",\"127.0.0.24\",\"2346\",\"\"\r\n");

        // The favourites tab empties the directory grid.
        ClickTab(list, 0);
        QCOMPARE(Column(list->flexFavorites, ServerGrid::colName), QStringList{"Watch"});
        QCOMPARE(Column(db, ServerGrid::colName), QStringList{""});

        // A game that is not installed: its item goes grey, nothing reloads, and a deletion
        // still saves the list shown to the file it came from.
        list->mnuRB6->trigger();
        QVERIFY(!list->mnuRB6->isEnabled());
        QCOMPARE(gGameType, kRainbowSix);
        Pick(list, list->flexFavorites, 1, list->mnuDeleteServer);
        QCOMPARE(ReadTestFile(favorites(kEagleWatch)), QByteArray());
        QVERIFY(!QFile::exists(favorites(kRainbowSix)));
        // The launch found no game folder here; Eagle Watch had no favourites file until the
        // favourite was added.
        QCOMPARE(m_boxes->texts(),
                 (QStringList{"Error Joining Server 76 Path not found", "Error Reading file\r\nError Number 53",
                              "Do you want to delete Watch's Game?"}));
    }

    // While "Update Server" waits: the row shows down at once, no second probe can start, a
    // sort moves the rows and the result still reaches the row asked for. While "Update All
    // Servers" waits, a game switch and a tab change load their rows with pings.
    void commandsDuringAProbeWait()
    {
        UdpResponder game;
        QVERIFY(WriteTestFile(favorites(kEagleWatch), "\"Far\",\"1.2.3\",\"2346\",\"\"\r\n"
                                                      "\"Mine\",\"127.0.0.5\",\"2346\",\"\"\r\n"));
        // "127.0.1" is never sent an echo (three parts): it reads "Offline", unlike the other rows.
        AddServer("Alpha", kRogueSpear, "127.0.1", "2346", "", "DSL", "k", "s");
        AddServer("Zulu", kRogueSpear, "127.0.0.1", QString::number(game.port()), "", "DSL", "k", "s");
        AddServer("Watch", kEagleWatch, "127.0.0.4", "2346", "", "DSL", "k", "s");
        frmServerList *list = OpenList();
        ClickTab(list, 1);
        ServerGrid *db = list->flexDB;
        QCOMPARE(Column(db, ServerGrid::colName), (QStringList{"Zulu", "Alpha"}));
        const QImage down = QImage(":/skirmdeck/status_red.png").convertToFormat(QImage::Format_ARGB32);
        std::function<void()> duringWait;
        const auto waitBegins = [&] { QTimer::singleShot(0, list, [&] { std::exchange(duringWait, nullptr)(); }); };
        connect(list->mRefresh, &ServerRefresh::pointerBusy, list, [&](bool busy) {
            if (busy)
                waitBegins();
        });
        connect(list->mRefresh->batch(), &ProbeBatch::aimed, list, waitBegins);

        duringWait = [&] {
            QCOMPARE(db->Cell(1, ServerGrid::colFlag), "0");
            const QPixmap shown = db->item(0, ServerGrid::colStatus)->data(Qt::DecorationRole).value<QPixmap>();
            QCOMPARE(shown.toImage().convertToFormat(QImage::Format_ARGB32), down);
            Pick(list, db, 2, list->mnuSrtHost);
            QCOMPARE(Column(db, ServerGrid::colName), (QStringList{"Alpha", "Zulu"}));
            QTest::mouseClick(db->viewport(), Qt::LeftButton, {}, db->visualItemRect(db->item(0, 2)).center());
            QVERIFY(!list->mnuUpdtServer->isEnabled() && !list->mnuUpdtAllServers->isEnabled());
            list->mnuOptions->hide();
            game.answer(list->SckServer->LocalPort());
        };
        Pick(list, db, 1, list->mnuUpdtServer);
        QVERIFY(!duringWait);
        QCOMPARE(Column(db, ServerGrid::colFlag), (QStringList{"1", "1"}));
        QCOMPARE(Column(db, ServerGrid::colPing).value(0), "Offline");
        QVERIFY(Column(db, ServerGrid::colPing).value(1).endsWith("ms"));

        duringWait = [&] {
            list->mnuEW->trigger();
            QCOMPARE(Column(db, ServerGrid::colName), QStringList{"Watch"});
            QVERIFY(db->Cell(1, ServerGrid::colPing).endsWith("ms"));
            ClickTab(list, 0);
        };
        Pick(list, db, 2, list->mnuUpdtAllServers);
        QVERIFY(!duringWait);
        // The favourites came with their pings, and the sorts that end "Update All Servers"
        // went to the directory grid it refreshed.
        QCOMPARE(Column(list->flexFavorites, ServerGrid::colName), (QStringList{"Far", "Mine"}));
        QVERIFY(list->flexFavorites->Cell(2, ServerGrid::colPing).endsWith("ms"));
        QCOMPARE(m_boxes->texts(), QStringList{"Error Reading file\r\nError Number 53"});
    }
};

QTEST_MAIN(TestServerList)
#include "test_server_list.moc"
