#include <QtTest>

#include "host/access/RequestParamCodec.h"

namespace {

QByteArray Hex(const char* hex) {  // hex digits; anything else (spaces) is skipped
    return QByteArray::fromHex(hex);
}

}  // namespace

// Expected bytes are written out by hand from the layout (spaces separate fields): little-endian
// integers, u16 byte count + UTF-8 for a string, i16 count + strings for a list, u16 count + raw
// bytes for bytes.
class TestRequestParamCodec : public QObject {
    Q_OBJECT

private slots:
    // Each row: what the caller passes, the bytes on the wire, what decoding gives the server.
    void wireForm_data() {
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QVariant>("decoded");

        const qlonglong i64 = 0x0123456789ABCDEFll;
        const qulonglong u64 = 0xFFFFFFFFFFFFFFFEull;
        const QString qingli = QString::fromUtf8("\xe6\xb8\x85\xe7\x90\x86");  // 清理
        QTest::newRow("Int08 -128") << "Int08" << QVariant(-128) << Hex("80") << QVariant(-128);
        QTest::newRow("Int08U -1 is 255") << "Int08U" << QVariant(-1) << Hex("ff") << QVariant(255);
        QTest::newRow("Int16U -1") << "Int16U" << QVariant(-1) << Hex("ffff") << QVariant(65535);
        QTest::newRow("Int32U uint 0xC0000001") << "Int32U" << QVariant(uint(0xC0000001u))
                                                << Hex("010000c0") << QVariant(uint(0xC0000001u));
        QTest::newRow("Int32U int -2")
            << "Int32U" << QVariant(-2) << Hex("feffffff") << QVariant(uint(0xFFFFFFFEu));
        QTest::newRow("Int64 large")
            << "Int64" << QVariant(i64) << Hex("efcdab8967452301") << QVariant(i64);
        QTest::newRow("Int64U max - 1")
            << "Int64U" << QVariant(u64) << Hex("feffffffffffffff") << QVariant(u64);
        QTest::newRow("String SH600000")
            << "String" << QVariant(QStringLiteral("SH600000")) << Hex("0800 5348363030303030")
            << QVariant(QStringLiteral("SH600000"));
        QTest::newRow("String UTF-8")
            << "String" << QVariant(qingli) << Hex("0600 e6b885e79086") << QVariant(qingli);
        QTest::newRow("Strings [a, bc]")
            << "Strings" << QVariant(QStringList{"a", "bc"}) << Hex("0200 0100 61 0200 6263")
            << QVariant(QStringList{"a", "bc"});
        QTest::newRow("Bytes") << "Bytes" << QVariant(Hex("0001ff")) << Hex("0300 0001ff")
                               << QVariant(Hex("0001ff"));
    }

    void wireForm() {
        QFETCH(QString, tag);
        QFETCH(QVariant, value);
        QFETCH(QByteArray, bytes);
        QFETCH(QVariant, decoded);
        QByteArray out;
        QString error;
        QVERIFY2(RequestParamCodec::Encode({qMakePair(tag, value)}, &out, &error),
                 qPrintable(error));
        QCOMPARE(out.toHex(' '), bytes.toHex(' '));
        RequestParams back;
        QVERIFY2(RequestParamCodec::Decode({tag}, bytes, &back, &error), qPrintable(error));
        QCOMPARE(back.size(), 1);
        QCOMPARE(back.at(0).first, tag);
        QCOMPARE(back.at(0).second.userType(), decoded.userType());
        QCOMPARE(back.at(0).second, decoded);
    }

    // The snapshot request of a push-kind stock topic, as a whole.
    void encodesParametersBackToBack() {
        const RequestParams params = {
            {"Int16U", 0},
            {"Int16U", 0},
            {"Strings", QStringList{QStringLiteral("SZ000001")}},
            {"Int32U", 0x19600FDF},
            {"Int32U", 0x60400415},
            {"Int32U", 0x4000},
        };
        const QByteArray expected =
            Hex("0000 0000 0100 0800 535a303030303031 df0f6019 15044060 00400000");
        QByteArray out;
        QString error;
        QVERIFY(RequestParamCodec::Encode(params, &out, &error));
        QCOMPARE(out.toHex(' '), expected.toHex(' '));
        QVERIFY(RequestParamCodec::Encode({}, &out, &error));
        QCOMPARE(out, QByteArray());
    }

    void rejects_data() {
        QTest::addColumn<RequestParams>("params");
        QTest::addColumn<QString>("mentions");  // the error names the index and the tag

        const QVariant ok(1);
        const QString p0 = "parameter 0 ";
        QTest::newRow("unknown tag")
            << RequestParams{{"Int16", ok}, {"Int24", ok}} << "parameter 1 (Int24)";
        QTest::newRow("Int08U 256") << RequestParams{{"Int08U", 256}} << p0 + "(Int08U)";
        QTest::newRow("Int08 128") << RequestParams{{"Int08", 128}} << p0 + "(Int08)";
        QTest::newRow("Int32 uint 2^31")
            << RequestParams{{"Int32", uint(0x80000000u)}} << p0 + "(Int32)";
        QTest::newRow("Int32U 2^32")
            << RequestParams{{"Int32U", qlonglong(1) << 32}} << p0 + "(Int32U)";
        QTest::newRow("Int64 quint64 2^63")
            << RequestParams{{"Int64", qulonglong(1) << 63}} << p0 + "(Int64)";
        QTest::newRow("Int32 as text")
            << RequestParams{{"Int32", QStringLiteral("5")}} << p0 + "(Int32)";
        QTest::newRow("Strings as QString")
            << RequestParams{{"Strings", QStringLiteral("SH600000")}} << p0 + "(Strings)";
        QTest::newRow("String as int") << RequestParams{{"String", 5}} << p0 + "(String)";
        QTest::newRow("String too long")
            << RequestParams{{"String", QString(65536, QLatin1Char('x'))}} << p0 + "(String)";
        QTest::newRow("null value") << RequestParams{{"Int16U", QVariant()}} << p0 + "(Int16U)";
    }

    void rejects() {
        QFETCH(RequestParams, params);
        QFETCH(QString, mentions);
        QByteArray out("untouched");
        QString error;
        QVERIFY(!RequestParamCodec::Encode(params, &out, &error));
        QVERIFY2(error.startsWith(mentions), qPrintable(error));
        QCOMPARE(out, QByteArray("untouched"));
    }
};

QTEST_GUILESS_MAIN(TestRequestParamCodec)
#include "tst_requestparamcodec.moc"
