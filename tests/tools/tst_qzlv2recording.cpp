// Recording and replay in qzlv2, the commands run as a user runs them: `recording info` and
// `decode --from` on recordings laid out by hand around the hand-laid bodies of data/ (a file that
// is not a recording: tst_qzlv2's exit codes), `replay --step` stopped by a signal. (`record` of a
// watch replayed by the tool: tst_qzlv2server, over TCP; a recording made in process on the
// injected clock and replayed through the plug-in: tst_quotewindow.)
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <csignal>

#include "tests/host/access/RecordingFixture.h"
#include "tests/tools/ToolRun.h"

namespace {

using tooltest::HexBody;
using tooltest::Run;
using tooltest::RunTool;

// Link up, a 12989 request and two answers, a 10002 push, the link down.
QByteArray HandLaidRecording() {
    const QByteArray book = HexBody("12989_two_levels.hex");
    return laid::Header(1, 0, "qzlv2 record: watch SH600000") + laid::Link(0, "pcl2xtquote", 1) +
           laid::Request(3, 0, 4) + laid::Answer(4, 4, book) + laid::Answer(504, 4, book) +
           laid::Push(600, 10001, HexBody("10002_snapshot.hex")) + laid::Link(1500, "l2quote", 2);
}

QJsonObject Json(const QByteArray& text) {
    return QJsonDocument::fromJson(text).object();
}

}  // namespace

class TestQzLv2Recording : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules("*.debug=false\n*.warning=false"); }
    void init() { QVERIFY(dir_.isValid()); }

    void infoCountsWhatTheRecordingHolds() {
        const QString path = Write("info.qzr", HandLaidRecording());
        const Run r = RunTool({"recording", "info", path, "--json"});
        QVERIFY2(r.exit_code == 0, r.err.constData());
        const QJsonObject o = Json(r.out);
        QCOMPARE(o["recorder"].toString(), QString("qzlv2 record: watch SH600000"));
        QCOMPARE(o["bad_records"].toInt(), 0);
        QCOMPARE(o["duration_ms"].toInt(), 1500);
        QCOMPARE(o["link_events"].toArray().size(), 2);
        const QJsonObject fast = o["functions"].toArray().at(1).toObject();
        QCOMPARE(fast["function"].toInt(), 12989);
        QCOMPARE(fast["requests"].toInt(), 1);
        QCOMPARE(fast["answers"].toInt(), 2);
    }

    void decodeFromPicksBodies() {
        const QString path = Write("decode.qzr", HandLaidRecording());
        const Run all = RunTool({"decode", "--from", path});
        QVERIFY2(all.exit_code == 0, all.err.constData());
        const QList<QByteArray> lines = all.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 3);
        QCOMPARE(Json(lines.at(2))["kind"].toString(), QString("push"));
        QCOMPARE(Json(lines.at(2))["function"].toInt(), 10001);

        const Run one = RunTool({"decode", "--from", path, "--function", "12989", "--index", "1"});
        QVERIFY2(one.exit_code == 0, one.err.constData());
        const Run direct = RunTool(
            {"decode", "12989", QStringLiteral(QZLV2_TEST_DATA "/12989_two_levels.hex"), "--hex"});
        QCOMPARE(Json(one.out)["record"], Json(direct.out)["record"]);
        QCOMPARE(Json(one.out)["time_ms"].toInt(), 504);

        // Bytes after a complete body: an error with --strict only.
        const QString trailing =
            Write("trailing.qzr", laid::Header(1, 0, "t") + laid::Request(3, 0, 4) +
                                      laid::Answer(4, 4, HexBody("12989_trailing.hex")));
        QCOMPARE(RunTool({"decode", "--from", trailing}).exit_code, 0);
        const Run strict = RunTool({"decode", "--from", trailing, "--strict"});
        QCOMPARE(strict.exit_code, 1);
        QCOMPARE(Json(strict.out)["error"].toString(),
                 QString("3 trailing bytes at offset 73 after a complete body"));
        QVERIFY(!Json(strict.out).contains("record"));

        // A body of a function nothing decodes is listed as skipped, not an error.
        const Run skipped = RunTool(
            {"decode", "--from",
             Write("skipped.qzr", laid::Header(1, 0, "t") + laid::Push(4, 12931, "\x01\x02")),
             "--strict"});
        QCOMPARE(skipped.exit_code, 0);
        QCOMPARE(Json(skipped.out)["skipped"].toString(), QString("function 12931 is not decoded"));
        QCOMPARE(Json(skipped.out)["body_bytes"].toInt(), 2);
        QVERIFY(!Json(skipped.out).contains("record") && !Json(skipped.out).contains("error"));

        QCOMPARE(RunTool({"decode", "--from", path, "--index", "3"}).exit_code, 1);
        QCOMPARE(RunTool({"decode", "--from", path, "12989"}).exit_code, 2);
    }

    // One delivery per line on stdin: waiting for a line, the replay still ends on a signal, with
    // its code (every signal's code: tst_qzlv2).
    void replayStepEndsOnASignal() {
        const QString path = Write("step.qzr", HandLaidRecording());
        QProcess p;
        p.start(QZLV2_TOOL_FILE, {"replay", path, "--json", "--step"});
        QVERIFY(p.waitForStarted(tooltest::kRunMs));
        // The screen before any delivery, then it waits for a line that does not come.
        QByteArray out;
        QTRY_VERIFY2_WITH_TIMEOUT((out += p.readAllStandardOutput()).contains('\n'),
                                  p.readAllStandardError().constData(), tooltest::kRunMs);
        ::kill(pid_t(p.processId()), SIGINT);
        QVERIFY(p.waitForFinished(tooltest::kRunMs));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 130);
        QCOMPARE(out.count('\n'), 1);  // nothing played without its line
    }

private:
    QString Write(const QString& name, const QByteArray& bytes) {
        QFile file(dir_.filePath(name));
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return file.fileName();
    }

    QTemporaryDir dir_;
};

QTEST_GUILESS_MAIN(TestQzLv2Recording)
#include "tst_qzlv2recording.moc"
