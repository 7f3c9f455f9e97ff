// The recording commands of qzlv2 run as a user runs them: `recording info` and `decode --from`
// on a recording laid out by hand (docs/recording.md) around the hand-laid bodies of data/, also
// cut short; `record` of a short watch, then `replay` of it twice.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

#include <zlib.h>

#include "tests/services/HandLaid.h"
#include "tools/qzlv2/DecodeCommand.h"

namespace {

constexpr int kRunMs = 60000;  // ms, bounded wait for the tool to finish

struct Run {
    int exit_code = -1;
    QByteArray out;
    QByteArray err;
};

Run RunTool(const QStringList& args, const QByteArray& input = QByteArray()) {
    QProcess p;
    p.start(QStringLiteral(QZLV2_TOOL_FILE), args);
    p.write(input);
    p.closeWriteChannel();
    const bool finished = p.waitForFinished(kRunMs) && p.exitStatus() == QProcess::NormalExit;
    return Run{finished ? p.exitCode() : -1, p.readAllStandardOutput(), p.readAllStandardError()};
}

QByteArray HexBody(const QString& name) {
    QFile file(QStringLiteral(QZLV2_TEST_DATA "/") + name);
    QByteArray body;
    QString error;
    if (!file.open(QIODevice::ReadOnly) || !qzlv2::ParseHex(file.readAll(), body, error)) {
        qWarning() << "cannot read" << name << error;
    }
    return body;
}

quint32 Crc(const QByteArray& b) {
    return quint32(crc32(0, reinterpret_cast<const Bytef*>(b.constData()), uInt(b.size())));
}

QByteArray Record(quint8 kind, quint32 timeMs, const QByteArray& fields) {
    const QByteArray payload = HandLaid().u8(kind).u32(timeMs).u32(0).bytes() + fields;
    return HandLaid().u32(quint32(payload.size())).u32(Crc(payload)).bytes() + payload;
}

QByteArray Blob(const QByteArray& b) {
    return HandLaid().u32(quint32(b.size())).bytes() + b;
}

// Link up, a 12989 request and two answers, a 10002 push, the link down.
QByteArray HandLaidRecording(int* lastRecordAt) {
    HandLaid h;
    for (char c : QByteArray("QZLV2REC")) {
        h.u8(quint8(c));
    }
    h.u16(1).u32(0).u32(0).str("qzlv2 record: watch SH600000");
    QByteArray all = h.bytes() + HandLaid().u32(Crc(h.bytes())).bytes();
    const QByteArray book = HexBody("12989_two_levels.hex");
    all += Record(5, 0, HandLaid().str("pcl2xtquote").u8(1).bytes());
    all += Record(1, 3,
                  HandLaid()
                          .str("pcl2xtquote")
                          .u32(12989)
                          .u16(0)
                          .i32(4)
                          .u16(2)
                          .str("String")
                          .str("Int32")
                          .bytes() +
                      Blob(HandLaid().str("SH600000").i32(10).bytes()));
    all += Record(2, 4, HandLaid().str("pcl2xtquote").u32(12989).i32(4).bytes() + Blob(book));
    all += Record(2, 504, HandLaid().str("pcl2xtquote").u32(12989).i32(4).bytes() + Blob(book));
    all += Record(
        3, 600, HandLaid().str("l2quote").u32(10001).bytes() + Blob(HexBody("10002_snapshot.hex")));
    *lastRecordAt = all.size();
    all += Record(5, 1500, HandLaid().str("l2quote").u8(2).bytes());
    return all;
}

QJsonObject Json(const QByteArray& text) {
    return QJsonDocument::fromJson(text).object();
}

// The book and the snapshot: what the recorded answers and pushes alone decide. The polled
// flow panels follow the plug-in's own timers, which run on real time, not the replay's.
QByteArray BookAndQuote(const QJsonObject& line) {
    const QJsonObject kept{{"book", line["book"]}, {"quote", line["quote"]}};
    return QJsonDocument(kept).toJson(QJsonDocument::Compact);
}

}  // namespace

class TestQzLv2Recording : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(dir_.isValid()); }

    void infoCountsWhatTheRecordingHolds_data() {
        QTest::addColumn<bool>("cut");
        QTest::newRow("whole") << false;
        QTest::newRow("last record cut short") << true;
    }
    void infoCountsWhatTheRecordingHolds() {
        QFETCH(bool, cut);
        int lastAt = 0;
        QByteArray bytes = HandLaidRecording(&lastAt);
        if (cut) {
            bytes.chop(3);
        }
        const QString path = Write("info.qzr", bytes);
        const Run r = RunTool({"recording", "info", path, "--json"});
        QVERIFY2(r.exit_code == 0, r.err.constData());
        const QJsonObject o = Json(r.out);
        QCOMPARE(o["recorder"].toString(), QString("qzlv2 record: watch SH600000"));
        QCOMPARE(o["bad_records"].toInt(), cut ? 1 : 0);
        QCOMPARE(o["duration_ms"].toInt(), cut ? 600 : 1500);
        QCOMPARE(o["link_events"].toArray().size(), cut ? 1 : 2);
        QCOMPARE(o["damage"].toString().contains(QString("offset %1").arg(lastAt)), cut);
        const QJsonObject fast = o["functions"].toArray().at(1).toObject();
        QCOMPARE(fast["function"].toInt(), 12989);
        QCOMPARE(fast["requests"].toInt(), 1);
        QCOMPARE(fast["answers"].toInt(), 2);
        const Run text = RunTool({"recording", "info", path});
        QCOMPARE(text.exit_code, 0);
        QVERIFY2(QString(text.out).contains(QRegularExpression("pcl2xtquote +12989 +1 +2 +0 +0\n")),
                 text.out.constData());
    }

    void decodeFromPicksBodies() {
        int lastAt = 0;
        const QString path = Write("decode.qzr", HandLaidRecording(&lastAt));
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

        QCOMPARE(RunTool({"decode", "--from", path, "--index", "3"}).exit_code, 1);
        QCOMPARE(RunTool({"decode", "--from", path, "12989"}).exit_code, 2);
        QCOMPARE(RunTool({"decode", "--from", dir_.filePath("missing.qzr")}).exit_code, 1);
    }

    // A short live watch recorded, then replayed twice: the same bytes, and the live screen
    // among the replayed ones.
    void recordThenReplayTwice() {
        const QString path = dir_.filePath("s.qzr");
        const Run live = RunTool({"record", path, "watch", "SH600000", "--once", "--json"});
        QVERIFY2(live.exit_code == 0, live.err.constData());
        const QStringList replayArgs = {"replay",         path, "--json", "--speed", "1000",
                                        "--request-wait", "200"};
        const Run first = RunTool(replayArgs);
        const Run second = RunTool(replayArgs);
        QVERIFY2(first.exit_code == 0, first.err.constData());
        QCOMPARE(first.out, second.out);
        QList<QByteArray> replayed;
        for (const QByteArray& line : first.out.trimmed().split('\n')) {
            replayed << BookAndQuote(Json(line));
        }
        QVERIFY2(replayed.contains(BookAndQuote(Json(live.out.trimmed()))), first.out.constData());

        // One delivery per line: no line, only the screen before any answer; lines enough, the
        // same last screen.
        const QStringList stepArgs = {"replay", path, "--json", "--step", "--request-wait", "200"};
        const Run none = RunTool(stepArgs);
        QCOMPARE(none.exit_code, 0);
        QCOMPARE(none.out.count('\n'), 1);
        QVERIFY(Json(none.out)["book"].isNull());
        const Run stepped = RunTool(stepArgs, QByteArray(10000, '\n'));
        QCOMPARE(stepped.exit_code, 0);
        QCOMPARE(stepped.out.trimmed().split('\n').last(), first.out.trimmed().split('\n').last());
    }

    void usageErrors_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("record without a command") << QStringList{"record", "x.qzr"};
        QTest::newRow("record of another command") << QStringList{"record", "x.qzr", "list"};
        QTest::newRow("replay speed 0") << QStringList{"replay", "x.qzr", "--speed", "0"};
        QTest::newRow("replay speed and step")
            << QStringList{"replay", "x.qzr", "--speed", "2", "--step"};
        QTest::newRow("recording without info") << QStringList{"recording", "show", "x.qzr"};
    }
    void usageErrors() {
        QFETCH(QStringList, args);
        QCOMPARE(RunTool(args).exit_code, 2);
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
