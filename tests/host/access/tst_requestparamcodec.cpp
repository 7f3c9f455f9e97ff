#include <QtTest>

#include "host/access/RequestParamCodec.h"

namespace {
const auto Hex = [](const char* hex) { return QByteArray::fromHex(hex); };  // spaces skipped
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
        const auto row = [](const char* name, const char* tag, const QVariant& value,
                            const char* hex, const QVariant& decoded) {
            QTest::newRow(name) << tag << value << Hex(hex) << decoded;
        };
        const qlonglong i64 = 0x0123456789ABCDEFll;
        const qulonglong u64 = 0xFFFFFFFFFFFFFFFEull;
        const QString qingli = QString::fromUtf8("\xe6\xb8\x85\xe7\x90\x86");  // 清理
        const QStringList list{"a", "bc"};
        row("Int08 -128", "Int08", -128, "80", -128);
        row("Int08U -1 is 255", "Int08U", -1, "ff", 255);
        row("Int32U uint", "Int32U", uint(0xC0000001u), "010000c0", uint(0xC0000001u));
        row("Int32U int -2", "Int32U", -2, "feffffff", uint(0xFFFFFFFEu));
        row("Int64 large", "Int64", i64, "efcdab8967452301", i64);
        row("Int64U max - 1", "Int64U", u64, "feffffffffffffff", u64);
        row("String UTF-8", "String", qingli, "0600 e6b885e79086", qingli);
        row("Strings", "Strings", list, "0200 0100 61 0200 6263", list);
        row("Bytes", "Bytes", Hex("0001ff"), "0300 0001ff", Hex("0001ff"));
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
        QCOMPARE(back.at(0).second.userType(), decoded.userType());
        QCOMPARE(back.at(0).second, decoded);
    }

    void rejects_data() {
        QTest::addColumn<RequestParams>("params");
        QTest::addColumn<QString>("mentions");  // the error names the index and the tag
        const auto row = [](const char* name, const QString& tag, const QVariant& value) {
            QTest::newRow(name) << RequestParams{{tag, value}} << "parameter 0 (" + tag + ")";
        };
        QTest::newRow("unknown tag")
            << RequestParams{{"Int16", 1}, {"Int24", 1}} << "parameter 1 (Int24)";
        row("Int08U 256", "Int08U", 256);
        row("Int32 uint 2^31", "Int32", uint(0x80000000u));
        row("Int32U 2^32", "Int32U", qlonglong(1) << 32);
        row("Int64 quint64 2^63", "Int64", qulonglong(1) << 63);
        row("Strings as QString", "Strings", QStringLiteral("SH600000"));
        row("String too long", "String", QString(65536, QLatin1Char('x')));
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
