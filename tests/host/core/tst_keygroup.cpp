#include <QtTest>

#include "host/core/CKeyGroup.h"

using nscell::UnsharedDataCell;

class TstKeyGroup : public QObject {
    Q_OBJECT

private slots:
    void varConversions_data();
    void varConversions();
    void keepsAppendOrder();
    void missingKeyGivesEmptyVar();
};

void TstKeyGroup::varConversions_data() {
    QTest::addColumn<CTVar>("var");
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("integer");
    QTest::newRow("empty") << CTVar() << "" << qint64(0);
    QTest::newRow("text code") << CTVar(QStringLiteral("SH600000")) << "SH600000" << qint64(0);
    QTest::newRow("numeric text") << CTVar(QStringLiteral("120")) << "120" << qint64(120);
    QTest::newRow("int") << CTVar(-5) << "-5" << qint64(-5);
    QTest::newRow("int64") << CTVar(qint64(1) << 40) << "1099511627776" << (qint64(1) << 40);
    QTest::newRow("pair") << CTVar(3, 4) << "3,4" << qint64(3);
    QTest::newRow("integer cell") << CTVar::FromDataCell(
                                         UnsharedDataCell::FromInteger(1577836800000))
                                  << "1577836800000" << qint64(1577836800000);
    QTest::newRow("price cell") << CTVar::FromDataCell(UnsharedDataCell::FromPrice(1050, 2))
                                << "10.50" << qint64(1050);
}

void TstKeyGroup::varConversions() {
    QFETCH(CTVar, var);
    QFETCH(QString, text);
    QFETCH(qint64, integer);
    QCOMPARE(var.ToString(), text);
    QCOMPARE(var.ToInt64(), integer);
    QCOMPARE(var.ToInt(), int(integer));
}

void TstKeyGroup::keepsAppendOrder() {
    CKeyGroup group;
    group.Append("stock_code", CTVar(QStringLiteral("SZ000001")));
    group.Append("index", CTVar(0));
    group.Append("count", CTVar(10));
    group.Append("timestamp", CTVar::FromDataCell(UnsharedDataCell::FromInteger(99)));
    group.Append("index", CTVar(5));  // replaces in place
    QCOMPARE(group.Size(), 4);
    const auto items = group.Items();
    QCOMPARE(items.at(0).first, QStringLiteral("stock_code"));
    QCOMPARE(items.at(1).first, QStringLiteral("index"));
    QCOMPARE(items.at(1).second.ToInt(), 5);
    QCOMPARE(items.at(3).first, QStringLiteral("timestamp"));
    QCOMPARE(group.Value("timestamp").ToDataCell(), UnsharedDataCell::FromInteger(99));
    QCOMPARE(group.Value("stock_code").ToString(), QStringLiteral("SZ000001"));
}

void TstKeyGroup::missingKeyGivesEmptyVar() {
    CKeyGroup group;
    group.Append("seccode", CTVar(QStringLiteral("SH600000")));
    QVERIFY(!group.Contains("timestamp"));
    QVERIFY(group.Value("timestamp").IsEmpty());
    QVERIFY(group.Value("timestamp").ToDataCell().IsEmpty());
    QCOMPARE(group.Value("timestamp").ToInt64(), qint64(0));
    QVERIFY(CTVar(1) != CTVar(qint64(1)));  // the type is part of the value
    QVERIFY(CTVar(1) == CTVar(1));
}

QTEST_GUILESS_MAIN(TstKeyGroup)
#include "tst_keygroup.moc"
