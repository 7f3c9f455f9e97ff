// qzlv2-server as a user runs it, and qzlv2's --server against it: the first line names the real
// port; SIGINT and SIGTERM stop it with 0, a bad command line (its own, or qzlv2's --server
// options) with 2, an address it cannot listen on with 1; two watch clients of one server each show
// their own stock while a third records; list --server names what that server trades; the recording
// made over TCP replays. (A server killed and started again: tst_tcpfaults, with every book of a
// real quoter.)
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

#include "tests/tools/ServerProcess.h"
#include "tests/tools/ToolRun.h"

using tooltest::Run;
using tooltest::RunTool;
using tooltest::ServerProcess;

namespace {

constexpr int kCapMs = 60000;  // ms: generous cap on every wait for a process

QString Address(const ServerProcess& server) {
    return QStringLiteral("127.0.0.1:%1").arg(server.Port());
}

}  // namespace

class TestQzlv2Server : public QObject {
    Q_OBJECT

private slots:
    void stopsCleanlyOnItsSignals_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGTERM") << int(SIGTERM);
    }
    void stopsCleanlyOnItsSignals() {
        QFETCH(int, signal);
        ServerProcess server;
        QString error;
        QVERIFY2(server.Start({"--listen", "127.0.0.1:0"}, &error), qPrintable(error));
        QVERIFY(server.Port() != 0);
        server.Signal(signal);
        QCOMPARE(server.WaitExit(kCapMs), 0);
        QVERIFY(server.Stderr().contains(QByteArray("signal ") + QByteArray::number(signal)));
    }

    // The server's command line, and qzlv2's --server options.
    void refusesWhatItCannotDo_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        const QString server = QZLV2_SERVER_FILE;
        QTest::newRow("no --listen")
            << server << QStringList{} << 2 << "--listen HOST:PORT is required";
        QTest::newRow("not HOST:PORT") << server << QStringList{"--listen", "7010"} << 2
                                       << "--listen: '7010' is not HOST:PORT";
        QTest::newRow("a code it cannot trade")
            << server << QStringList{"--listen", "127.0.0.1:0", "--codes", "SH603001,SH999999"} << 2
            << "--codes: SH999999 is neither";
        QTest::newRow("a tick below 10 ms")
            << server << QStringList{"--listen", "127.0.0.1:0", "--tick", "5"} << 2
            << "--tick takes a whole number from 10";
        QTest::newRow("an address not of this machine")
            << server << QStringList{"--listen", "192.0.2.1:0"} << 1
            << "cannot listen on 192.0.2.1:0";
        const QString tool = QZLV2_TOOL_FILE;
        const QStringList watch{"watch", "SH600000", "--server"};
        QTest::newRow("--server not HOST:PORT") << tool << watch + QStringList{"nowhere"} << 2
                                                << "--server: 'nowhere' is not HOST:PORT";
        QTest::newRow("--server port 0")
            << tool << watch + QStringList{"127.0.0.1:0"} << 2 << "--server: port 0";
        QTest::newRow("--server with the embedded market's --seed")
            << tool << watch + QStringList{"127.0.0.1:7010", "--seed", "3"} << 2
            << "--seed sets the embedded market";
        QTest::newRow("--server with --drop-link-every")
            << tool << watch + QStringList{"127.0.0.1:7010", "--drop-link-every", "4"} << 2
            << "--drop-link-every sets the embedded market";
    }
    void refusesWhatItCannotDo() {
        QFETCH(QString, program);
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QProcess server;
        server.start(program, args);
        QVERIFY(server.waitForFinished(kCapMs));
        QCOMPARE(server.exitCode(), exitCode);
        QVERIFY2(server.readAllStandardError().contains(message.toUtf8()), qPrintable(message));
        QVERIFY(server.readAllStandardOutput().isEmpty());
    }

    // The generated stocks a server was started with are in its listing; the embedded market's
    // own listing does not have them; a second server on its port is refused with 1; an
    // unreachable server is exit 1 after --timeout.
    void listWhatTheServerTrades() {
        ServerProcess server;
        QString error;
        QVERIFY2(server.Start({"--listen", "127.0.0.1:0", "--codes", "SZ002001"}, &error),
                 qPrintable(error));
        const Run listed = RunTool({"list", "--json", "--server", Address(server)});
        QVERIFY2(listed.exit_code == 0, listed.err.constData());
        QStringList codes;
        for (const QJsonValue& s : QJsonDocument::fromJson(listed.out)["stocks"].toArray())
            codes << s["code"].toString();
        QCOMPARE(codes.size(), 9 + 2);  // the listed nine, SH603001 and SZ002001
        QVERIFY(codes.contains("SH600000") && codes.contains("SH603001") &&
                codes.contains("SZ002001") && !codes.contains("SH603002"));
        QCOMPARE(
            QJsonDocument::fromJson(listed.out)["boards"].toArray().size(),
            QJsonDocument::fromJson(RunTool({"list", "--json"}).out)["boards"].toArray().size());
        QVERIFY(!RunTool({"list"}).out.contains("SH603001"));
        QProcess second;
        second.start(QStringLiteral(QZLV2_SERVER_FILE), {"--listen", Address(server)});
        QVERIFY(second.waitForFinished(kCapMs));
        QCOMPARE(second.exitCode(), 1);
        QVERIFY(second.readAllStandardError().contains("cannot listen on"));

        server.Signal(SIGKILL);
        server.WaitExit(kCapMs);
        const Run gone = RunTool({"list", "--server", Address(server), "--timeout", "1"});
        QCOMPARE(gone.exit_code, 1);
        QVERIFY2(gone.err.contains("no connection to the server at " + Address(server).toUtf8()),
                 gone.err.constData());
    }

    // Three clients of one server at once: two show their own stock's complete screen, the third
    // records two seconds of SH600000. The server stopped, the recording replays without it: the
    // live run's last book comes back.
    void clientsOfOneServerAndARecordingReplayed() {
        ServerProcess server;
        QString error;
        QVERIFY2(server.Start({"--listen", "127.0.0.1:0"}, &error), qPrintable(error));
        QTemporaryDir dir;
        const QString path = dir.filePath("tcp.qzr");
        tooltest::StartedRun recorded({"record", path, "watch", "SH600000", "--seconds", "2",
                                       "--json", "--server", Address(server)});
        tooltest::StartedRun a({"watch", "SH600000", "--once", "--plain", "--server",
                                Address(server), "--timeout", "60"});
        tooltest::StartedRun b({"watch", "SZ300750", "--once", "--plain", "--server",
                                Address(server), "--timeout", "60"});
        const Run screenA = a.Finish();
        const Run screenB = b.Finish();
        const Run live = recorded.Finish();
        QVERIFY2(screenA.exit_code == 0 && screenA.out.contains("SH600000") &&
                     screenA.out.contains("prev 10.52"),
                 screenA.out + screenA.err);
        QVERIFY2(screenB.exit_code == 0 && screenB.out.contains("SZ300750") &&
                     screenB.out.contains("prev 180.35"),
                 screenB.out + screenB.err);
        QVERIFY2(live.exit_code == 0, live.err.constData());
        server.Signal(SIGTERM);
        QCOMPARE(server.WaitExit(kCapMs), 0);

        const Run replayed =
            RunTool({"replay", path, "--json", "--speed", "1000", "--request-wait", "5000"});
        QVERIFY2(replayed.exit_code == 0, replayed.err.constData());
        const QList<QByteArray> liveLines = live.out.trimmed().split('\n');
        const QJsonObject lastLive = QJsonDocument::fromJson(liveLines.last()).object();
        QVERIFY(!lastLive["book"].isNull());
        bool found = false;
        for (const QByteArray& line : replayed.out.trimmed().split('\n'))
            found = found || QJsonDocument::fromJson(line).object()["book"] == lastLive["book"];
        QVERIFY2(found, "the live run's last book is among the replayed screens");
    }
};

QTEST_GUILESS_MAIN(TestQzlv2Server)
#include "tst_qzlv2server.moc"
