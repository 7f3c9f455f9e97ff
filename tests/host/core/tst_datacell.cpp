#include <QtTest>
#include <cmath>
#include <limits>

#include "host/core/DataRow.h"

using nscell::DataRow;
using nscell::UnsharedDataCell;
using C = UnsharedDataCell;

// The cells and rows of quote tables: UnsharedDataCell, DataRow.
class TstDataCell : public QObject {
    Q_OBJECT

private slots:
    void rendersForScreen_data() {
        QTest::addColumn<C>("cell");
        QTest::addColumn<QString>("text");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("volume below 万") << C::FromVolume(9999) << "9999";
        QTest::newRow("volume 万") << C::FromVolume(12345) << QString::fromUtf8("1.23万");
        QTest::newRow("negative 亿") << C::FromVolume(-123456789) << QString::fromUtf8("-1.23亿");
        QTest::newRow("万 rounding to 亿")
            << C::FromVolume(99999999) << QString::fromUtf8("1.00亿");
        QTest::newRow("price") << C::FromPrice(123456, 3) << "123.456";
        QTest::newRow("negative price below one") << C::FromPrice(-5, 2) << "-0.05";
        QTest::newRow("price int32 min")
            << C::FromPrice(std::numeric_limits<qint32>::min(), 2) << "-21474836.48";
        QTest::newRow("real price rounds") << C::FromRealPrice(1.0 / 3, 3) << "0.333";
        QTest::newRow("real price nan") << C::FromRealPrice(nan, 2) << "--";
        QTest::newRow("negative ratio") << C::FromPercentRatio(-0.005) << "-0.50%";
        QTest::newRow("ratio of zero day volume")
            << C::FromPercentRatio(std::numeric_limits<double>::infinity()) << "--";
        QTest::newRow("time") << C::FromDateTime(QDateTime(QDate(1900, 1, 1), QTime(14, 5, 9)),
                                                 "hh:mm:ss")
                              << "14:05:09";
        QTest::newRow("translater")
            << C::FromTranslater("1", QString::fromUtf8("买")) << QString::fromUtf8("买");
    }

    void rendersForScreen() {
        QFETCH(C, cell);
        QFETCH(QString, text);
        QCOMPARE(cell.DisplayText(), text);
        QCOMPARE(cell.ToString(), text);  // only a text cell differs, and there text == display
    }

    void numericValues_data() {
        QTest::addColumn<C>("cell");
        QTest::addColumn<qint64>("asInt64");
        QTest::addColumn<double>("asDouble");
        QTest::newRow("empty") << C() << qint64(0) << 0.0;
        QTest::newRow("price keeps raw integer") << C::FromPrice(1050, 2) << qint64(1050) << 10.5;
        QTest::newRow("ratio truncates") << C::FromPercentRatio(1.75) << qint64(1) << 1.75;
        QTest::newRow("numeric text") << C(QStringLiteral(" 42 ")) << qint64(42) << 42.0;
        QTest::newRow("other text") << C(QStringLiteral("abc")) << qint64(0) << 0.0;
        QTest::newRow("translater key") << C::FromTranslater("-1", "sell") << qint64(-1) << -1.0;
    }

    void numericValues() {
        QFETCH(C, cell);
        QFETCH(qint64, asInt64);
        QFETCH(double, asDouble);
        QCOMPARE(cell.ToInt64(), asInt64);
        QCOMPARE(cell.ToDouble(), asDouble);
    }

    void ordersByKindThenValueThenText() {
        QVERIFY(C::FromInteger(3) < C::FromInteger(10));  // price-level keys sort numerically
        QVERIFY(C(QStringLiteral("z")) < C::FromInteger(-100));     // kind first
        QVERIFY(C(QStringLiteral("10")) < C(QStringLiteral("9")));  // text orders as text
        QVERIFY(C::FromPrice(1050, 2) < C::FromPrice(106, 1));      // 10.50 < 10.6
        QVERIFY(C::FromPrice(1050, 2) != C::FromPrice(10500, 3));   // same amount, other decimals
        QVERIFY(C::FromRealPrice(-0.0, 2) == C::FromRealPrice(0.0, 2));
        const double nan = std::numeric_limits<double>::quiet_NaN();
        QVERIFY(C::FromRealPrice(nan, 2) < C::FromRealPrice(-1e300, 2));
        QVERIFY(C::FromRealPrice(nan, 2) == C::FromRealPrice(nan, 2));
        QVERIFY(C::FromTranslater("1", "b") < C::FromTranslater("2", "a"));  // key before text
        QVERIFY(C::FromMagnitudeUnit(10, "z") < C::FromMagnitudeUnit(100, "a"));
        QVERIFY(C::FromInteger(5) != C::FromBigInteger(5));
    }

    void orderIsStrictWeak() {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        QList<C> cells;
        cells << C() << C(QStringLiteral("a")) << C(QStringLiteral("")) << C::FromInteger(-3)
              << C::FromInteger(3) << C::FromBigInteger(3) << C::FromPrice(300, 2)
              << C::FromPrice(3, 0) << C::FromRealPrice(3.0, 2) << C::FromRealPrice(nan, 2)
              << C::FromRealPrice(-0.0, 2) << C::FromRealPrice(0.0, 2) << C::FromPercentRatio(0.5)
              << C::FromTranslater("1", "x") << C::FromTranslater("1", "y")
              << C::FromMagnitudeUnit(100, "a");
        for (const C& a : cells) {
            QVERIFY(!(a < a));
            for (const C& b : cells) {
                const bool equivalent = !(a < b) && !(b < a);
                QCOMPARE(a == b, equivalent);
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

    void rowCopyOnWrite() {
        DataRow original;
        QVERIFY(original.Get("price").IsEmpty());
        original.Set("price", C::FromBigInteger(1050));
        original.Set("type", C(QStringLiteral("buy")));
        DataRow copy = original;
        QVERIFY(copy.GetCells().IsSharedWith(original.GetCells()));
        copy.Set("price", C::FromPrice(1050, 2));  // replaces
        copy.Set("vol", C::FromBigInteger(7));
        QVERIFY(copy.Remove("type"));
        QVERIFY(!copy.Remove("type"));
        QCOMPARE(original.Get("price"), C::FromBigInteger(1050));
        QCOMPARE(original.Names(), (QStringList{"price", "type"}));
        QCOMPARE(copy.Names(), (QStringList{"price", "vol"}));
        QVERIFY(copy != original);
        DataRow same;
        same.Set("type", C(QStringLiteral("buy")));
        same.Set("price", C::FromBigInteger(1050));
        QVERIFY(same == original);  // equal content in separate maps
    }
};

QTEST_GUILESS_MAIN(TstDataCell)
#include "tst_datacell.moc"
