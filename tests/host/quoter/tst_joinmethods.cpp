#include <QtTest>

#include <thread>

#include "host/quoter/JoinMethodManager.h"

namespace {

JoinMethodValue Tagging(const JoinMethodKey& key, const QString& tag) {
    return JoinMethodValue(key, [tag](ScopeTreeNode& target, const ScopeTreeNode&) {
        target.variant = tag;
        return JoinMethodResult(true);
    });
}

QString RunFound(const std::optional<JoinMethodValue>& join) {
    if (!join) {
        return QStringLiteral("<none>");
    }
    ScopeTreeNode target, source;
    join->Run(target, source);
    return target.variant.toString();
}

}  // namespace

class TstJoinMethods : public QObject {
    Q_OBJECT
private slots:
    void keyEqualityDistinguishesSplit();
    void keyOrderIsStrict();
    void lookup_data();
    void lookup();
    void reRegisteringReplaces();
    void valueWithoutFunctionFails();
    void concurrentRegistration();
};

void TstJoinMethods::keyEqualityDistinguishesSplit() {
    const JoinMethodKey withSplit(ScopeTypeVariant(2), ScopeSplitTypeVariant(8),
                                  "qz_Lv2_quoter_10002");
    const JoinMethodKey withoutSplit(ScopeTypeVariant(2), "qz_Lv2_quoter_10002");
    const JoinMethodKey splitZero(ScopeTypeVariant(2), ScopeSplitTypeVariant(0),
                                  "qz_Lv2_quoter_10002");
    QVERIFY(withSplit != withoutSplit);
    QVERIFY(splitZero != withoutSplit);  // "split 0" is not "any split"
    QVERIFY(withSplit == JoinMethodKey(2, ScopeSplitTypeVariant(8), "qz_Lv2_quoter_10002"));
    QCOMPARE(qHash(withSplit),
             qHash(JoinMethodKey(2, ScopeSplitTypeVariant(8), "qz_Lv2_quoter_10002")));
    QVERIFY(withSplit.HasSplitType());
    QVERIFY(!withoutSplit.HasSplitType());
    QCOMPARE(withSplit.SplitType().Value(), 8);
}

void TstJoinMethods::keyOrderIsStrict() {
    const QList<JoinMethodKey> keys{
        JoinMethodKey(2, "b"),
        JoinMethodKey(2, ScopeSplitTypeVariant(0), "a"),
        JoinMethodKey(2, ScopeSplitTypeVariant(8), "a"),
        JoinMethodKey(2, ScopeSplitTypeVariant(8), "b"),
        JoinMethodKey("l2_fast_quote", "a"),
    };
    for (int i = 0; i < keys.size(); ++i) {
        QVERIFY(!(keys[i] < keys[i]));
        for (int j = i + 1; j < keys.size(); ++j) {
            QVERIFY2(keys[i] < keys[j], qPrintable(QString("%1 < %2").arg(i).arg(j)));
            QVERIFY(!(keys[j] < keys[i]));
        }
    }
}

void TstJoinMethods::lookup_data() {
    QTest::addColumn<int>("split");
    QTest::addColumn<QString>("child");
    QTest::addColumn<QString>("expected");
    // Registered below: (2, 8, "c10002") -> "split", (2, "c10002") -> "any", (2, "c12755") ->
    // "only-any"
    QTest::newRow("exact split wins") << 8 << "c10002"
                                      << "split";
    QTest::newRow("other split falls back") << 3 << "c10002"
                                            << "any";
    QTest::newRow("no split entry falls back") << 8 << "c12755"
                                               << "only-any";
    QTest::newRow("unknown child") << 8 << "c99999"
                                   << "<none>";
}

void TstJoinMethods::lookup() {
    QFETCH(int, split);
    QFETCH(QString, child);
    QFETCH(QString, expected);
    JoinMethodManager manager;
    manager.RegisterJoinMethod(
        Tagging(JoinMethodKey(2, ScopeSplitTypeVariant(8), "c10002"), "split"));
    manager.RegisterJoinMethod(Tagging(JoinMethodKey(2, "c10002"), "any"));
    manager.RegisterJoinMethod(Tagging(JoinMethodKey(2, "c12755"), "only-any"));
    QCOMPARE(manager.Count(), 3);
    QCOMPARE(RunFound(manager.Find(2, ScopeSplitTypeVariant(split), child)), expected);
    // The parent type must match exactly: the text "2" is not the number 2.
    QCOMPARE(RunFound(manager.Find("2", ScopeSplitTypeVariant(split), child)),
             QStringLiteral("<none>"));
}

void TstJoinMethods::reRegisteringReplaces() {
    JoinMethodManager manager;
    const JoinMethodKey key("短线精灵查询", "qz_lv2_quoter_10015");
    manager.RegisterJoinMethod(Tagging(key, "first"));
    manager.RegisterJoinMethod(Tagging(key, "second"));
    QCOMPARE(manager.Count(), 1);
    QCOMPARE(RunFound(manager.Find(key)), QStringLiteral("second"));
    manager.Clear();
    QCOMPARE(manager.Count(), 0);
}

void TstJoinMethods::valueWithoutFunctionFails() {
    const JoinMethodValue empty(JoinMethodKey(1, "x"), JoinMethodValue::Method());
    ScopeTreeNode a, b;
    QVERIFY(!empty.Run(a, b).IsSuccess());
    QVERIFY(!JoinMethodResult().IsSuccess());
    QVERIFY(static_cast<bool>(JoinMethodResult(true)));
}

void TstJoinMethods::concurrentRegistration() {
    JoinMethodManager manager;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&manager, t] {
            for (int i = 0; i < 200; ++i) {
                manager.RegisterJoinMethod(Tagging(JoinMethodKey(t, QString::number(i)), "v"));
                manager.Find(t, ScopeSplitTypeVariant(8), QString::number(i));
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    QCOMPARE(manager.Count(), 800);
    QCOMPARE(RunFound(manager.Find(3, ScopeSplitTypeVariant(8), "199")), QStringLiteral("v"));
}

QTEST_GUILESS_MAIN(TstJoinMethods)
#include "tst_joinmethods.moc"
