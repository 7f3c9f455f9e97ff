// The shared field readers and writers, against bytes laid out by hand (hex, little-endian).
#include <QtTest>

#include <QtEndian>

#include "framework/WireReader.h"
#include "framework/WireWriter.h"
#include "host/core/CMemArchive.h"
#include "host/core/MemoryArchiveWriter.h"

static const auto Hex = [](const char* text) {
    return QByteArray::fromHex(text);
};  // spaces skipped

class TestWireReader : public QObject {
    Q_OBJECT

private slots:
    void readStrings_data() {
        QTest::addColumn<bool>("list");  // false: one string
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("strings");
        QTest::addColumn<int>("position");
        QTest::newRow("empty") << false << Hex("0000") << QStringList{""} << 2;
        QTest::newRow("utf-8") << false << Hex("0300 e6898b")
                               << QStringList{QString::fromUtf8("手")} << 5;
        QTest::newRow("two codes")
            << true << Hex("0200 0200 5348 0200 535a") << QStringList{"SH", "SZ"} << 10;
        QTest::newRow("zero count") << true << Hex("0000 0200 5348") << QStringList{} << 2;
        QTest::newRow("negative count") << true << Hex("ffff 0200 5348") << QStringList{} << 2;
        QTest::newRow("empty element")
            << true << Hex("0200 0000 0100 58") << QStringList{"", "X"} << 7;
        QTest::newRow("negative element length")
            << true << Hex("0200 ffff 0100 58") << QStringList{"", "X"} << 7;
        // The text ends at a NUL byte; the field's bytes are consumed all the same.
        QTest::newRow("NUL inside") << false << Hex("0400 5348 0058") << QStringList{"SH"} << 6;
        QTest::newRow("NUL inside an element")
            << true << Hex("0100 0300 5300 5a") << QStringList{"S"} << 7;
    }

    void readStrings() {
        QFETCH(bool, list);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, strings);
        QFETCH(int, position);
        CMemArchive archive(bytes);
        QCOMPARE(list ? wire::ReadStringList(archive) : QStringList{wire::ReadString(archive)},
                 strings);
        QCOMPARE(archive.Position(), position);
    }

    void packedInt_data() {
        QTest::addColumn<qint64>("value");  // encoded as `bytes`, which decode to `decoded`
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qint64>("decoded");
        const qint64 k3Max = qint64(0x3FFFFFFF) << 12;
        QTest::newRow("largest k0") << qint64(0x3FFFFFFF) << Hex("ffffff3f") << qint64(0x3FFFFFFF);
        QTest::newRow("needs k1") << qint64(0x40000000) << Hex("00000044") << qint64(0x40000000);
        QTest::newRow("k1 drops low bits")
            << qint64(0x4000000F) << Hex("00000044") << qint64(0x40000000);
        QTest::newRow("needs k2") << qint64(0x400000000) << Hex("00000084") << qint64(0x400000000);
        QTest::newRow("needs k3") << k3Max << Hex("ffffffff") << k3Max;
        QTest::newRow("saturates") << (qint64(1) << 43) << Hex("ffffffff") << k3Max;
        QTest::newRow("negative is zero") << qint64(-5) << Hex("00000000") << qint64(0);
    }

    void packedInt() {
        QFETCH(qint64, value);
        QFETCH(QByteArray, bytes);
        QFETCH(qint64, decoded);
        QCOMPARE(wire::EncodePackedInt(value), qFromLittleEndian<quint32>(bytes.constData()));
        CMemArchive archive(bytes);
        QCOMPARE(wire::ReadPackedInt(archive), decoded);
        QVERIFY(archive.AtEnd());
    }

    void writersMatchHandWrittenBytes() {
        MemoryArchiveWriter writer;
        wire::WriteString(writer, QString::fromUtf8("a手"));
        wire::WriteStringList(writer, {"SH", ""});
        QCOMPARE(writer.Data(), Hex("0400 61e6898b  0200 0200 5348 0000"));
    }
};

QTEST_GUILESS_MAIN(TestWireReader)
#include "tst_wirereader.moc"
