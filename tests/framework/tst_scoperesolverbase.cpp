#include <QtTest>

#include "framework/ScopeResolverBase.h"

namespace {

// A resolver shaped like the plug-in's: accepts "test_scope", splits it into one remote-call
// child "qz_test_19999" (API type "19999") and one remainder child of numeric scope type 2.
class TestResolver : public ScopeResolverBase {
public:
    using ScopeResolverBase::ScopeResolverBase;

    void Init() override {
        ResetTables({"test_scope"});
        AddJoinMethod(JoinMethodKey("test_scope", ScopeSplitTypeVariant(8), "qz_test_19999"),
                      [](ScopeTreeNode& target, const ScopeTreeNode& source) {
                          target.quote_data = source.quote_data;
                          return JoinMethodResult(!source.quote_data.isNull());
                      });
    }

    bool Resolve(ScopeResolveResult& result, const ScopeTreeNode& node) override {
        if (node.scope_type != ScopeTypeVariant("test_scope")) {
            return false;
        }
        ScopeTreeNode remainder = MakeChild(node, 2, ScopeTypeVariant(), false);
        FillResult(result, SplitCopy(node), {MakeChild(node, "qz_test_19999", "19999")},
                   {remainder});
        return true;
    }
};

}  // namespace

class TestScopeResolverBase : public QObject {
    Q_OBJECT

private slots:
    void initFillsTables();
    void resolveSplitsIntoChildren();
    void foreignNodeIsLeft();
};

void TestScopeResolverBase::initFillsTables() {
    HandlerConfiguration configuration;
    TestResolver resolver(&configuration);
    resolver.Init();
    resolver.Init();  // Init again does not duplicate the joins
    QVERIFY(resolver.CanSupport(ScopeTypeVariant("test_scope")));
    QVERIFY(!resolver.CanSupport(ScopeTypeVariant(2)));
    QCOMPARE(resolver.GetJoinMethodList().size(), 1);
    const JoinMethodKey key = resolver.GetJoinMethodList().first().Key();
    QCOMPARE(key.ParentType(), ScopeTypeVariant("test_scope"));
    QCOMPARE(key.SplitType().Value(), 8);
    QCOMPARE(key.ChildType(), ScopeTypeVariant("qz_test_19999"));
}

void TestScopeResolverBase::resolveSplitsIntoChildren() {
    HandlerConfiguration configuration;
    TestResolver resolver(&configuration);
    resolver.Init();
    ScopeTreeNode node("test_scope");
    node.stock_list = StockListExpression::FromStockCode("SH600000");
    node.shared_block = {{11, 22}};
    ScopeResolveResult result;
    QVERIFY(resolver.Resolve(result, node));

    QCOMPARE(result.replacement_nodes.size(), 1);
    const ScopeTreeNode& copy = result.replacement_nodes.at(0);
    QCOMPARE(copy.scope_id, node.scope_id);
    QCOMPARE(copy.split_type.Value(), 8);

    QCOMPARE(result.fetch_nodes.size(), 1);
    const ScopeTreeNode& child = result.fetch_nodes.at(0);
    QVERIFY(child.scope_id != node.scope_id);
    QCOMPARE(child.parent_scope_id, node.scope_id);
    QCOMPARE(child.scope_type, ScopeTypeVariant("qz_test_19999"));
    QCOMPARE(child.api_type, ScopeTypeVariant("19999"));
    QCOMPARE(child.stock_list.GetStockCode(), QString("SH600000"));
    QCOMPARE(child.shared_block, (std::array<qint32, 2>{{11, 22}}));

    QCOMPARE(result.unhandled_nodes.size(), 1);
    const ScopeTreeNode& remainder = result.unhandled_nodes.at(0);
    QCOMPARE(remainder.scope_type, ScopeTypeVariant(2));
    QCOMPARE(remainder.shared_block, (std::array<qint32, 2>{{0, 0}}));
}

void TestScopeResolverBase::foreignNodeIsLeft() {
    HandlerConfiguration configuration;
    TestResolver resolver(&configuration);
    resolver.Init();
    ScopeResolveResult result;
    QVERIFY(!resolver.Resolve(result, ScopeTreeNode(2)));
    QVERIFY(result.IsEmpty());
}

QTEST_GUILESS_MAIN(TestScopeResolverBase)
#include "tst_scoperesolverbase.moc"
