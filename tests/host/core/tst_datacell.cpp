#include <QtTest>
#include <algorithm>
#include <limits>

#include "host/core/DataRow.h"

using nscell::DataRow;
using C = nscell::UnsharedDataCell;

namespace {
const double kNan = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();
}  // namespace

// The cells and rows of quote tables: UnsharedDataCell, DataRow.
class TstDataCell : public QObject {
    Q_OBJECT

private slots:
    void textAndValue_data() {
        QTest::addColumn<C>("cell");
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("asInt64");
        const auto row = [](const char* name, const C& cell, const char* text, qint64 value) {
            QTest::newRow(name) << cell << QString::fromUtf8(text) << value;
        };
        row("empty", C(), "", 0);
        row("volume below 万", C::FromVolume(9999), "9999", 9999);
        row("volume 万", C::FromVolume(12345), "1.23万", 12345);
        row("negative 亿", C::FromVolume(-123456789), "-1.23亿", -123456789);
        row("万 rounding to 亿", C::FromVolume(99999999), "1.00亿", 99999999);
        row("price keeps raw integer", C::FromPrice(1050, 2), "10.50", 1050);
        row("negative price below one", C::FromPrice(-5, 2), "-0.05", -5);
        row("price int32 min", C::FromPrice(std::numeric_limits<qint32>::min(), 2), "-21474836.48",
            std::numeric_limits<qint32>::min());
        row("real price rounds", C::FromRealPrice(2.0 / 3, 3), "0.667", 667);
        row("real price nan", C::FromRealPrice(kNan, 2), "--", 0);
        row("ratio truncates", C::FromPercentRatio(-1.75), "-175.00%", -1);
        row("ratio of zero day volume", C::FromPercentRatio(kInf), "--", 0);
        row("numeric text", C(QStringLiteral(" 42 ")), " 42 ", 42);
        row("translater", C::FromTranslater("-1", QString::fromUtf8("卖")), "卖", -1);
    }

    void textAndValue() {
        QFETCH(C, cell);
        QFETCH(QString, text);
        QFETCH(qint64, asInt64);
        QCOMPARE(cell.DisplayText(), text);
        QCOMPARE(cell.ToString(), text);  // only a text cell differs, and there text == display
        QCOMPARE(cell.ToInt64(), asInt64);
    }

    void ordersByKindThenValueThenText() {
        QVERIFY(C(QStringLiteral("10")) < C(QStringLiteral("9")));  // text orders as text
        QVERIFY(C::FromPrice(1050, 2) < C::FromPrice(106, 1));      // 10.50 < 10.6
        QVERIFY(C::FromRealPrice(kNan, 2) < C::FromRealPrice(-1e300, 2));
        QVERIFY(C::FromTranslater("1", "b") < C::FromTranslater("2", "a"));  // key before text
        // A strict weak order (QMap keys), with == as its equivalence.
        const QList<C> cells = QList<C>()
                               << C() << C(QStringLiteral("a")) << C(QStringLiteral(""))
                               << C::FromInteger(-3) << C::FromInteger(3) << C::FromBigInteger(3)
                               << C::FromPrice(300, 2) << C::FromPrice(3, 0) << C::FromPrice(30, 1)
                               << C::FromRealPrice(3.0, 2) << C::FromRealPrice(kNan, 2)
                               << C::FromRealPrice(kNan, 2) << C::FromRealPrice(-0.0, 2)
                               << C::FromRealPrice(0.0, 2) << C::FromPercentRatio(0.5)
                               << C::FromTranslater("1", "x") << C::FromTranslater("1", "y")
                               << C::FromMagnitudeUnit(10, "z") << C::FromMagnitudeUnit(100, "a");
        int equalPairs = 0;
        for (const C& a : cells) {
            QVERIFY(!(a < a));
            for (const C& b : cells) {
                const bool equivalent = !(a < b) && !(b < a);
                QCOMPARE(a == b, equivalent);
                equalPairs += equivalent && &a != &b;
                for (const C& c : cells) {
                    QVERIFY(!(a < b && b < c) || a < c);
                    QVERIFY(!(equivalent && a < c) || b < c);
                    QVERIFY(!(equivalent && c < a) || c < b);
                }
            }
        }
        QCOMPARE(equalPairs, 4);  // the two NaNs and -0.0 == 0.0, each pair both ways
    }

    void rowCopyOnWrite() {
        DataRow original;
        QVERIFY(original.Get("price").IsEmpty());
        original.Set("price", C::FromBigInteger(1050));
        original.Set("type", C(QStringLiteral("buy")));
        DataRow copy = original;
        QVERIFY(copy.GetCells().IsSharedWith(original.GetCells()));
        copy.Set("price", C::FromPrice(1050, 2));  // replaces
        QVERIFY(copy.Remove("type"));
        QCOMPARE(original.Get("price"), C::FromBigInteger(1050));
        QCOMPARE(original.Names(), (QStringList{"price", "type"}));
        QCOMPARE(copy.Names(), QStringList{"price"});
        DataRow same;
        same.Set("type", C(QStringLiteral("buy")));
        same.Set("price", C::FromBigInteger(1050));
        QVERIFY(same == original && copy != original);  // by content, not by map
    }

    // Rows past the cells a row block holds inline, columns set in every order: lookups, names
    // in ascending order, and edits of a copy that leave the original alone.
    void rowKeepsColumnsSortedBeyondInlineCells_data() {
        QTest::addColumn<QStringList>("setOrder");
        const QStringList names{"a", "b", "c", "d", "e", "f", "g", "h", "i"};
        QStringList reversed = names;
        std::reverse(reversed.begin(), reversed.end());
        QTest::newRow("ascending") << names;
        QTest::newRow("descending") << reversed;
        QTest::newRow("interleaved") << QStringList{"e", "a", "i", "c", "g", "b", "h", "d", "f"};
    }
    void rowKeepsColumnsSortedBeyondInlineCells() {
        QFETCH(QStringList, setOrder);
        DataRow row;
        for (const QString& name : setOrder) {
            row.Set(name, C::FromBigInteger(name.at(0).unicode()));
        }
        row.Set("e", C::FromBigInteger(-1));  // replaced, not added
        row.Set("i", C::FromBigInteger(-2));  // the last column too
        QCOMPARE(row.Size(), 9);
        QCOMPARE(row.Names(), (QStringList{"a", "b", "c", "d", "e", "f", "g", "h", "i"}));
        QCOMPARE(row.Get("h"), C::FromBigInteger('h'));
        QCOMPARE(row.Get("i"), C::FromBigInteger(-2));
        QCOMPARE(row.Get("e"), C::FromBigInteger(-1));
        QVERIFY(row.Get("j").IsEmpty() && !row.Contains("0"));

        DataRow copy = row;
        QVERIFY(copy.Remove("a") && copy.Remove("i") && !copy.Remove("x"));
        QCOMPARE(copy.Names(), (QStringList{"b", "c", "d", "e", "f", "g", "h"}));
        QCOMPARE(row.Size(), 9);
        QVERIFY(row.Contains("a") && row.Contains("i"));
    }

    // Empty rows are all one shared block; a failed remove leaves a shared row shared.
    void emptyRowsShareAndReadsNeverDetach() {
        DataRow first;
        DataRow second;
        QVERIFY(first.GetCells().IsSharedWith(second.GetCells()));
        QVERIFY(!first.Remove("price"));
        QVERIFY(first.GetCells().IsSharedWith(second.GetCells()));
        first.Set("price", C::FromBigInteger(1));
        QVERIFY(second.IsEmpty() && !first.GetCells().IsSharedWith(second.GetCells()));

        DataRow copy = first;
        QVERIFY(!copy.Remove("type"));
        QCOMPARE(copy.Get("price"), C::FromBigInteger(1));
        QVERIFY(copy.GetCells().IsSharedWith(first.GetCells()));
    }
};

QTEST_GUILESS_MAIN(TstDataCell)
#include "tst_datacell.moc"
