#include <QtTest>

#include <set>

#include "host/quoter/ScopeTree.h"

Q_DECLARE_METATYPE(ScopeTypeVariant)

class TstScopeTree : public QObject {
    Q_OBJECT
private slots:
    void typeVariantKindsAndOrder();
    void typeVariantConversions_data();
    void typeVariantConversions();
    void keyListTextRoundTrip();
    void stockAndXrExpressionsGiveFirstOrEmpty();
    void fromParentNodeCopiesRequestFieldsOnly();
    void fromParentNodeGivesFreshIds();
    void nodeListAppendsNodesAndLists();
    void resolveResultAppendsAllThreeLists();
    void adjustByServesReplacedAndFetchedNodes();
    void adjustByKeepsUnhandledRemained();
    void addRootIndexesChildrenMember();
    void updateNodeKeepsStructure();
    void unknownParentBecomesRoot();
};

void TstScopeTree::typeVariantKindsAndOrder() {
    const ScopeTypeVariant two(2);
    const ScopeTypeVariant twoText("2");
    QVERIFY(two.IsInt());
    QVERIFY(!twoText.IsInt());
    QVERIFY(two != twoText);  // a number never equals a text
    QVERIFY(two < twoText);   // numbers order first
    QVERIFY(!(twoText < two));
    QVERIFY(ScopeTypeVariant(2) < ScopeTypeVariant(10));
    QVERIFY(ScopeTypeVariant("10001") < ScopeTypeVariant("10002"));
    QVERIFY(ScopeTypeVariant("abc") == ScopeTypeVariant(QStringLiteral("abc")));
    QVERIFY(ScopeTypeVariant("abc") == ScopeTypeVariant(std::string("abc")));
    QCOMPARE(qHash(ScopeTypeVariant("abc")), qHash(ScopeTypeVariant(QStringLiteral("abc"))));
    QVERIFY(ScopeTypeVariant().IsEmpty());

    std::set<ScopeTypeVariant> set{ScopeTypeVariant("l2"), ScopeTypeVariant(2),
                                   ScopeTypeVariant("2")};
    QCOMPARE(int(set.size()), 3);
    QHash<ScopeTypeVariant, int> hash;
    hash.insert(ScopeTypeVariant(7), 1);
    hash.insert(ScopeTypeVariant("7"), 2);
    QCOMPARE(hash.value(ScopeTypeVariant(7)), 1);
    QCOMPARE(hash.value(ScopeTypeVariant("7")), 2);
}

void TstScopeTree::typeVariantConversions_data() {
    QTest::addColumn<ScopeTypeVariant>("type");
    QTest::addColumn<int>("asInt");
    QTest::addColumn<QString>("asText");
    QTest::newRow("int") << ScopeTypeVariant(18) << 18 << "18";
    QTest::newRow("negative int") << ScopeTypeVariant(-3) << -3 << "-3";
    QTest::newRow("numeric text") << ScopeTypeVariant("12989") << 12989 << "12989";
    QTest::newRow("text") << ScopeTypeVariant("l2_fast_quote") << 0 << "l2_fast_quote";
    QTest::newRow("unicode text") << ScopeTypeVariant(QStringLiteral("短线精灵查询")) << 0
                                  << QStringLiteral("短线精灵查询");
}

void TstScopeTree::typeVariantConversions() {
    QFETCH(ScopeTypeVariant, type);
    QFETCH(int, asInt);
    QFETCH(QString, asText);
    QCOMPARE(type.ToInt(), asInt);
    QCOMPARE(type.ToQString(), asText);
    QCOMPARE(QString::fromStdString(type.ToStdString()), asText);
}

void TstScopeTree::keyListTextRoundTrip() {
    const KeyListExpression keys = KeyListExpression::FromKeyList(QStringLiteral("a,supl,,b"));
    QCOMPARE(keys.GetKeyList(), (QStringList{"a", "supl", "b"}));
    QCOMPARE(keys.ToText(), QStringLiteral("a,supl,b"));
    QCOMPARE(KeyListExpression::FromKeyList(keys.ToText()), keys);
    QCOMPARE(KeyListExpression::FromKeyList("lastest_time_based_deal").GetKeyList(),
             QStringList{"lastest_time_based_deal"});
    QVERIFY(KeyListExpression::FromKeyList(QString()).IsEmpty());
}

void TstScopeTree::stockAndXrExpressionsGiveFirstOrEmpty() {
    QCOMPARE(StockListExpression().GetStockCode(), QString());
    QCOMPARE(StockListExpression::FromStockList({"SH600000", "SZ000001"}).GetStockCode(),
             QStringLiteral("SH600000"));
    QVERIFY(StockListExpression::FromStockCode(QString()).IsEmpty());
    QCOMPARE(XrListExpression().GetXr(), QString());
    QCOMPARE(XrListExpression::FromXrList({"xrtype_none", "xrtype_fore"}).GetXr(),
             QStringLiteral("xrtype_none"));
    const OrderByExpression order(QStringLiteral("time"), false);
    QCOMPARE(order.GetField(), QStringLiteral("time"));
    QVERIFY(!order.IsAscending());
    QVERIFY(OrderByExpression().IsEmpty());
}

static ScopeTreeNode FullParent() {
    ScopeTreeNode parent(ScopeTypeVariant(2));
    parent.api_type = "10002";
    parent.split_type = ScopeSplitTypeVariant(8);
    parent.stock_list = StockListExpression::FromStockCode("SH600000");
    parent.key_list = KeyListExpression::FromKeyList("money_flow_today");
    parent.order_by = OrderByExpression("time", true);
    parent.values = {1, 2};
    parent.xr_list = XrListExpression::FromXr("xrtype_none");
    parent.cycle = QStringLiteral("1min");
    parent.variant = QStringLiteral("ddts");
    parent.quote_level = 2;
    parent.params.insert("plate_list", "a,b");
    parent.shared_block = {{11, 22}};
    parent.children << ScopeTreeNode("child");
    parent.quote_data.reset(new QuoteData);
    return parent;
}

void TstScopeTree::fromParentNodeCopiesRequestFieldsOnly() {
    const ScopeTreeNode parent = FullParent();
    const ScopeTreeNode child = ScopeTreeNode::FromParentNode(parent);

    QCOMPARE(child.parent_scope_id, parent.scope_id);
    QCOMPARE(child.stock_list, parent.stock_list);
    QCOMPARE(child.xr_list, parent.xr_list);
    QCOMPARE(child.cycle, parent.cycle);
    QCOMPARE(child.variant, parent.variant);
    QCOMPARE(child.quote_level, 2);
    QCOMPARE(child.params.value("plate_list").toString(), QStringLiteral("a,b"));

    QVERIFY(child.scope_type.IsEmpty());
    QVERIFY(child.api_type.IsEmpty());
    QVERIFY(child.key_list.IsEmpty());
    QCOMPARE(child.split_type, ScopeSplitTypeVariant(0));
    QCOMPARE(child.shared_block[0], 0);
    QCOMPARE(child.shared_block[1], 0);
    QVERIFY(child.children.isEmpty());
    QVERIFY(child.quote_data.isNull());
    QVERIFY(child.order_by.IsEmpty());
    QVERIFY(child.values.isEmpty());
}

void TstScopeTree::fromParentNodeGivesFreshIds() {
    const ScopeTreeNode parent = FullParent();
    const ScopeTreeNode copy = parent;
    QCOMPARE(copy.scope_id, parent.scope_id);
    QVERIFY(parent.IsRoot());

    QSet<int> ids{parent.scope_id};
    for (int i = 0; i < 100; ++i) {
        const ScopeTreeNode child = ScopeTreeNode::FromParentNode(parent);
        QVERIFY(!child.IsRoot());
        QVERIFY2(!ids.contains(child.scope_id), "scope ids must not repeat");
        ids.insert(child.scope_id);
    }
}

void TstScopeTree::nodeListAppendsNodesAndLists() {
    ScopeTreeNodeList first;
    const ScopeTreeNode a("a"), b("b"), c("c");
    first << a << b;
    ScopeTreeNodeList second;
    second << c;
    first << second;
    QCOMPARE(first.size(), 3);
    const std::list<ScopeTreeNode> std = first.ToStdList();
    QCOMPARE(int(std.size()), 3);
    QCOMPARE(std.back().scope_id, c.scope_id);
    QStringList order;
    for (const ScopeTreeNode& n : first) {
        order << n.scope_type.ToQString();
    }
    QCOMPARE(order, (QStringList{"a", "b", "c"}));
}

void TstScopeTree::resolveResultAppendsAllThreeLists() {
    ScopeResolveResult r, t;
    r.replacement_nodes << ScopeTreeNode("r1");
    t.replacement_nodes << ScopeTreeNode("r2");
    t.fetch_nodes << ScopeTreeNode("f1") << ScopeTreeNode("f2");
    t.unhandled_nodes << ScopeTreeNode("u1");
    r << t;
    QCOMPARE(r.replacement_nodes.size(), 2);
    QCOMPARE(r.replacement_nodes.at(1).scope_type, ScopeTypeVariant("r2"));
    QCOMPARE(r.fetch_nodes.size(), 2);
    QCOMPARE(r.unhandled_nodes.size(), 1);
    QVERIFY(!r.IsEmpty());
    QVERIFY(ScopeResolveResult().IsEmpty());
}

void TstScopeTree::adjustByServesReplacedAndFetchedNodes() {
    ScopeTreeNode board(ScopeTypeVariant(2));
    ScopeTreeNode other("l2_fast_quote");
    ScopeTree tree(ScopeTreeNodeList() << board << other);
    QCOMPARE(tree.GetRemainedNodeList().size(), 2);

    ScopeResolveResult result;
    ScopeTreeNode replaced = board;
    replaced.split_type = ScopeSplitTypeVariant(8);
    ScopeTreeNode fetch = ScopeTreeNode::FromParentNode(board);
    fetch.scope_type = "qz_Lv2_quoter_10002";
    result.replacement_nodes << replaced;
    result.fetch_nodes << fetch;
    tree.AdjustBy(result);

    const ScopeTreeNodeList remained = tree.GetRemainedNodeList();
    QCOMPARE(remained.size(), 1);
    QCOMPARE(remained.at(0).scope_id, other.scope_id);
    QVERIFY(!tree.IsRemained(board.scope_id));
    QCOMPARE(tree.FindNode(board.scope_id)->split_type, ScopeSplitTypeVariant(8));
    QVERIFY(tree.Contains(fetch.scope_id));
    QVERIFY(!tree.IsRemained(fetch.scope_id));
    QCOMPARE(tree.FindParent(fetch.scope_id)->scope_id, board.scope_id);
    QCOMPARE(tree.ChildrenOf(board.scope_id).size(), 1);
    // The replaced root keeps its place among the roots.
    QCOMPARE(tree.GetRootNodeList().at(0).scope_id, board.scope_id);
    QCOMPARE(tree.GetRootNodeList().size(), 2);
}

void TstScopeTree::adjustByKeepsUnhandledRemained() {
    ScopeTreeNode node("minute_based_capital_flows");
    ScopeTreeNode blockedNode("other");
    ScopeTree tree(ScopeTreeNodeList() << node << blockedNode);

    ScopeResolveResult result;
    result.replacement_nodes << node;
    ScopeTreeNode remainder = ScopeTreeNode::FromParentNode(node);
    remainder.scope_type = ScopeTypeVariant(7);
    result.unhandled_nodes << remainder << blockedNode;  // new remainder, existing node
    tree.AdjustBy(result);

    const ScopeTreeNodeList remained = tree.GetRemainedNodeList();
    QCOMPARE(remained.size(), 2);
    QCOMPARE(remained.at(0).scope_id, blockedNode.scope_id);  // entry order
    QCOMPARE(remained.at(1).scope_id, remainder.scope_id);
    QCOMPARE(tree.FindParent(remainder.scope_id)->scope_id, node.scope_id);
    QCOMPARE(tree.Size(), 3);

    // A later handler serving the remainder takes it out of the remained list.
    ScopeResolveResult later;
    later.replacement_nodes << remainder;
    tree.AdjustBy(later);
    QCOMPARE(tree.GetRemainedNodeList().size(), 1);
}

void TstScopeTree::addRootIndexesChildrenMember() {
    ScopeTreeNode root("root");
    ScopeTreeNode child("child");
    ScopeTreeNode grandChild("grand");
    child.children << grandChild;
    root.children << child;
    ScopeTree tree;
    tree.AddRoot(root);
    QCOMPARE(tree.Size(), 3);
    QCOMPARE(tree.GetRemainedNodeList().size(), 3);
    QCOMPARE(tree.FindParent(grandChild.scope_id)->scope_id, child.scope_id);
    QCOMPARE(tree.FindParent(child.scope_id)->scope_id, root.scope_id);
    QVERIFY(!tree.FindParent(root.scope_id).has_value());
    QCOMPARE(tree.GetRootNodeList().size(), 1);
}

void TstScopeTree::updateNodeKeepsStructure() {
    ScopeTreeNode root("root");
    ScopeTree tree;
    tree.AddRoot(root);
    ScopeResolveResult r;
    ScopeTreeNode child = ScopeTreeNode::FromParentNode(root);
    r.fetch_nodes << child;
    tree.AdjustBy(r);

    child.parent_scope_id = 424242;  // a rogue edit must not move the node
    child.quote_data.reset(new QuoteData);
    QVERIFY(tree.UpdateNode(child));
    QVERIFY(tree.FindNode(child.scope_id)->quote_data);
    QCOMPARE(tree.FindParent(child.scope_id)->scope_id, root.scope_id);
    QVERIFY(!tree.IsRemained(child.scope_id));
    QVERIFY(!tree.UpdateNode(ScopeTreeNode("unknown")));
    QVERIFY(!tree.FindNode(-5).has_value());
}

void TstScopeTree::unknownParentBecomesRoot() {
    ScopeTree tree;
    ScopeTreeNode orphan("orphan");
    orphan.parent_scope_id = 987654;
    ScopeResolveResult r;
    r.unhandled_nodes << orphan;
    tree.AdjustBy(r);
    QCOMPARE(tree.GetRootNodeList().size(), 1);
    QVERIFY(tree.IsRemained(orphan.scope_id));
    QVERIFY(!tree.FindParent(orphan.scope_id).has_value());
}

QTEST_GUILESS_MAIN(TstScopeTree)
#include "tst_scopetree.moc"
