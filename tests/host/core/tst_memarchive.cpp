#include <QtTest>

#include "host/core/CMemArchive.h"

class TstMemArchive : public QObject {
    Q_OBJECT

private slots:
    void readsEveryWidthLittleEndian() {
        CMemArchive ar(
            QByteArray::fromHex("fe"                // u8 254
                                "fe"                // i8 -2
                                "3412"              // u16 0x1234
                                "feff"              // i16 -2
                                "78563412"          // u32 0x12345678
                                "00000080"          // i32 INT32_MIN
                                "0807060504030201"  // u64 0x0102030405060708
                                "fdffffffffffff7f"  // i64 INT64_MAX - 2
                                "aabbcc"));         // a 3-byte field read raw
        QCOMPARE(ar.Read<quint8>(), quint8(254));
        QCOMPARE(ar.Read<qint8>(), qint8(-2));
        QCOMPARE(ar.Read<quint16>(), quint16(0x1234));
        QCOMPARE(ar.Read<qint16>(), qint16(-2));
        QCOMPARE(ar.Read<quint32>(), quint32(0x12345678));
        QCOMPARE(ar.Read<qint32>(), std::numeric_limits<qint32>::min());
        QCOMPARE(ar.Read<quint64>(), Q_UINT64_C(0x0102030405060708));
        QCOMPARE(ar.Read<qint64>(), std::numeric_limits<qint64>::max() - 2);
        const char* after = ar.TryRead(1);
        QCOMPARE(after, ar.Data() + 31);  // the position after the field, not its start
        QCOMPARE(quint8(after[-1]), quint8(0xaa));
        QCOMPARE(ar.ReadBytes(2), QByteArray::fromHex("bbcc"));
        QVERIFY(ar.AtEnd());
        QCOMPARE(ar.ReadBytes(0), QByteArray());  // an empty field at the end is fine
    }

    void readPastEndThrowsAndConsumesNothing_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("consumed");
        QTest::addColumn<int>("wanted");
        QTest::newRow("one byte short") << 4 << 1 << 4;
        QTest::newRow("empty archive") << 0 << 0 << 1;
        QTest::newRow("at the end") << 6 << 6 << 2;
        QTest::newRow("negative length") << 8 << 3 << -1;
        QTest::newRow("huge length") << 8 << 1 << std::numeric_limits<int>::max();
    }

    void readPastEndThrowsAndConsumesNothing() {
        QFETCH(int, size);
        QFETCH(int, consumed);
        QFETCH(int, wanted);
        CMemArchive ar(QByteArray(size, 'x'));
        ar.TryRead(consumed);
        try {
            ar.TryRead(wanted);
            QFAIL("no exception");
        } catch (const CMemArchiveError& e) {
            QCOMPARE((QList<int>{e.offset(), e.wanted(), e.size()}),
                     (QList<int>{consumed, wanted, size}));
            const QString what = QString::fromUtf8(e.what());
            for (int n : {wanted, consumed, size}) {
                QVERIFY2(what.contains(QString::number(n)), qPrintable(what));
            }
        }
        QCOMPARE(ar.Position(), consumed);
        QVERIFY_EXCEPTION_THROWN(ar.ReadBytes(wanted), std::out_of_range);
        QCOMPARE(ar.Position(), consumed);
    }
};

QTEST_GUILESS_MAIN(TstMemArchive)
#include "tst_memarchive.moc"
