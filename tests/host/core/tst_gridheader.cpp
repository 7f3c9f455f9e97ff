#include <QtTest>

#include "host/core/DynamicDataGridHeader.h"

class TstGridHeader : public QObject {
    Q_OBJECT

private slots:
    void createsColumnsInOrderOfFirstUse();
    void unknownIdWithoutCreateIsMinusOne();
};

void TstGridHeader::createsColumnsInOrderOfFirstUse() {
    DynamicDataGridHeader header;
    QCOMPARE(header.GetCapacity(), 0);
    QCOMPARE(header.GetIndex(0, true), 0);
    QCOMPARE(header.GetIndex(1001, true), 1);
    QCOMPARE(header.GetIndex(-7, true), 2);
    QCOMPARE(header.GetIndex(1001, true), 1);  // known ids keep their index
    QCOMPARE(header.GetIndex(0, false), 0);
    QCOMPARE(header.GetCapacity(), 3);
    QCOMPARE(header.ColumnId(2), -7);
    QCOMPARE(header.ColumnIds(), (QVector<int>{0, 1001, -7}));
}

void TstGridHeader::unknownIdWithoutCreateIsMinusOne() {
    DynamicDataGridHeader header;
    header.GetIndex(5, true);
    QCOMPARE(header.GetIndex(6, false), -1);
    QCOMPARE(header.GetCapacity(), 1);  // a lookup does not add a column
    QCOMPARE(header.IndexOf(6), -1);
    QCOMPARE(header.ColumnId(1), -1);
}

QTEST_GUILESS_MAIN(TstGridHeader)
#include "tst_gridheader.moc"
