// Recording and replaying at the accessor's backend seam: the recording backend passes
// everything through and writes it all, in order, from its writer thread (bounded queue, drop
// count, many submitting threads); the replay backend matches live requests to recorded ones,
// holds an answer until its request comes, and reports requests the recording cannot answer.
#include <QtTest>

#include <memory>
#include <thread>
#include <vector>

#include "host/access/CHQOWNServerAccesser.h"
#include "host/access/RequestParamCodec.h"
#include "host/access/ScriptedServerBackend.h"
#include "host/access/recording/RecordingBackend.h"
#include "host/access/recording/RecordingReader.h"
#include "host/access/recording/RecordingWriter.h"
#include "host/access/recording/ReplayBackend.h"
#include "host/core/DetachedCopy.h"
#include "host/core/HostClock.h"

using namespace recording;

namespace {

const char kService[] = "l2quote";
constexpr int kWaitMs = 5000;  // ms, bounded wait for cross-thread deliveries
constexpr qint64 kStart = 1717731000000;

// What an accessor's receivers got, as "function:body" and "state:N", in order.
struct Heard {
    void Attach(CHQOWNServerAccesser& a, const QList<int>& serial, const QList<int>& push) {
        for (int f : serial) {
            a.RegisterFuncAsSerial(f);
        }
        for (int f : push) {
            a.RegisterFuncAsPush(f);
        }
        for (int f : serial + push) {
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

QByteArray Encoded(const RequestParams& params) {
    QByteArray bytes;
    QString error;
    RequestParamCodec::Encode(params, &bytes, &error);
    return bytes;
}

RecordedEvent Request(quint64 t, int task, int function, const RequestParams& params) {
    RecordedEvent e;
    e.kind = Kind::Request;
    e.timeMs = t;
    e.service = kService;
    e.function = function;
    e.taskId = task;
    for (const auto& p : params) {
        e.tags << p.first;
    }
    e.params = Encoded(params);
    return e;
}

RecordedEvent Answer(quint64 t, int task, int function, const QByteArray& body) {
    RecordedEvent e;
    e.kind = Kind::Answer;
    e.timeMs = t;
    e.service = kService;
    e.function = function;
    e.taskId = task;
    e.body = body;
    return e;
}

RecordedEvent Push(quint64 t, int function, const QByteArray& body) {
    RecordedEvent e = Answer(t, -1, function, body);
    e.kind = Kind::Push;
    return e;
}

RecordedEvent LinkState(quint64 t, _enAccessState state) {
    RecordedEvent e;
    e.kind = Kind::Link;
    e.timeMs = t;
    e.service = kService;
    e.state = state;
    return e;
}

Recording Make(const QVector<RecordedEvent>& events) {
    Recording r;
    r.valid = true;
    r.header.version = 1;
    r.header.startMs = kStart;
    r.events = events;
    return r;
}

QString TempPath(QTemporaryDir& dir) {
    return dir.filePath("s.qzr");
}

}  // namespace

class TestRecordingBackend : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules("*.debug=false\n*.warning=false"); }
    void init() { HostClock::SetForTest(kStart); }
    void cleanup() {
        ServerBackendRegistry::Clear();
        HostClock::UseSystemClock();
    }

    // Everything passes through unchanged and lands in the file in order, with its fields.
    void recordsWhatPassesThrough() {
        QTemporaryDir dir;
        auto writer = std::make_shared<RecordingWriter>();
        QString error;
        QVERIFY2(writer->Open(TempPath(dir), "test", &error), qPrintable(error));
        auto scripted = std::make_shared<ScriptedServerBackend>();
        ServerBackendRegistry::Install(kService, scripted);
        RecordingBackend::WrapInstalled({kService}, writer);
        Heard heard;
        {
            CHQOWNServerAccesser accessor(kService, nullptr, 0);
            heard.Attach(accessor, {12989}, {10001});
            scripted->SetAccessState(eAccessState_Connected);
            HostClock::AdvanceForTest(40);
            const int task = accessor.AppendTaskByParams(12989, 3, {}, Params("SH600000", 10));
            QVERIFY(scripted->WaitForRequests(1, kWaitMs));
            HostClock::AdvanceForTest(10);
            scripted->Answer(scripted->Requests().at(0), "book");
            scripted->Fail(scripted->Requests().at(0), 7, "busy");
            scripted->Push(10001, "snap");
            QTRY_COMPARE_WITH_TIMEOUT(heard.Got().size(), 4, kWaitMs);
            QCOMPARE(heard.Got(),
                     QStringList({"state:1", "12989:book", "12989:fail 7 busy", "10001:snap"}));
            QCOMPARE(scripted->Requests().at(0).taskId, task);
        }
        QVERIFY(writer->Close());
        const Recording r = RecordingReader::ReadFile(TempPath(dir));
        QVERIFY2(r.valid, qPrintable(r.error));
        QCOMPARE(r.header.startMs, kStart);
        QCOMPARE(r.header.recorder, QString("test"));
        QCOMPARE(r.events.size(), 5);
        QCOMPARE(int(r.events.at(0).kind), int(Kind::Link));
        const RecordedEvent& req = r.events.at(1);
        QCOMPARE(int(req.kind), int(Kind::Request));
        QCOMPARE(req.timeMs, quint64(40));
        QCOMPARE(req.service, QString(kService));
        QCOMPARE(req.flags, quint16(3));
        QCOMPARE(req.tags, QStringList({"String", "Int32"}));
        QCOMPARE(req.params, Encoded(Params("SH600000", 10)));
        QCOMPARE(int(r.events.at(2).kind), int(Kind::Answer));
        QCOMPARE(r.events.at(2).timeMs, quint64(50));
        QCOMPARE(r.events.at(2).taskId, req.taskId);
        QCOMPARE(r.events.at(2).body, QByteArray("book"));
        QCOMPARE(r.events.at(3).text, QString("busy"));
        QCOMPARE(r.events.at(4).body, QByteArray("snap"));
        QCOMPARE(r.events.at(4).function, 10001);
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
        QVERIFY(writer.Open(TempPath(dir), "test", &error));
        writer.HoldForTest(true);
        RecordedEvent e = Push(0, 10001, QByteArray(bodySize, 'x'));
        int accepted = 0;
        for (int i = 0; i < 10; ++i) {
            accepted += writer.Submit(e) ? 1 : 0;
        }
        QCOMPARE(accepted, kept);
        QCOMPARE(writer.DroppedCount(), quint64(10 - kept));
        writer.HoldForTest(false);
        QTRY_COMPARE_WITH_TIMEOUT(writer.WrittenCount(), quint64(kept), kWaitMs);
        e.function = 10002;
        QVERIFY(writer.Submit(e));
        QVERIFY(writer.Close());
        const Recording r = RecordingReader::ReadFile(TempPath(dir));
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
        QVERIFY(writer.Open(TempPath(dir), "test", &error));
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&writer, t] {
                for (int i = 0; i < kEach; ++i) {
                    RecordedEvent e = Answer(0, i, 10000 + t, QByteArray::number(i));
                    writer.Submit(e);
                }
            });
        }
        for (std::thread& t : threads) {
            t.join();
        }
        QVERIFY(writer.Close());
        QCOMPARE(writer.DroppedCount(), quint64(0));
        const Recording r = RecordingReader::ReadFile(TempPath(dir));
        QCOMPARE(r.events.size(), kThreads * kEach);
        QVector<int> next(kThreads, 0);
        for (const RecordedEvent& e : r.events) {
            const int t = e.function - 10000;
            QCOMPARE(e.taskId, next[t]);
            ++next[t];
        }
    }

    // The n-th live request of a key takes the n-th recorded one; answers go to the live request
    // in recorded order, pushes and link events to every link of the service, at recorded times.
    void replayMatchesRequestsAndDeliversInOrder() {
        const RequestParams a = Params("SH600000", 10);
        const RequestParams b = Params("SZ000001", 10);
        ReplayBackend replay(Make({LinkState(0, eAccessState_Connected), Request(10, 100, 12989, a),
                                   Request(11, 101, 12989, b), Answer(12, 101, 12989, "b1"),
                                   Answer(13, 100, 12989, "a1"), Push(500, 10001, "p"),
                                   Answer(1000, 100, 12989, "a2")}));
        replay.InstallForServices();
        QCOMPARE(replay.Services(), QStringList({kService}));
        Heard heard;
        CHQOWNServerAccesser accessor(kService, nullptr, 0);
        heard.Attach(accessor, {12989}, {10001});
        QCOMPARE(replay.DeliverNext(), ReplayBackend::Step::Delivered);
        QCOMPARE(heard.Got(), QStringList({"state:1"}));
        // The answer to b is due first but b was not asked yet: the replay waits.
        accessor.AppendTaskByParams(12989, {}, a);
        QCOMPARE(replay.DeliverNext(), ReplayBackend::Step::Waiting);
        QVERIFY(!replay.WaitForRequest(10));
        accessor.AppendTaskByParams(12989, {}, b);
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

    void replayReportsWhatTheRecordingCannotAnswer_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("reported");
        QTest::newRow("other stock") << "SH600001" << 10 << true;
        QTest::newRow("other level count") << "SH600000" << 5 << true;
        QTest::newRow("recorded") << "SH600000" << 10 << false;
    }
    void replayReportsWhatTheRecordingCannotAnswer() {
        QFETCH(QString, code);
        QFETCH(int, count);
        QFETCH(bool, reported);
        ReplayBackend replay(
            Make({Request(1, 5, 12989, Params("SH600000", 10)), Answer(2, 5, 12989, "x")}));
        replay.InstallForServices();
        CHQOWNServerAccesser accessor(kService, nullptr, 0);
        accessor.RegisterFuncAsSerial(12989);
        accessor.AppendTaskByParams(12989, {}, Params(code, count));
        accessor.AppendTaskByParams(12989, {}, Params(code, count));  // reported once
        QCOMPARE(replay.Reports().size(), reported ? 1 : 0);
        if (reported) {
            const QString report = replay.Reports().first();
            QVERIFY2(report.contains("function 12989 on l2quote"), qPrintable(report));
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

QTEST_GUILESS_MAIN(TestRecordingBackend)
#include "tst_recordingbackend.moc"
