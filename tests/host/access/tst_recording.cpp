// Session recordings at the accessor's backend seam. The format, from files laid out by hand:
// every kind read and written back, and damage (a cut at every byte, a flipped bit in every
// record, lengths out of range, fields that do not fill their payload) that keeps every good record
// before it. The recording backend passes everything through and writes it from its writer thread
// (bounded queue, drop count, many submitting threads). The replay backend matches live requests
// to recorded ones, holds an answer until its request comes, reports what it cannot answer.
#include <QtTest>

#include <algorithm>
#include <thread>
#include <vector>

#include "host/access/CHQOWNServerAccesser.h"
#include "host/access/ScriptedServerBackend.h"
#include "host/access/recording/RecordingBackend.h"
#include "host/access/recording/RecordingFormat.h"
#include "host/access/recording/RecordingReader.h"
#include "host/access/recording/RecordingWriter.h"
#include "host/access/recording/ReplayBackend.h"
#include "host/core/DetachedCopy.h"
#include "host/core/HostClock.h"
#include "tests/host/access/RecordingFixture.h"

using namespace recording;
using namespace laid;

namespace {

constexpr int kWaitMs = 5000;  // ms, bounded wait for cross-thread deliveries
constexpr qint64 kStart = 1717731000123;

// Every kind once, and where each record starts.
QByteArray Sample(QVector<int>* starts) {
    QByteArray all = Header(1, kStart, "hand");
    for (const QByteArray& r :
         {Request(5, 3, 7), Answer(9, 7, "\x01\x02"), Push(500, 10001, "abc"),
          Record(4, 600, HandLaid().str("l2quote").u32(10002).i32(8).i32(-3).str("busy").bytes()),
          Link(700, "l2quote", 2), Record(6, 800, HandLaid().u32(42).bytes())}) {
        starts->append(all.size());
        all += r;
    }
    return all;
}

// What an accessor's receivers of 12989 (serial) and 10001 (push) got, as "function:body",
// "function:fail code text" and "state:N", in order.
struct Heard {
    void Attach(CHQOWNServerAccesser& a) {
        a.RegisterFuncAsSerial(12989);
        a.RegisterFuncAsPush(10001);
        for (int f : {12989, 10001}) {
            a.RegisterReceiver(
                ReceiverKey(f),
                [this](const Resp_s& r) {
                    Add(QString("%1:%2").arg(r.funcId).arg(QString(r.body)));
                },
                [this, f](int, int code, const QString& text) {
                    Add(QString("%1:fail %2 %3").arg(f).arg(code).arg(text));
                });
        }
        a.RegisterAccessStateObserver(
            [this](_enAccessState s) { Add(QString("state:%1").arg(s)); });
    }
    void Add(const QString& s) {
        QMutexLocker lock(&mutex);
        got << s;
    }
    QStringList Got() const {
        QMutexLocker lock(&mutex);
        return DetachedCopy(got);
    }
    mutable QMutex mutex;
    QStringList got;
};

RequestParams Params(const QString& code, int count) {
    return {{"String", code}, {"Int32", count}};
}

RecordedEvent PushEvent(int function, const QByteArray& body) {
    RecordedEvent e;
    e.kind = Kind::Push;
    e.function = function;
    e.body = body;
    return e;
}

}  // namespace

class TestRecording : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules("*.debug=false\n*.warning=false"); }
    void init() { HostClock::SetForTest(kStart); }
    void cleanup() {
        ServerBackendRegistry::Clear();
        HostClock::UseSystemClock();
    }

    void readsAndWritesEveryKindLaidByHand() {
        QVector<int> starts;
        const QByteArray sample = Sample(&starts);
        const Recording r = RecordingReader::Read(sample);
        QVERIFY2(r.valid && r.warning.isEmpty(), qPrintable(r.error + r.warning));
        QCOMPARE(r.header.version, quint16(1));
        QCOMPARE(r.header.startMs, kStart);
        QCOMPARE(r.header.recorder, QString("hand"));
        QCOMPARE(Describe(r.events), QStringList({
                                         "1@5 pcl2xtquote 12989 3 7 String,Int32  0  0 0",
                                         "2@9 pcl2xtquote 12989 0 7  0102 0  0 0",
                                         "3@500 l2quote 10001 0 -1  616263 0  0 0",
                                         "4@600 l2quote 10002 0 8   -3 busy 0 0",
                                         "5@700 l2quote 0 0 -1   0  2 0",
                                         "6@800  0 0 -1   0  0 42",
                                     }));
        QCOMPARE(r.events.at(0).params, HandLaid().str("SH600000").i32(10).bytes());
        QCOMPARE(r.events.at(0).offset, qint64(starts.first()));
        QByteArray again = RecordingFormat::EncodeHeader(r.header);
        for (const RecordedEvent& e : r.events)
            again += RecordingFormat::EncodeRecord(e);
        QCOMPARE(again.toHex(), sample.toHex());
    }

    // A bad header rejects the file (events -1); a bad record, between two good pushes, stops the
    // reading there; an unknown kind is a good record that is skipped.
    void damagedHeadersAndRecords_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("events");
        QTest::addColumn<QString>("error");
        QByteArray badCrc = Header(1, kStart, "x");
        badCrc[12] = char(badCrc[12] ^ 0x10);
        QByteArray badMagic = Header(1, kStart, "x");
        badMagic[0] = 'X';
        QTest::newRow("not a recording") << badMagic << -1 << "no \"QZLV2REC\"";
        QTest::newRow("header CRC") << badCrc << -1 << "header CRC mismatch at offset 21";
        QTest::newRow("unknown version") << Header(2, kStart, "x") << -1 << "format version 2";
        const QByteArray tooShort = HandLaid().u8(5).u32(0).bytes();  // 5 < 9 bytes
        QTest::newRow("payload shorter than kind and time")
            << HandLaid().u32(5).u32(Crc(tooShort)).bytes() + tooShort << 1
            << "length 5 out of range";
        QTest::newRow("payload over 64 MiB")
            << HandLaid().u32(64u * 1024 * 1024 + 1).u32(0).bytes() << 1 << "out of range";
        QTest::newRow("blob longer than the payload")
            << Record(3, 1, HandLaid().str("l2quote").u32(10001).u32(1000).bytes() + "ab") << 1
            << "runs past the payload";
        QTest::newRow("bytes after the fields")
            << Record(6, 1, HandLaid().u32(1).u8(0).bytes()) << 1 << "1 bytes after the last field";
        QTest::newRow("string longer than the payload")
            << Record(5, 1, HandLaid().u16(300).bytes()) << 1 << "runs past the payload";
        QTest::newRow("unknown kind") << Record(99, 3, "future") << 2 << QString();
    }
    void damagedHeadersAndRecords() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, events);
        QFETCH(QString, error);
        const QByteArray head = Header(1, kStart, "x") + Push(1, 10001, "abc");
        const Recording r =
            RecordingReader::Read(events < 0 ? bytes : head + bytes + Push(2, 10001, "abc"));
        QCOMPARE(r.valid, events >= 0);
        QCOMPARE(r.events.size(), std::max(events, 0));
        const QString said = events < 0 ? r.error : r.warning;
        QVERIFY2(error.isEmpty() ? said.isEmpty() : said.contains(error), qPrintable(said));
        QCOMPARE(r.damageOffset, events == 1 ? qint64(head.size()) : -1);
        QCOMPARE(r.unknownRecords, events == 2 ? 1 : 0);
    }

    // A cut header rejects the file. At every cut inside the records, the records wholly before
    // the cut are kept, with one warning naming the start of the cut record; a flipped bit anywhere
    // in a record stops reading there.
    void cutOrFlippedBitAtEveryByteKeepsTheGoodRecords() {
        QVector<int> starts;
        const QByteArray all = Sample(&starts);
        for (int at = 0; at < starts.first(); ++at) {
            const Recording cut = RecordingReader::Read(all.left(at));
            QVERIFY2(!cut.valid && cut.error.contains(QString("cut short (%1 bytes)").arg(at)),
                     qPrintable(cut.error));
        }
        for (int at = starts.first(); at < all.size(); ++at) {
            const int record =
                int(std::upper_bound(starts.begin(), starts.end(), at) - starts.begin()) - 1;
            const bool boundary = starts.contains(at);
            const Recording cut = RecordingReader::Read(all.left(at));
            QVERIFY(cut.valid);
            QCOMPARE(cut.events.size(), record);
            QCOMPARE(cut.damageOffset, boundary ? -1 : qint64(starts.at(record)));
            QCOMPARE(cut.warning.isEmpty(), boundary);
            QByteArray damaged = all;
            damaged[at] = char(damaged[at] ^ (1 << (at % 8)));
            const Recording flipped = RecordingReader::Read(damaged);
            QVERIFY(flipped.valid);
            QCOMPARE(flipped.events.size(), record);
            QCOMPARE(flipped.damageOffset, qint64(starts.at(record)));
            QVERIFY(flipped.warning.contains(QString("offset %1").arg(starts.at(record))));
        }
    }

    void recordsWhatPassesThrough() {
        QTemporaryDir dir;
        auto writer = std::make_shared<RecordingWriter>();
        QString error;
        QVERIFY2(writer->Open(dir.filePath("s.qzr"), "test", &error), qPrintable(error));
        auto scripted = std::make_shared<ScriptedServerBackend>();
        ServerBackendRegistry::Install("l2quote", scripted);
        RecordingBackend::WrapInstalled({"l2quote"}, writer);
        Heard heard;
        int task = -1;
        {
            CHQOWNServerAccesser accessor("l2quote", nullptr, 0);
            heard.Attach(accessor);
            scripted->SetAccessState(eAccessState_Connected);
            HostClock::AdvanceForTest(40);
            task = accessor.AppendTaskByParams(12989, 3, {}, Params("SH600000", 10));
            QVERIFY(scripted->WaitForRequests(1, kWaitMs));
            QCOMPARE(scripted->Requests().at(0).taskId, task);
            HostClock::AdvanceForTest(10);
            scripted->Answer(scripted->Requests().at(0), "book");
            scripted->Fail(scripted->Requests().at(0), 7, "busy");
            scripted->Push(10001, "snap");
            QTRY_COMPARE_WITH_TIMEOUT(heard.Got().size(), 4, kWaitMs);
            QCOMPARE(heard.Got(),
                     QStringList({"state:1", "12989:book", "12989:fail 7 busy", "10001:snap"}));
        }
        QVERIFY(writer->Close());
        const Recording r = RecordingReader::ReadFile(dir.filePath("s.qzr"));
        QVERIFY2(r.valid, qPrintable(r.error));
        QCOMPARE(r.header.startMs, kStart);
        QCOMPARE(r.header.recorder, QString("test"));
        QCOMPARE(Describe(r.events),
                 QStringList({
                     "5@0 l2quote 0 0 -1   0  1 0",
                     QString("1@40 l2quote 12989 3 %1 String,Int32  0  0 0").arg(task),
                     QString("2@50 l2quote 12989 0 %1  626f6f6b 0  0 0").arg(task),
                     QString("4@50 l2quote 12989 0 %1   7 busy 0 0").arg(task),
                     "3@50 l2quote 10001 0 -1  736e6170 0  0 0",
                 }));
        QCOMPARE(r.events.at(1).params, HandLaid().str("SH600000").i32(10).bytes());
    }

    // A held writer fills its queue; what does not fit is dropped, counted, and marked in the file
    // by a "dropped" record before the next event that fits.
    void boundedQueueDropsAndCounts_data() {
        QTest::addColumn<int>("maxQueued");
        QTest::addColumn<qint64>("maxBytes");
        QTest::addColumn<int>("bodySize");
        QTest::addColumn<int>("kept");
        QTest::newRow("count bound") << 4 << qint64(1 << 20) << 10 << 4;
        QTest::newRow("byte bound") << 100 << qint64(250) << 100 << 2;
        QTest::newRow("room for all") << 100 << qint64(1 << 20) << 10 << 10;
    }
    void boundedQueueDropsAndCounts() {
        QFETCH(int, maxQueued);
        QFETCH(qint64, maxBytes);
        QFETCH(int, bodySize);
        QFETCH(int, kept);
        QTemporaryDir dir;
        RecordingWriter writer(maxQueued, maxBytes);
        QString error;
        QVERIFY(writer.Open(dir.filePath("s.qzr"), "test", &error));
        writer.HoldForTest(true);
        int accepted = 0;
        for (int i = 0; i < 10; ++i)
            accepted += writer.Submit(PushEvent(10001, QByteArray(bodySize, 'x'))) ? 1 : 0;
        QCOMPARE(accepted, kept);
        QCOMPARE(writer.DroppedCount(), quint64(10 - kept));
        writer.HoldForTest(false);
        QTRY_COMPARE_WITH_TIMEOUT(writer.WrittenCount(), quint64(kept), kWaitMs);
        QVERIFY(writer.Submit(PushEvent(10002, {})));
        QVERIFY(writer.Close());
        const Recording r = RecordingReader::ReadFile(dir.filePath("s.qzr"));
        const bool gap = kept < 10;
        QCOMPARE(r.events.size(), kept + 1 + (gap ? 1 : 0));
        if (gap) {
            QCOMPARE(int(r.events.at(kept).kind), int(Kind::Dropped));
            QCOMPARE(r.events.at(kept).dropped, quint32(10 - kept));
        }
        QCOMPARE(r.events.last().function, 10002);
    }

    // Threads submitting at once while the writer thread writes: nothing lost, each thread's
    // events in its own order.
    void manySubmittersKeepTheirOrder() {
        constexpr int kThreads = 4;
        constexpr int kEach = 2000;
        QTemporaryDir dir;
        RecordingWriter writer;
        QString error;
        QVERIFY(writer.Open(dir.filePath("s.qzr"), "test", &error));
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([&writer, t] {
                for (int i = 0; i < kEach; ++i)
                    writer.Submit(PushEvent(10000 + t, QByteArray::number(i)));
            });
        for (std::thread& t : threads)
            t.join();
        QVERIFY(writer.Close());
        QCOMPARE(writer.DroppedCount(), quint64(0));
        const Recording r = RecordingReader::ReadFile(dir.filePath("s.qzr"));
        QCOMPARE(r.events.size(), kThreads * kEach);
        QVector<int> next(kThreads, 0);
        for (const RecordedEvent& e : r.events) {
            QCOMPARE(e.body, QByteArray::number(next[e.function - 10000]++));
        }
    }

    // The n-th live request of a key takes the n-th recorded one; answers go to the live request
    // in recorded order, pushes and link events to every link of the service, at recorded times.
    void replayMatchesRequestsAndDeliversInOrder() {
        ReplayBackend replay(RecordingReader::Read(
            Header(1, kStart, "t") + Link(0, "pcl2xtquote", 1) + Request(10, 0, 100) +
            Request(11, 0, 101, "SZ000001") + Answer(12, 101, "b1") + Answer(13, 100, "a1") +
            Push(500, 10001, "p", "pcl2xtquote") + Answer(1000, 100, "a2")));
        replay.InstallForServices();
        QCOMPARE(replay.Services(), QStringList({"pcl2xtquote"}));
        Heard heard;
        CHQOWNServerAccesser accessor("pcl2xtquote", nullptr, 0);
        heard.Attach(accessor);
        QCOMPARE(replay.DeliverNext(), ReplayBackend::Step::Delivered);
        QCOMPARE(heard.Got(), QStringList({"state:1"}));
        // The answer to b is due first but b was not asked yet: the replay waits.
        accessor.AppendTaskByParams(12989, {}, Params("SH600000", 10));
        QCOMPARE(replay.DeliverNext(), ReplayBackend::Step::Waiting);
        QVERIFY(!replay.WaitForRequest(10));
        accessor.AppendTaskByParams(12989, {}, Params("SZ000001", 10));
        QVERIFY(replay.WaitForRequest(kWaitMs));
        QCOMPARE(replay.AdvanceTo(500), ReplayBackend::Step::Delivered);
        QCOMPARE(HostClock::NowMs(), kStart + 500);
        QCOMPARE(replay.NextTimeMs(), qint64(1000));
        QCOMPARE(replay.AdvanceTo(2000), ReplayBackend::Step::Finished);
        QCOMPARE(heard.Got(),
                 QStringList({"state:1", "12989:b1", "12989:a1", "10001:p", "12989:a2"}));
        QCOMPARE(replay.DeliveredCount(), replay.EventCount());
        QVERIFY(replay.Reports().isEmpty());
    }

    // A recorded request nothing answered (sent while the link was down) is passed over: the
    // plug-in's one request of the key takes the answered one; a repeat is neither answered nor
    // reported.
    void replayPassesOverUnansweredRecordedRequests() {
        ReplayBackend replay(RecordingReader::Read(Header(1, kStart, "t") +
                                                   Link(0, "pcl2xtquote", 1) + Request(5, 0, 100) +
                                                   Request(3000, 0, 101) + Answer(3010, 101, "a")));
        replay.InstallForServices();
        Heard heard;
        CHQOWNServerAccesser accessor("pcl2xtquote", nullptr, 0);
        heard.Attach(accessor);
        accessor.AppendTaskByParams(12989, {}, Params("SH600000", 10));
        QCOMPARE(replay.AdvanceTo(5000), ReplayBackend::Step::Finished);
        QCOMPARE(heard.Got(), QStringList({"state:1", "12989:a"}));
        accessor.AppendTaskByParams(12989, {}, Params("SH600000", 10));
        QVERIFY(replay.Reports().isEmpty());
    }

    void replayReportsWhatTheRecordingCannotAnswer_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("count");
        QTest::newRow("other stock") << "SH600001" << 10;
        QTest::newRow("other level count") << "SH600000" << 5;
        QTest::newRow("recorded") << "SH600000" << 10;
    }
    void replayReportsWhatTheRecordingCannotAnswer() {
        QFETCH(QString, code);
        QFETCH(int, count);
        const bool reported = code != "SH600000" || count != 10;  // what the recording holds
        ReplayBackend replay(
            RecordingReader::Read(Header(1, kStart, "t") + Request(1, 0, 5) + Answer(2, 5, "x")));
        replay.InstallForServices();
        CHQOWNServerAccesser accessor("pcl2xtquote", nullptr, 0);
        accessor.RegisterFuncAsSerial(12989);
        accessor.AppendTaskByParams(12989, {}, Params(code, count));
        accessor.AppendTaskByParams(12989, {}, Params(code, count));  // reported once
        QCOMPARE(replay.Reports().size(), reported ? 1 : 0);
        if (reported) {
            const QString report = replay.Reports().first();
            QVERIFY2(report.contains("function 12989 on pcl2xtquote"), qPrintable(report));
            QVERIFY2(report.contains(QString("String %1; Int32 %2").arg(code).arg(count)),
                     qPrintable(report));
            // The recorded answer's request never came: the driver skips it, reported too.
            QCOMPARE(replay.DeliverNext(), ReplayBackend::Step::Waiting);
            replay.SkipNext();
            QCOMPARE(replay.Reports().size(), 2);
            QVERIFY(replay.Reports().last().contains("did not ask"));
        }
        QCOMPARE(replay.DeliverNext(),
                 reported ? ReplayBackend::Step::Finished : ReplayBackend::Step::Delivered);
    }
};

QTEST_GUILESS_MAIN(TestRecording)
#include "tst_recording.moc"
