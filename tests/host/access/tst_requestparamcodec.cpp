#include <QtTest>

#include "host/access/RequestParamCodec.h"

// Expected bytes are written out by hand from the layout: little-endian integers, u16 byte
// count + UTF-8 for a string, i16 count + strings for a list, u16 count + raw bytes for bytes.
class TestRequestParamCodec : public QObject {
    Q_OBJECT

private slots:
    void encodesEachTag_data();
    void encodesEachTag();
    void encodesParametersBackToBack();
    void rejects_data();
    void rejects();
    void decodesAsExactInverse_data();
    void decodesAsExactInverse();
    void decodeNormalisesWrappedValues();
    void decodeRejects_data();
    void decodeRejects();
};

namespace {

QByteArray Bytes(const char* data, int size) {
    return QByteArray(data, size);
}

QByteArray EncodeOrFail(const RequestParams& params) {
    QByteArray out;
    QString error;
    if (!RequestParamCodec::Encode(params, &out, &error)) {
        qWarning() << "unexpected rejection:" << error;
        return QByteArray("<rejected>");
    }
    return out;
}

}  // namespace

void TestRequestParamCodec::encodesEachTag_data() {
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("Int08 -1") << "Int08" << QVariant(-1) << Bytes("\xff", 1);
    QTest::newRow("Int08 127") << "Int08" << QVariant(127) << Bytes("\x7f", 1);
    QTest::newRow("Int08 -128") << "Int08" << QVariant(-128) << Bytes("\x80", 1);
    QTest::newRow("Int08U 63") << "Int08U" << QVariant(63) << Bytes("\x3f", 1);
    QTest::newRow("Int08U -1 is 255") << "Int08U" << QVariant(-1) << Bytes("\xff", 1);
    QTest::newRow("Int08U 255") << "Int08U" << QVariant(255) << Bytes("\xff", 1);
    QTest::newRow("Int16 107") << "Int16" << QVariant(107) << Bytes("\x6b\x00", 2);
    QTest::newRow("Int16 -2") << "Int16" << QVariant(-2) << Bytes("\xfe\xff", 2);
    QTest::newRow("Int16U 10") << "Int16U" << QVariant(10) << Bytes("\x0a\x00", 2);
    QTest::newRow("Int16U 0xBEEF") << "Int16U" << QVariant(0xBEEF) << Bytes("\xef\xbe", 2);
    QTest::newRow("Int32 0x40000400")
        << "Int32" << QVariant(0x40000400) << Bytes("\x00\x04\x00\x40", 4);
    QTest::newRow("Int32 -3") << "Int32" << QVariant(-3) << Bytes("\xfd\xff\xff\xff", 4);
    QTest::newRow("Int32U 0x19600FDF")
        << "Int32U" << QVariant(0x19600FDF) << Bytes("\xdf\x0f\x60\x19", 4);
    QTest::newRow("Int32U uint 0xC0000001")
        << "Int32U" << QVariant(uint(0xC0000001u)) << Bytes("\x01\x00\x00\xc0", 4);
    QTest::newRow("Int32U int -2") << "Int32U" << QVariant(-2) << Bytes("\xfe\xff\xff\xff", 4);
    QTest::newRow("Int64 large") << "Int64" << QVariant(qlonglong(0x0123456789ABCDEFll))
                                 << Bytes("\xef\xcd\xab\x89\x67\x45\x23\x01", 8);
    QTest::newRow("Int64 -1 from int")
        << "Int64" << QVariant(-1) << Bytes("\xff\xff\xff\xff\xff\xff\xff\xff", 8);
    QTest::newRow("Int64U max") << "Int64U" << QVariant(qulonglong(0xFFFFFFFFFFFFFFFEull))
                                << Bytes("\xfe\xff\xff\xff\xff\xff\xff\xff", 8);
    QTest::newRow("Int64U 5") << "Int64U" << QVariant(5) << Bytes("\x05\0\0\0\0\0\0\0", 8);
    QTest::newRow("String SH600000")
        << "String" << QVariant(QStringLiteral("SH600000")) << Bytes("\x08\x00SH600000", 10);
    QTest::newRow("String Chinese")  // 清理 = e6 b8 85 e7 90 86
        << "String" << QVariant(QString::fromUtf8("\xe6\xb8\x85\xe7\x90\x86"))
        << Bytes("\x06\x00\xe6\xb8\x85\xe7\x90\x86", 8);
    QTest::newRow("String empty") << "String" << QVariant(QString()) << Bytes("\x00\x00", 2);
    QTest::newRow("Strings [SH600000]")
        << "Strings" << QVariant(QStringList{QStringLiteral("SH600000")})
        << Bytes("\x01\x00\x08\x00SH600000", 12);
    QTest::newRow("Strings [a, bc]")
        << "Strings" << QVariant(QStringList{QStringLiteral("a"), QStringLiteral("bc")})
        << Bytes(
               "\x02\x00\x01\x00"
               "a"
               "\x02\x00"
               "bc",
               9);
    QTest::newRow("Strings empty") << "Strings" << QVariant(QStringList()) << Bytes("\x00\x00", 2);
    QTest::newRow("Bytes") << "Bytes" << QVariant(Bytes("\x00\x01\xff", 3))
                           << Bytes("\x03\x00\x00\x01\xff", 5);
}

void TestRequestParamCodec::encodesEachTag() {
    QFETCH(QString, tag);
    QFETCH(QVariant, value);
    QFETCH(QByteArray, expected);
    QCOMPARE(EncodeOrFail({qMakePair(tag, value)}).toHex(' '), expected.toHex(' '));
}

// The snapshot request of a push-kind stock topic, as a whole.
void TestRequestParamCodec::encodesParametersBackToBack() {
    const RequestParams params = {
        {"Int16U", 0},
        {"Int16U", 0},
        {"Strings", QStringList{QStringLiteral("SZ000001")}},
        {"Int32U", 0x19600FDF},
        {"Int32U", 0x60400415},
        {"Int32U", 0x4000},
    };
    const QByteArray expected = Bytes(
        "\x00\x00"
        "\x00\x00"
        "\x01\x00\x08\x00SZ000001"
        "\xdf\x0f\x60\x19"
        "\x15\x04\x40\x60"
        "\x00\x40\x00\x00",
        28);
    QCOMPARE(EncodeOrFail(params).toHex(' '), expected.toHex(' '));
    QCOMPARE(EncodeOrFail({}), QByteArray());
}

void TestRequestParamCodec::rejects_data() {
    QTest::addColumn<RequestParams>("params");
    QTest::addColumn<QString>("mentions");  // the error names the index and the tag

    const QVariant ok(1);
    QTest::newRow("unknown tag") << RequestParams{{"Int16", ok}, {"Int24", ok}}
                                 << "parameter 1 (Int24)";
    QTest::newRow("lower-case tag") << RequestParams{{"int16", ok}} << "parameter 0 (int16)";
    QTest::newRow("Int08U 256") << RequestParams{{"Int08U", 256}} << "parameter 0 (Int08U)";
    QTest::newRow("Int08U -129") << RequestParams{{"Int08U", -129}} << "parameter 0 (Int08U)";
    QTest::newRow("Int08 128") << RequestParams{{"Int08", 128}} << "parameter 0 (Int08)";
    QTest::newRow("Int16 40000") << RequestParams{{"Int08", 1}, {"Int16", 40000}}
                                 << "parameter 1 (Int16)";
    QTest::newRow("Int16 -32769") << RequestParams{{"Int16", -32769}} << "parameter 0 (Int16)";
    QTest::newRow("Int16U 65536") << RequestParams{{"Int16U", 65536}} << "parameter 0 (Int16U)";
    QTest::newRow("Int32 uint 0x80000000")
        << RequestParams{{"Int32", uint(0x80000000u)}} << "parameter 0 (Int32)";
    QTest::newRow("Int32U qint64 2^32")
        << RequestParams{{"Int32U", qlonglong(1) << 32}} << "parameter 0 (Int32U)";
    QTest::newRow("Int32U qint64 -2^31-1")
        << RequestParams{{"Int32U", -(qlonglong(1) << 31) - 1}} << "parameter 0 (Int32U)";
    QTest::newRow("Int64 quint64 2^63")
        << RequestParams{{"Int64", qulonglong(1) << 63}} << "parameter 0 (Int64)";
    QTest::newRow("Int32 as text")
        << RequestParams{{"Int32", QStringLiteral("5")}} << "parameter 0 (Int32)";
    QTest::newRow("Int32 as double") << RequestParams{{"Int32", 5.0}} << "parameter 0 (Int32)";
    QTest::newRow("Int08 as bool") << RequestParams{{"Int08", true}} << "parameter 0 (Int08)";
    QTest::newRow("Strings as QString")
        << RequestParams{{"Strings", QStringLiteral("SH600000")}} << "parameter 0 (Strings)";
    QTest::newRow("Strings as QVariantList")
        << RequestParams{{"Strings", QVariantList{QStringLiteral("a")}}} << "parameter 0 (Strings)";
    QTest::newRow("String as int") << RequestParams{{"String", 5}} << "parameter 0 (String)";
    QTest::newRow("String too long")
        << RequestParams{{"String", QString(65536, QLatin1Char('x'))}} << "parameter 0 (String)";
    QTest::newRow("Bytes as QString")
        << RequestParams{{"Bytes", QStringLiteral("ab")}} << "parameter 0 (Bytes)";
    QTest::newRow("null value") << RequestParams{{"Int16U", QVariant()}} << "parameter 0 (Int16U)";
}

void TestRequestParamCodec::rejects() {
    QFETCH(RequestParams, params);
    QFETCH(QString, mentions);
    QByteArray out;
    QString error;
    QVERIFY(!RequestParamCodec::Encode(params, &out, &error));
    QVERIFY2(error.startsWith(mentions), qPrintable(error));
}

void TestRequestParamCodec::decodesAsExactInverse_data() {
    QTest::addColumn<RequestParams>("params");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("integers") << RequestParams{{"Int08", -5},
                                               {"Int08U", 200},
                                               {"Int16", -300},
                                               {"Int16U", 60000},
                                               {"Int32", -70000},
                                               {"Int32U", uint(0xFEDCBA98u)},
                                               {"Int64", qlonglong(-5000000000ll)},
                                               {"Int64U", qulonglong(0x8000000000000001ull)}}
                              << Bytes(
                                     "\xfb"
                                     "\xc8"
                                     "\xd4\xfe"
                                     "\x60\xea"
                                     "\x90\xee\xfe\xff"
                                     "\x98\xba\xdc\xfe"
                                     "\x00\x0e\xfa\xd5\xfe\xff\xff\xff"
                                     "\x01\x00\x00\x00\x00\x00\x00\x80",
                                     30);
    QTest::newRow("texts and bytes")
        << RequestParams{{"String", QString::fromUtf8("\xe6\xb8\x85")},
                         {"Strings", QStringList{QStringLiteral("SH"), QString()}},
                         {"Strings", QStringList()},
                         {"Bytes", Bytes("\x00\x7f", 2)}}
        << Bytes(
               "\x03\x00\xe6\xb8\x85"
               "\x02\x00\x02\x00SH\x00\x00"
               "\x00\x00"
               "\x02\x00\x00\x7f",
               19);
    QTest::newRow("nothing") << RequestParams{} << QByteArray();
}

void TestRequestParamCodec::decodesAsExactInverse() {
    QFETCH(RequestParams, params);
    QFETCH(QByteArray, bytes);
    QCOMPARE(EncodeOrFail(params).toHex(' '), bytes.toHex(' '));

    QStringList tags;
    for (const auto& p : params) {
        tags << p.first;
    }
    RequestParams decoded;
    QString error;
    QVERIFY2(RequestParamCodec::Decode(tags, bytes, &decoded, &error), qPrintable(error));
    QCOMPARE(decoded.size(), params.size());
    for (int i = 0; i < params.size(); ++i) {
        QCOMPARE(decoded.at(i).first, params.at(i).first);
        QCOMPARE(decoded.at(i).second, params.at(i).second);
    }
}

// What the server sees of values the caller passed in a wider or negative form.
void TestRequestParamCodec::decodeNormalisesWrappedValues() {
    const QByteArray bytes =
        EncodeOrFail({{"Int08U", -1}, {"Int16U", -1}, {"Int32U", 0x80000000 - 1}, {"Int32U", -1}});
    RequestParams decoded;
    QString error;
    QVERIFY(RequestParamCodec::Decode({"Int08U", "Int16U", "Int32U", "Int32U"}, bytes, &decoded,
                                      &error));
    QCOMPARE(decoded.at(0).second, QVariant(255));
    QCOMPARE(decoded.at(1).second, QVariant(65535));
    QCOMPARE(decoded.at(2).second, QVariant(uint(0x7FFFFFFFu)));
    QCOMPARE(decoded.at(3).second, QVariant(uint(0xFFFFFFFFu)));
    QCOMPARE(decoded.at(3).second.userType(), int(QMetaType::UInt));
}

void TestRequestParamCodec::decodeRejects_data() {
    QTest::addColumn<QStringList>("tags");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("mentions");

    QTest::newRow("Int32 short") << QStringList{"Int32"} << Bytes("\x01\x02\x03", 3)
                                 << "parameter 0 (Int32): truncated";
    QTest::newRow("second Int16 missing") << QStringList{"Int16", "Int16"} << Bytes("\x01\x00", 2)
                                          << "parameter 1 (Int16): truncated";
    QTest::newRow("String body short") << QStringList{"String"}
                                       << Bytes(
                                              "\x05\x00"
                                              "abc",
                                              5)
                                       << "parameter 0 (String): truncated";
    QTest::newRow("String count short")
        << QStringList{"String"} << Bytes("\x05", 1) << "parameter 0 (String): truncated";
    QTest::newRow("Strings second missing")
        << QStringList{"Strings"} << Bytes("\x02\x00\x01\x00x", 5)
        << "parameter 0 (Strings): truncated";
    QTest::newRow("Strings negative count")
        << QStringList{"Strings"} << Bytes("\xff\xff", 2) << "parameter 0 (Strings): negative";
    QTest::newRow("Bytes short") << QStringList{"Bytes"} << Bytes("\x04\x00\x01", 3)
                                 << "parameter 0 (Bytes): truncated";
    QTest::newRow("unknown tag") << QStringList{"Float"} << Bytes("\x00\x00\x00\x00", 4)
                                 << "parameter 0 (Float): unknown";
    QTest::newRow("trailing byte")
        << QStringList{"Int16U"} << Bytes("\x0a\x00\x00", 3) << "1 trailing bytes";
    QTest::newRow("bytes but no tags") << QStringList{} << Bytes("\x00", 1) << "1 trailing bytes";
}

void TestRequestParamCodec::decodeRejects() {
    QFETCH(QStringList, tags);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, mentions);
    RequestParams decoded;
    QString error;
    QVERIFY(!RequestParamCodec::Decode(tags, bytes, &decoded, &error));
    QVERIFY2(error.startsWith(mentions), qPrintable(error));
}

QTEST_GUILESS_MAIN(TestRequestParamCodec)
#include "tst_requestparamcodec.moc"
