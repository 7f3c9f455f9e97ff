// The session recording format, from files laid out by hand: every kind read and written back, and
// damage (a cut at every byte, a flipped bit in every record, lengths out of range, fields that do
// not fill their payload) that keeps every good record before it. (Recording a live session and
// replaying it: tst_qzlv2recording.)
#include <QtTest>

#include <algorithm>

#include "host/access/recording/RecordingFormat.h"
#include "host/access/recording/RecordingReader.h"
#include "tests/host/access/RecordingFixture.h"

using namespace recording;
using namespace laid;

namespace {

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

}  // namespace

class TestRecording : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules("*.debug=false\n*.warning=false"); }

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
};

QTEST_GUILESS_MAIN(TestRecording)
#include "tst_recording.moc"
