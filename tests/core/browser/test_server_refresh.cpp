// The refresh of the server list's rows against real UDP sockets and real echoes on loopback.
#include "core/browser/ServerRefresh.h"
#include "core/net/ProbeBatch.h"
#include "core/net/StatusProbe.h"
#include "tests/core/net/UdpResponder.h"
#include "tests/support/ScriptedMessageBox.h"

#include <QtTest>

namespace {

ServerRow row(const QString &address, const QString &port, bool up = false)
{
    return ServerRow{QStringLiteral("Server"), address, port, QString(), up, QStringLiteral("old")};
}

ServerRow row(const QString &address, quint16 port, bool up = false) { return row(address, QString::number(port), up); }

// Each row's mark and ping, a measured round trip as "ms".
QStringList states(const QList<ServerRow> &rows)
{
    QStringList out;
    for (const ServerRow &r : rows)
        out << (r.up ? "up " : "down ") + QString(r.ping).replace(QRegularExpression("^\\d+ms$"), "ms");
    return out;
}

} // namespace

class TestServerRefresh : public QObject {
    Q_OBJECT

    ScriptedMessageBox boxes;
    UdpResponder game, silent;

private slots:
    void init() { boxes.clear(); }

    // One datagram marks every row of its address up, as the classic one-by-one loop leaves
    // them: a row probed later on the same address but another, silent port ends down. The list
    // is reversed during the wait, and each row keeps its own result.
    void allServersEndAsTheLoopLeavesThem()
    {
        QList<ServerRow> rows{row("127.0.0.1", silent.port()), row("127.0.0.1", game.port()),
                              row("127.0.0.1", game.port()), row("127.0.0.1", silent.port(), true),
                              row("127.0.0.2", game.port(), true)};
        ServerRefresh refresh;
        bool reverse = true;
        connect(refresh.batch(), &ProbeBatch::aimed, this, [&] {
            if (std::exchange(reverse, false))
                std::reverse(rows.begin(), rows.end());
            game.answer(refresh.batch()->localPort({"127.0.0.1", game.socket.localPort()}));
        });
        QVERIFY(refresh.UpdateAllServers(rows, 400));
        QCOMPARE(states(rows), (QStringList{"down ms", "down ms", "up ms", "up ms", "up ms"}));
        QCOMPARE(boxes.texts(), QStringList());

        // A port that is no number ends the probe at its row: rows before it are probed, it is
        // down, later rows keep their marks, and nothing is pinged.
        rows = {row("127.0.0.1", game.port()), row("127.0.0.2", "x", true), row("127.0.0.1", silent.port()),
                row("127.0.0.3", game.port(), true)};
        QVERIFY(refresh.UpdateServers(rows, 300));
        QCOMPARE(states(rows), (QStringList{"up old", "down old", "up old", "up old"}));
        QCOMPARE(boxes.texts(), QStringList{"Error Updating Servers\r\nError Number 13 Type mismatch"});
    }

    // "Update Server" on the single probe: a datagram marks each row of the address up, a
    // silent server leaves the row down; then the row is pinged.
    void oneServer()
    {
        QList<ServerRow> rows{row("127.0.0.1", silent.port()), row("127.0.0.1", game.port()),
                              row("127.0.0.2", game.port())};
        ServerRefresh refresh;
        refresh.probe()->setInterval(300);
        QVERIFY(refresh.UpdateServer(rows, 0));
        QCOMPARE(states(rows), (QStringList{"down ms", "down old", "down old"}));
        QList<bool> pointer;
        connect(&refresh, &ServerRefresh::pointerBusy, this, [&](bool busy) {
            pointer.append(busy);
            if (busy)
                game.answer(refresh.probe()->socket()->LocalPort());
        });
        QVERIFY(refresh.UpdateServer(rows, 1));
        QCOMPARE(states(rows), (QStringList{"up ms", "up ms", "down old"}));
        QCOMPARE(pointer, (QList<bool>{true, false}));
        QVERIFY(!refresh.probe()->timer()->isActive());

        rows[2].port = "port";
        QVERIFY(refresh.UpdateServer(rows, 2));
        refresh.UpdatePing(rows, 2);
        QCOMPARE(boxes.texts(), QStringList{"Error In Updating Server\r\nError Number 13"});
        QCOMPARE(states(rows).last(), "down ms");
    }

    // While a probe waits, the other probes are refused and change nothing, pings still run,
    // and results reach the rows they were asked for however the list moved meanwhile.
    void resultsFollowTheirRows()
    {
        QList<ServerRow> rows{row("127.0.0.1", silent.port(), true), row("127.0.0.1", game.port()),
                              row("127.0.0.2", game.port(), true)};
        QList<ServerRow> other{row("127.0.0.1", game.port(), true)};
        const ServerRow asked = rows[1];
        ServerRefresh refresh;
        QList<bool> refused;
        connect(&refresh, &ServerRefresh::pointerBusy, this, [&](bool busy) {
            if (!busy)
                return;
            refused = {refresh.UpdateServer(other, 0), refresh.UpdateAllServers(other, 100),
                       refresh.ProbeServer(other, "127.0.0.1", QString::number(game.port())), refresh.busy()};
            refresh.UpdatePings(other);
            // The asked row moves to the end, the first row goes, and a new row of the same
            // address takes the asked row's place.
            std::reverse(rows.begin(), rows.end());
            rows.removeLast();
            rows.insert(1, row("127.0.0.1", game.port()));
            game.answer(refresh.probe()->socket()->LocalPort());
        });
        QVERIFY(refresh.UpdateServer(rows, 1));
        QCOMPARE(refused, (QList<bool>{false, false, false, true}));
        QCOMPARE(states(other), QStringList{"up ms"});
        QCOMPARE(rows.back().id, asked.id);
        QCOMPARE(states(rows), (QStringList{"up old", "down old", "up ms"}));

        // A refresh deleted while it waits pings nothing.
        auto *doomed = new ServerRefresh;
        connect(doomed->batch(), &ProbeBatch::aimed, this, [&] { QTimer::singleShot(0, [&] { delete doomed; }); });
        rows = {row("127.0.0.1", game.port(), true)};
        QVERIFY(doomed->UpdateAllServers(rows, 2000));
        QCOMPARE(states(rows), QStringList{"down old"});
        QCOMPARE(boxes.texts(), QStringList());
    }

    // Filling new rows from the one given: the address becomes the one pinged; one that does
    // not resolve stays as given.
    void fillPingsKeepsAnUnresolvedAddress()
    {
        QList<ServerRow> rows{row("127.0.0.9", "1"), row("localhost", "1"), row("127.0.1", "1")};
        ServerRefresh refresh;
        refresh.FillPings(rows, 1);
        QCOMPARE(states(rows), (QStringList{"down old", "down ms", "down Offline"}));
        QCOMPARE(rows[1].address + ' ' + rows[2].address, "127.0.0.1 127.0.1");
    }
};

QTEST_MAIN(TestServerRefresh)
#include "test_server_refresh.moc"
