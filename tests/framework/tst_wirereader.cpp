#include <QtTest>

#include "framework/WireReader.h"
#include "framework/WireWriter.h"
#include "host/core/CMemArchive.h"
#include "host/core/MemoryArchiveWriter.h"

namespace {

QByteArray Bytes(const char* data, int length) {
    return QByteArray(data, length);
}

}  // namespace

class TestWireReader : public QObject {
    Q_OBJECT

private slots:
    void readString_data();
    void readString();
    void readStringBeyondEndThrows();
    void readStringSignedNegativeLengthIsEmpty();
    void readStringList_data();
    void readStringList();
    void lyingListCountIsRejectedBeforeAllocating();
    void requireItemsRejectsHugeCounts();
    void packedInt_data();
    void packedInt();
    void encodePackedIntRoundTrips_data();
    void encodePackedIntRoundTrips();
    void writersMatchHandWrittenBytes();
};

void TestWireReader::readString_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("position");
    QTest::newRow("ascii") << Bytes(
                                  "\x03\x00"
                                  "abcX",
                                  6)
                           << "abc" << 5;
    QTest::newRow("empty") << Bytes("\x00\x00", 2) << "" << 2;
    QTest::newRow("utf-8 lot unit")
        << Bytes("\x03\x00\xE6\x89\x8B", 5) << QString::fromUtf8("手") << 5;
}

void TestWireReader::readString() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(int, position);
    CMemArchive archive(bytes);
    QCOMPARE(wire::ReadString(archive), text);
    QCOMPARE(archive.Position(), position);
}

void TestWireReader::readStringBeyondEndThrows() {
    CMemArchive archive(
        Bytes("\x05\x00"
              "ab",
              4));
    QVERIFY_EXCEPTION_THROWN(wire::ReadString(archive), CMemArchiveError);
    CMemArchive lengthCut(Bytes("\x05", 1));
    QVERIFY_EXCEPTION_THROWN(wire::ReadString(lengthCut), CMemArchiveError);
}

void TestWireReader::readStringSignedNegativeLengthIsEmpty() {
    CMemArchive archive(
        Bytes("\xFF\xFF"
              "ab",
              4));
    QCOMPARE(wire::ReadStringSigned(archive), QString());
    QCOMPARE(archive.Position(), 2);
}

void TestWireReader::readStringList_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<int>("position");
    QTest::newRow("two codes") << Bytes(
                                      "\x02\x00"
                                      "\x02\x00SH"
                                      "\x02\x00SZ",
                                      10)
                               << QStringList{"SH", "SZ"} << 10;
    QTest::newRow("zero count") << Bytes(
                                       "\x00\x00"
                                       "\x02\x00SH",
                                       6)
                                << QStringList{} << 2;
    QTest::newRow("negative count") << Bytes(
                                           "\xFF\xFF"
                                           "\x02\x00SH",
                                           6)
                                    << QStringList{} << 2;
    QTest::newRow("empty element") << Bytes(
                                          "\x02\x00"
                                          "\x00\x00"
                                          "\x01\x00X",
                                          7)
                                   << QStringList{"", "X"} << 7;
}

void TestWireReader::readStringList() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, list);
    QFETCH(int, position);
    CMemArchive archive(bytes);
    QCOMPARE(wire::ReadStringList(archive), list);
    QCOMPARE(archive.Position(), position);
}

void TestWireReader::lyingListCountIsRejectedBeforeAllocating() {
    // 32767 strings announced, room for two at most.
    CMemArchive archive(
        Bytes("\xFF\x7F"
              "\x00\x00\x00\x00",
              6));
    try {
        wire::ReadStringList(archive);
        QFAIL("a count larger than the remaining bytes must throw");
    } catch (const CMemArchiveError& error) {
        QCOMPARE(error.wanted(), 32767 * 2);
        QCOMPARE(error.offset(), 2);
    }
}

void TestWireReader::requireItemsRejectsHugeCounts() {
    CMemArchive archive(Bytes("\x00\x00\x00\x00\x00\x00\x00\x00", 8));
    wire::RequireItems(archive, 2, 4);  // exactly fits
    QVERIFY_EXCEPTION_THROWN(wire::RequireItems(archive, 3, 4), CMemArchiveError);
    QVERIFY_EXCEPTION_THROWN(wire::RequireItems(archive, qint64(1) << 40, 8), CMemArchiveError);
    QVERIFY_EXCEPTION_THROWN(wire::RequireItems(archive, qint64(1) << 62, 8), CMemArchiveError);
    QVERIFY_EXCEPTION_THROWN(wire::RequireItems(archive, -1, 4), CMemArchiveError);
}

void TestWireReader::packedInt_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("value");
    QTest::newRow("k0 one") << Bytes("\x01\x00\x00\x00", 4) << qint64(1);
    QTest::newRow("k1 sixteen") << Bytes("\x01\x00\x00\x40", 4) << qint64(16);
    QTest::newRow("k2 256") << Bytes("\x01\x00\x00\x80", 4) << qint64(256);
    QTest::newRow("k3 4096") << Bytes("\x01\x00\x00\xC0", 4) << qint64(4096);
    QTest::newRow("k0 max mantissa") << Bytes("\xFF\xFF\xFF\x3F", 4) << qint64(1073741823);
    QTest::newRow("k3 max mantissa") << Bytes("\xFF\xFF\xFF\xFF", 4) << (qint64(0x3FFFFFFF) << 12);
    QTest::newRow("zero") << Bytes("\x00\x00\x00\x80", 4) << qint64(0);
}

void TestWireReader::packedInt() {
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, value);
    CMemArchive archive(bytes);
    QCOMPARE(wire::ReadPackedInt(archive), value);
    QVERIFY(archive.AtEnd());
}

void TestWireReader::encodePackedIntRoundTrips_data() {
    QTest::addColumn<qint64>("value");
    QTest::addColumn<quint32>("word");
    QTest::newRow("small") << qint64(16) << quint32(16);
    QTest::newRow("largest k0") << qint64(0x3FFFFFFF) << quint32(0x3FFFFFFF);
    QTest::newRow("needs k1") << qint64(0x40000000) << quint32(0x44000000);
    QTest::newRow("needs k3") << (qint64(0x3FFFFFFF) << 12) << quint32(0xFFFFFFFF);
}

void TestWireReader::encodePackedIntRoundTrips() {
    QFETCH(qint64, value);
    QFETCH(quint32, word);
    QCOMPARE(wire::EncodePackedInt(value), word);
    QCOMPARE(wire::DecodePackedInt(word), value);
}

void TestWireReader::writersMatchHandWrittenBytes() {
    MemoryArchiveWriter writer;
    wire::WriteString(writer, QString::fromUtf8("a手"));
    wire::WriteStringList(writer, {"SH", ""});
    QCOMPARE(writer.Data(), Bytes("\x04\x00"
                                  "a\xE6\x89\x8B"
                                  "\x02\x00"
                                  "\x02\x00SH"
                                  "\x00\x00",
                                  14));
}

QTEST_GUILESS_MAIN(TestWireReader)
#include "tst_wirereader.moc"
