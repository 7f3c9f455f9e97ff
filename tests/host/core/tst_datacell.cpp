#include <QtTest>
#include <cmath>
#include <limits>

#include "host/core/UnsharedDataCell.h"

using nscell::UnsharedDataCell;
using Kind = UnsharedDataCell::Kind;

class TstDataCell : public QObject {
    Q_OBJECT

private slots:
    void rendersForScreen_data();
    void rendersForScreen();
    void numericValues_data();
    void numericValues();
    void keepsKindAndTexts();
    void integerKeysSortNumerically();
    void ordersByKindThenValueThenText();
    void orderIsStrictWeak();
    void staysSmall();
};

void TstDataCell::rendersForScreen_data() {
    QTest::addColumn<UnsharedDataCell>("cell");
    QTest::addColumn<QString>("text");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("empty") << UnsharedDataCell() << "";
    QTest::newRow("text") << UnsharedDataCell(QStringLiteral("buy")) << "buy";
    QTest::newRow("integer") << UnsharedDataCell::FromInteger(-7) << "-7";
    QTest::newRow("big integer") << UnsharedDataCell::FromBigInteger(1234567890123)
                                 << "1234567890123";
    QTest::newRow("volume below 万") << UnsharedDataCell::FromVolume(9999) << "9999";
    QTest::newRow("volume 万") << UnsharedDataCell::FromVolume(12345)
                               << QString::fromUtf8("1.23万");
    QTest::newRow("volume 亿") << UnsharedDataCell::FromVolume(123456789)
                               << QString::fromUtf8("1.23亿");
    QTest::newRow("negative volume")
        << UnsharedDataCell::FromVolume(-123456789) << QString::fromUtf8("-1.23亿");
    QTest::newRow("万 rounding up to 亿")
        << UnsharedDataCell::FromVolume(99999999) << QString::fromUtf8("1.00亿");
    QTest::newRow("price") << UnsharedDataCell::FromPrice(1050, 2) << "10.50";
    QTest::newRow("price three decimals") << UnsharedDataCell::FromPrice(123456, 3) << "123.456";
    QTest::newRow("negative price below one") << UnsharedDataCell::FromPrice(-5, 2) << "-0.05";
    QTest::newRow("price no decimals") << UnsharedDataCell::FromPrice(7, 0) << "7";
    QTest::newRow("price negative decimals") << UnsharedDataCell::FromPrice(7, -1) << "7";
    QTest::newRow("price int32 min")
        << UnsharedDataCell::FromPrice(std::numeric_limits<qint32>::min(), 2) << "-21474836.48";
    QTest::newRow("real price") << UnsharedDataCell::FromRealPrice(10.5, 2) << "10.50";
    QTest::newRow("real price zero") << UnsharedDataCell::FromRealPrice(0.0, 2) << "0.00";
    QTest::newRow("real price rounds") << UnsharedDataCell::FromRealPrice(1.0 / 3, 3) << "0.333";
    QTest::newRow("real price nan") << UnsharedDataCell::FromRealPrice(nan, 2) << "--";
    QTest::newRow("ratio") << UnsharedDataCell::FromPercentRatio(0.1234) << "12.34%";
    QTest::newRow("negative ratio") << UnsharedDataCell::FromPercentRatio(-0.005) << "-0.50%";
    QTest::newRow("ratio of zero day volume") << UnsharedDataCell::FromPercentRatio(inf) << "--";
    QTest::newRow("float ratio") << UnsharedDataCell::FromPercentFloatRatio(
                                        double(1234.0f / 10000.0f))
                                 << "12.34%";
    QTest::newRow("float ratio nan") << UnsharedDataCell::FromPercentFloatRatio(nan) << "--";
    QTest::newRow("unit") << UnsharedDataCell::FromMagnitudeUnit(100, QString::fromUtf8("手"))
                          << QString::fromUtf8("手");
    QTest::newRow("time") << UnsharedDataCell::FromDateTime(
                                 QDateTime(QDate(2019, 1, 1), QTime(9, 30)), "hh:mm")
                          << "09:30";
    QTest::newRow("date") << UnsharedDataCell::FromDateTime(
                                 QDateTime(QDate(2020, 4, 3), QTime(0, 0)), "yyyyMMdd")
                          << "20200403";
    QTest::newRow("invalid time") << UnsharedDataCell::FromDateTime(QDateTime(), "hh:mm") << "";
    QTest::newRow("translater") << UnsharedDataCell::FromTranslater("1", QString::fromUtf8("买"))
                                << QString::fromUtf8("买");
}

void TstDataCell::rendersForScreen() {
    QFETCH(UnsharedDataCell, cell);
    QFETCH(QString, text);
    QCOMPARE(cell.DisplayText(), text);
    QCOMPARE(cell.ToString(), text);  // only a text cell differs, and there text == display
}

void TstDataCell::numericValues_data() {
    QTest::addColumn<UnsharedDataCell>("cell");
    QTest::addColumn<qint64>("asInt64");
    QTest::addColumn<double>("asDouble");
    QTest::newRow("empty") << UnsharedDataCell() << qint64(0) << 0.0;
    QTest::newRow("big integer") << UnsharedDataCell::FromBigInteger(qint64(1) << 40)
                                 << (qint64(1) << 40) << double(qint64(1) << 40);
    QTest::newRow("volume") << UnsharedDataCell::FromVolume(123456789) << qint64(123456789)
                            << 123456789.0;
    QTest::newRow("price keeps raw integer")
        << UnsharedDataCell::FromPrice(1050, 2) << qint64(1050) << 10.5;
    QTest::newRow("real price in its decimals")
        << UnsharedDataCell::FromRealPrice(10.5, 2) << qint64(1050) << 10.5;
    QTest::newRow("ratio truncates")
        << UnsharedDataCell::FromPercentRatio(1.75) << qint64(1) << 1.75;
    QTest::newRow("unit") << UnsharedDataCell::FromMagnitudeUnit(100, "x") << qint64(100) << 100.0;
    QTest::newRow("numeric text") << UnsharedDataCell(QStringLiteral(" 42 ")) << qint64(42) << 42.0;
    QTest::newRow("other text") << UnsharedDataCell(QStringLiteral("abc")) << qint64(0) << 0.0;
    QTest::newRow("translater key")
        << UnsharedDataCell::FromTranslater("7", "seven") << qint64(7) << 7.0;
}

void TstDataCell::numericValues() {
    QFETCH(UnsharedDataCell, cell);
    QFETCH(qint64, asInt64);
    QFETCH(double, asDouble);
    QCOMPARE(cell.ToInt64(), asInt64);
    QCOMPARE(cell.ToDouble(), asDouble);
}

void TstDataCell::keepsKindAndTexts() {
    const QDateTime t(QDate(1900, 1, 1), QTime(14, 5, 9));
    const UnsharedDataCell time = UnsharedDataCell::FromDateTime(t, "hh:mm:ss");
    QCOMPARE(time.kind(), Kind::DateTime);
    QCOMPARE(time.ToInt64(), t.toMSecsSinceEpoch());
    QCOMPARE(time.ToDateTime(), t);
    QCOMPARE(time.Format(), QStringLiteral("hh:mm:ss"));
    QCOMPARE(time.DisplayText(), QStringLiteral("14:05:09"));

    const UnsharedDataCell tr = UnsharedDataCell::FromTranslater("-1", QString::fromUtf8("卖"));
    QCOMPARE(tr.kind(), Kind::Translater);
    QCOMPARE(tr.Key(), QStringLiteral("-1"));
    QCOMPARE(tr.ToInt64(), qint64(-1));

    QCOMPARE(UnsharedDataCell::FromPrice(1050, 2).Decimals(), 2);
    QCOMPARE(UnsharedDataCell::FromPrice(1, 40).Decimals(), 18);
    QVERIFY(UnsharedDataCell().IsEmpty());
    QVERIFY(!UnsharedDataCell(QString()).IsEmpty());  // an empty text is still a text cell
    QCOMPARE(UnsharedDataCell(QStringLiteral("a")).kind(), Kind::Text);
    QCOMPARE(UnsharedDataCell::FromVolume(1).kind(), Kind::Volume);
    QCOMPARE(UnsharedDataCell::FromPercentFloatRatio(0.1).kind(), Kind::PercentFloatRatio);
}

void TstDataCell::integerKeysSortNumerically() {
    QVERIFY(UnsharedDataCell::FromInteger(3) < UnsharedDataCell::FromInteger(10));
    QVERIFY(!(UnsharedDataCell::FromInteger(10) < UnsharedDataCell::FromInteger(3)));
    QMap<UnsharedDataCell, int> book;
    for (qint64 price : QList<qint64>{1050, 3, 10, -1, 999999999999, 2}) {
        book.insert(UnsharedDataCell::FromInteger(price), int(price % 1000));
    }
    book.insert(UnsharedDataCell::FromInteger(10), 77);  // same key replaces
    QList<qint64> keys;
    for (const UnsharedDataCell& k : book.keys()) {
        keys << k.ToInt64();
    }
    QCOMPARE(keys, (QList<qint64>{-1, 2, 3, 10, 1050, 999999999999}));
    QCOMPARE(book.value(UnsharedDataCell::FromInteger(10)), 77);
}

void TstDataCell::ordersByKindThenValueThenText() {
    using C = UnsharedDataCell;
    QVERIFY(C() < C(QStringLiteral("")));
    QVERIFY(C(QStringLiteral("z")) < C::FromInteger(-100));  // kind first
    QVERIFY(C::FromInteger(100) < C::FromBigInteger(1));
    QVERIFY(C(QStringLiteral("10")) < C(QStringLiteral("9")));  // text orders as text
    QVERIFY(C::FromPrice(1050, 2) < C::FromPrice(106, 1));      // 10.50 < 10.6
    QVERIFY(C::FromPrice(-1, 0) < C::FromPrice(0, 5));
    QVERIFY(C::FromPrice(1050, 2) != C::FromPrice(10500, 3));  // same amount, other decimals
    QVERIFY(C::FromPrice(1050, 2) < C::FromPrice(10500, 3));
    QVERIFY(C::FromRealPrice(-0.0, 2) == C::FromRealPrice(0.0, 2));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    QVERIFY(C::FromRealPrice(nan, 2) < C::FromRealPrice(-1e300, 2));
    QVERIFY(C::FromRealPrice(nan, 2) == C::FromRealPrice(nan, 2));
    QVERIFY(C::FromTranslater("1", "b") < C::FromTranslater("2", "a"));  // key before text
    QVERIFY(C::FromTranslater("1", "a") < C::FromTranslater("1", "b"));
    QVERIFY(C::FromMagnitudeUnit(100, "a") < C::FromMagnitudeUnit(100, "b"));
    QVERIFY(C::FromMagnitudeUnit(10, "z") < C::FromMagnitudeUnit(100, "a"));
    QCOMPARE(C::FromInteger(5), C::FromInteger(5));
    QVERIFY(C::FromInteger(5) != C::FromBigInteger(5));
}

void TstDataCell::orderIsStrictWeak() {
    using C = UnsharedDataCell;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const QList<C> cells = {
        C(),
        C(QStringLiteral("a")),
        C(QStringLiteral("")),
        C::FromInteger(-3),
        C::FromInteger(3),
        C::FromBigInteger(3),
        C::FromVolume(3),
        C::FromPrice(300, 2),
        C::FromPrice(3, 0),
        C::FromPrice(30, 1),
        C::FromRealPrice(3.0, 2),
        C::FromRealPrice(3.0, 1),
        C::FromRealPrice(nan, 2),
        C::FromRealPrice(-0.0, 2),
        C::FromRealPrice(0.0, 2),
        C::FromPercentRatio(0.5),
        C::FromPercentFloatRatio(0.5),
        C::FromMagnitudeUnit(100, QString::fromUtf8("手")),
        C::FromDateTime(QDateTime(QDate(2019, 1, 1), QTime(9, 30)), "hh:mm"),
        C::FromDateTime(QDateTime(QDate(2019, 1, 1), QTime(9, 30)), "hh"),
        C::FromTranslater("1", "x"),
        C::FromTranslater("1", "y"),
    };
    for (const C& a : cells) {
        QVERIFY(!(a < a));
        for (const C& b : cells) {
            const bool equivalent = !(a < b) && !(b < a);
            QCOMPARE(a == b, equivalent);
            if (a < b) {
                QVERIFY(!(b < a));
            }
            for (const C& c : cells) {
                if (a < b && b < c) {
                    QVERIFY(a < c);
                }
                if (equivalent && !(b < c) && !(c < b)) {
                    QVERIFY(!(a < c) && !(c < a));
                }
            }
        }
    }
}

void TstDataCell::staysSmall() {
    // Built per field on hot paths: an inline value and two implicitly shared texts at most.
    QVERIFY(sizeof(UnsharedDataCell) <= 32);
}

QTEST_GUILESS_MAIN(TstDataCell)
#include "tst_datacell.moc"
