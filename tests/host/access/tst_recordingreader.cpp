// The recording format read from bytes laid out by hand from docs/recording.md: every kind, the
// header's checks, and damage (a cut at every byte, a flipped bit in every record, lengths out of
// range, fields that do not fill their payload), which must keep every good record before it.
#include <QtTest>

#include <zlib.h>

#include "host/access/recording/RecordingFormat.h"
#include "host/access/recording/RecordingReader.h"
#include "tests/services/HandLaid.h"

using namespace recording;

namespace {

quint32 Crc(const QByteArray& bytes) {
    return quint32(crc32(0, reinterpret_cast<const Bytef*>(bytes.constData()), uInt(bytes.size())));
}

QByteArray Header(quint16 version, qint64 startMs, const QString& recorder) {
    HandLaid h;
    for (char c : QByteArray("QZLV2REC")) {
        h.u8(quint8(c));
    }
    h.u16(version).u32(quint32(startMs)).u32(quint32(quint64(startMs) >> 32)).str(recorder);
    return h.bytes() + HandLaid().u32(Crc(h.bytes())).bytes();
}

// Length, CRC, then kind and time before the fields.
QByteArray Record(quint8 kind, quint32 timeMs, const QByteArray& fields) {
    const QByteArray payload = HandLaid().u8(kind).u32(timeMs).u32(0).bytes() + fields;
    return HandLaid().u32(quint32(payload.size())).u32(Crc(payload)).bytes() + payload;
}

const qint64 kStart = 1717731000123;  // ms

QByteArray Blob(const QByteArray& bytes) {
    return HandLaid().u32(quint32(bytes.size())).bytes() + bytes;
}

QByteArray RequestRecord() {  // 12989 for SH600000, 10 levels, task 7, at 5 ms
    const QByteArray params = HandLaid().str("SH600000").i32(10).bytes();
    return Record(1, 5,
                  HandLaid()
                          .str("pcl2xtquote")
                          .u32(12989)
                          .u16(3)
                          .i32(7)
                          .u16(2)
                          .str("String")
                          .str("Int32")
                          .bytes() +
                      Blob(params));
}
QByteArray AnswerRecord() {
    return Record(2, 9, HandLaid().str("pcl2xtquote").u32(12989).i32(7).bytes() + Blob("\x01\x02"));
}
QByteArray PushRecord() {
    return Record(3, 500, HandLaid().str("l2quote").u32(10001).bytes() + Blob("abc"));
}
QByteArray FailureRecord() {
    return Record(4, 600, HandLaid().str("l2quote").u32(10002).i32(8).i32(-3).str("busy").bytes());
}
QByteArray LinkRecord() {
    return Record(5, 700, HandLaid().str("l2quote").u8(2).bytes());
}
QByteArray DroppedRecord() {
    return Record(6, 800, HandLaid().u32(42).bytes());
}

// Every kind once, and where each record starts.
QByteArray Sample(QVector<int>* starts = nullptr) {
    QByteArray all = Header(1, kStart, "hand");
    for (const QByteArray& r : {RequestRecord(), AnswerRecord(), PushRecord(), FailureRecord(),
                                LinkRecord(), DroppedRecord()}) {
        if (starts != nullptr) {
            starts->append(all.size());
        }
        all += r;
    }
    return all;
}

}  // namespace

class TestRecordingReader : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules("*.warning=false"); }

    void readsEveryKindLaidByHand() {
        const Recording r = RecordingReader::Read(Sample());
        QVERIFY2(r.valid, qPrintable(r.error));
        QVERIFY(r.warning.isEmpty());
        QCOMPARE(r.header.version, quint16(1));
        QCOMPARE(r.header.startMs, kStart);
        QCOMPARE(r.header.recorder, QString("hand"));
        QCOMPARE(r.events.size(), 6);

        const RecordedEvent& req = r.events.at(0);
        QCOMPARE(int(req.kind), int(Kind::Request));
        QCOMPARE(req.timeMs, quint64(5));
        QCOMPARE(req.service, QString("pcl2xtquote"));
        QCOMPARE(req.function, 12989);
        QCOMPARE(req.flags, quint16(3));
        QCOMPARE(req.taskId, 7);
        QCOMPARE(req.tags, QStringList({"String", "Int32"}));
        QCOMPARE(req.params, HandLaid().str("SH600000").i32(10).bytes());
        QCOMPARE(req.offset, qint64(Header(1, kStart, "hand").size()));

        QCOMPARE(r.events.at(1).taskId, 7);
        QCOMPARE(r.events.at(1).body, QByteArray("\x01\x02"));
        QCOMPARE(r.events.at(2).function, 10001);
        QCOMPARE(r.events.at(2).body, QByteArray("abc"));
        QCOMPARE(r.events.at(3).code, -3);
        QCOMPARE(r.events.at(3).text, QString("busy"));
        QCOMPARE(int(r.events.at(4).state), int(eAccessState_Disconnected));
        QCOMPARE(r.events.at(5).dropped, quint32(42));
        QCOMPARE(r.events.at(5).timeMs, quint64(800));
    }

    void writerMatchesTheHandLayout() {
        const Recording r = RecordingReader::Read(Sample());
        RecordingHeader header = r.header;
        QByteArray again = RecordingFormat::EncodeHeader(header);
        for (const RecordedEvent& e : r.events) {
            again += RecordingFormat::EncodeRecord(e);
        }
        QCOMPARE(again.toHex(), Sample().toHex());
    }

    void rejectsBadHeaders_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        QByteArray badCrc = Header(1, kStart, "x");
        badCrc[12] = char(badCrc[12] ^ 0x10);
        QByteArray badMagic = Header(1, kStart, "x");
        badMagic[0] = 'X';
        QTest::newRow("not a recording") << badMagic << "no \"QZLV2REC\"";
        QTest::newRow("header CRC") << badCrc << "header CRC mismatch at offset 21";
        QTest::newRow("unknown version") << Header(2, kStart, "x") << "format version 2";
        QTest::newRow("empty file") << QByteArray() << "cut short (0 bytes)";
        QTest::newRow("cut header") << Header(1, kStart, "xyz").left(22) << "cut short (22 bytes)";
    }
    void rejectsBadHeaders() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        const Recording r = RecordingReader::Read(bytes);
        QVERIFY(!r.valid);
        QVERIFY2(r.error.contains(error), qPrintable(r.error));
        QVERIFY(r.events.isEmpty());
    }

    // At every cut inside the records, the records wholly before the cut are kept, with one
    // warning naming the start of the cut record.
    void cutAtEveryByteKeepsTheGoodRecords() {
        QVector<int> starts;
        const QByteArray all = Sample(&starts);
        for (int cut = starts.first(); cut < all.size(); ++cut) {
            const Recording r = RecordingReader::Read(all.left(cut));
            QVERIFY(r.valid);
            int whole = 0;
            while (whole + 1 < starts.size() && starts.at(whole + 1) <= cut) {
                ++whole;
            }
            const bool atBoundary = starts.contains(cut);
            QCOMPARE(r.events.size(), whole);
            QCOMPARE(r.damageOffset, atBoundary ? -1 : qint64(starts.at(whole)));
            QCOMPARE(r.warning.isEmpty(), atBoundary);
        }
    }

    void flippedBitInEachRecordStopsThere() {
        QVector<int> starts;
        const QByteArray all = Sample(&starts);
        starts.append(all.size());
        for (int record = 0; record + 1 < starts.size(); ++record) {
            for (int byte = starts.at(record); byte < starts.at(record + 1); ++byte) {
                QByteArray damaged = all;
                damaged[byte] = char(damaged[byte] ^ (1 << (byte % 8)));
                const Recording r = RecordingReader::Read(damaged);
                QVERIFY(r.valid);
                QCOMPARE(r.events.size(), record);
                QCOMPARE(r.damageOffset, qint64(starts.at(record)));
                QVERIFY(r.warning.contains(QString("offset %1").arg(starts.at(record))));
            }
        }
    }

    void rejectsMalformedRecords_data() {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QString>("error");
        const QByteArray tooShort = HandLaid().u8(5).u32(0).bytes();  // 5 < 9 bytes
        QTest::newRow("payload shorter than kind and time")
            << HandLaid().u32(5).u32(Crc(tooShort)).bytes() + tooShort << "length 5 out of range";
        QTest::newRow("payload over 64 MiB")
            << HandLaid().u32(64u * 1024 * 1024 + 1).u32(0).bytes() << "out of range";
        QTest::newRow("blob longer than the payload")
            << Record(3, 1, HandLaid().str("l2quote").u32(10001).u32(1000).bytes() + "ab")
            << "runs past the payload";
        QTest::newRow("bytes after the fields")
            << Record(6, 1, HandLaid().u32(1).u8(0).bytes()) << "1 bytes after the last field";
        QTest::newRow("string longer than the payload")
            << Record(5, 1, HandLaid().u16(300).bytes()) << "runs past the payload";
    }
    void rejectsMalformedRecords() {
        QFETCH(QByteArray, record);
        QFETCH(QString, error);
        const QByteArray head = Header(1, kStart, "x") + PushRecord();
        const Recording r = RecordingReader::Read(head + record + PushRecord());
        QCOMPARE(r.events.size(), 1);
        QCOMPARE(r.damageOffset, qint64(head.size()));
        QVERIFY2(r.warning.contains(error), qPrintable(r.warning));
    }

    void skipsGoodRecordsOfUnknownKinds() {
        const QByteArray all =
            Header(1, kStart, "x") + PushRecord() + Record(99, 3, "future") + LinkRecord();
        const Recording r = RecordingReader::Read(all);
        QCOMPARE(r.events.size(), 2);
        QCOMPARE(r.unknownRecords, 1);
        QVERIFY(r.warning.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRecordingReader)
#include "tst_recordingreader.moc"
