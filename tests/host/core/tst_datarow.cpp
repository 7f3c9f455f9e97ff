#include <QtTest>

#include "host/core/DataRow.h"

using nscell::DataRow;
using nscell::SharedMap;
using nscell::SharedMapEditor;
using nscell::UnsharedDataCell;

class TstDataRow : public QObject {
    Q_OBJECT

private slots:
    void missingNameGivesEmptyCell();
    void setContainsSizeNames();
    void editingACopyLeavesTheOriginal();
    void equalityComparesCells();
    void editorDetachesOnlyOnWrite();
    void orderValueComesFromOrderColumn();
};

void TstDataRow::missingNameGivesEmptyCell() {
    DataRow row;
    QVERIFY(row.Get("price").IsEmpty());
    row.Set("price", UnsharedDataCell::FromPrice(1050, 2));
    QVERIFY(row.Get("vol").IsEmpty());
    QVERIFY(!row.Contains("vol"));
}

void TstDataRow::setContainsSizeNames() {
    DataRow row;
    row.Set("vol", UnsharedDataCell::FromBigInteger(500));
    row.Set("type", UnsharedDataCell(QStringLiteral("buy")));
    row.Set("price", UnsharedDataCell::FromBigInteger(1050));
    row.Set("price", UnsharedDataCell::FromPrice(1050, 2));  // replaces
    QCOMPARE(row.Size(), 3);
    QVERIFY(row.Contains("type"));
    QCOMPARE(row.Names(), (QStringList{"price", "type", "vol"}));
    QCOMPARE(row.Get("price"), UnsharedDataCell::FromPrice(1050, 2));
    QVERIFY(row.Remove("type"));
    QVERIFY(!row.Remove("type"));
    QCOMPARE(row.Size(), 2);
}

void TstDataRow::editingACopyLeavesTheOriginal() {
    DataRow original;
    original.Set("price", UnsharedDataCell::FromBigInteger(1050));
    DataRow copy = original;
    QVERIFY(copy.GetCells().IsSharedWith(original.GetCells()));
    copy.Set("price", UnsharedDataCell::FromPrice(1050, 2));
    copy.Set("vol", UnsharedDataCell::FromBigInteger(7));
    QVERIFY(!copy.GetCells().IsSharedWith(original.GetCells()));
    QCOMPARE(original.Get("price"), UnsharedDataCell::FromBigInteger(1050));
    QCOMPARE(original.Size(), 1);
    QCOMPARE(copy.Get("price").DisplayText(), QStringLiteral("10.50"));
    QCOMPARE(copy.Size(), 2);
}

void TstDataRow::equalityComparesCells() {
    DataRow a;
    DataRow b;
    QVERIFY(a == b);
    a.Set("x", UnsharedDataCell::FromInteger(1));
    QVERIFY(a != b);
    b.Set("x", UnsharedDataCell::FromInteger(1));
    QVERIFY(a == b);  // equal content in separate maps
    b.Set("x", UnsharedDataCell::FromBigInteger(1));
    QVERIFY(a != b);
}

void TstDataRow::editorDetachesOnlyOnWrite() {
    SharedMap<QString, int> map;
    SharedMapEditor<QString, int>(map).Set("a", 1);
    SharedMap<QString, int> copy = map;
    SharedMapEditor<QString, int> editor(copy);
    QVERIFY(copy.IsSharedWith(map));  // an idle editor does not detach
    editor["b"] = 2;
    QVERIFY(!copy.IsSharedWith(map));
    QCOMPARE(map.Size(), 1);
    QCOMPARE(copy.Value("b"), 2);
    QCOMPARE(copy.Value("zz", -1), -1);
    QVERIFY(copy.Find("zz") == nullptr);
    editor.Clear();
    QVERIFY(copy.IsEmpty());
    QCOMPARE(map.Keys(), QStringList{"a"});
}

void TstDataRow::orderValueComesFromOrderColumn() {
    DataRow row;
    QCOMPARE(row.OrderValue(), qint64(0));
    row.Set("order", UnsharedDataCell::FromInteger(42));
    QCOMPARE(row.OrderValue(), qint64(42));
}

QTEST_GUILESS_MAIN(TstDataRow)
#include "tst_datarow.moc"
