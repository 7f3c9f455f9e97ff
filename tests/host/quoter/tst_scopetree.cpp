#include <QtTest>

#include "host/quoter/ScopeTree.h"

class TstScopeTree : public QObject {
    Q_OBJECT
private slots:
    void fromParentNodeCopiesRequestFieldsOnly() {
        ScopeTreeNode parent(ScopeTypeVariant(2));
        parent.api_type = "10002";
        parent.split_type = ScopeSplitTypeVariant(8);
        parent.stock_list = StockListExpression::FromStockCode("SH600000");
        parent.key_list = KeyListExpression::FromKeyList("money_flow_today");
        parent.xr_list = XrListExpression::FromXr("xrtype_none");
        parent.cycle = QStringLiteral("1min");
        parent.variant = QStringLiteral("ddts");
        parent.quote_level = 2;
        parent.params.insert("plate_list", "a,b");
        parent.shared_block = {{11, 22}};
        parent.children << ScopeTreeNode("child");
        parent.quote_data.reset(new QuoteData);

        const ScopeTreeNode child = ScopeTreeNode::FromParentNode(parent);
        QCOMPARE(child.parent_scope_id, parent.scope_id);
        QVERIFY(child.scope_id != parent.scope_id);
        QVERIFY(ScopeTreeNode::FromParentNode(parent).scope_id != child.scope_id);
        QCOMPARE(child.stock_list, parent.stock_list);
        QCOMPARE(child.xr_list, parent.xr_list);
        QCOMPARE(child.cycle, parent.cycle);
        QCOMPARE(child.variant, parent.variant);
        QCOMPARE(child.quote_level, 2);
        QCOMPARE(child.params, parent.params);
        // What the child is, is the resolver's to set.

        QVERIFY(child.scope_type.IsEmpty());
        QVERIFY(child.api_type.IsEmpty());
        QVERIFY(child.key_list.IsEmpty());
        QCOMPARE(child.split_type, ScopeSplitTypeVariant(0));
        QCOMPARE(child.shared_block[0], 0);
        QVERIFY(child.children.isEmpty());
        QVERIFY(child.quote_data.isNull());
    }

    void adjustByServesReplacedAndFetchedNodes() {
        ScopeTreeNode board(ScopeTypeVariant(2));
        ScopeTreeNode other("l2_fast_quote");
        ScopeTree tree(ScopeTreeNodeList() << board << other);

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
        QCOMPARE(tree.FindNode(board.scope_id)->split_type, ScopeSplitTypeVariant(8));
        QVERIFY(!tree.IsRemained(fetch.scope_id));
        QCOMPARE(tree.FindParent(fetch.scope_id)->scope_id, board.scope_id);
        QCOMPARE(tree.ChildrenOf(board.scope_id).size(), 1);
        // The replaced root keeps its place among the roots.
        QCOMPARE(tree.GetRootNodeList().size(), 2);
        QCOMPARE(tree.GetRootNodeList().at(0).scope_id, board.scope_id);
    }

    void adjustByKeepsUnhandledRemained() {
        ScopeTreeNode node("minute_based_capital_flows");
        ScopeTreeNode blockedNode("other");
        ScopeTree tree(ScopeTreeNodeList() << node << blockedNode);

        ScopeResolveResult result;
        result.replacement_nodes << node;
        ScopeTreeNode remainder = ScopeTreeNode::FromParentNode(node);
        remainder.scope_type = ScopeTypeVariant(7);
        ScopeTreeNode orphan("orphan");
        orphan.parent_scope_id = 987654;
        result.unhandled_nodes << remainder << blockedNode
                               << orphan;  // new, existing, unknown parent
        tree.AdjustBy(result);

        const ScopeTreeNodeList remained = tree.GetRemainedNodeList();
        QCOMPARE(remained.size(), 3);
        QCOMPARE(remained.at(0).scope_id, blockedNode.scope_id);  // entry order
        QCOMPARE(remained.at(1).scope_id, remainder.scope_id);
        QCOMPARE(tree.FindParent(remainder.scope_id)->scope_id, node.scope_id);
        QVERIFY(!tree.FindParent(orphan.scope_id).has_value());  // stored as a root
        QCOMPARE(tree.GetRootNodeList().size(), 3);

        // A later handler serving the remainder takes it out of the remained list.
        ScopeResolveResult later;
        later.replacement_nodes << remainder;
        tree.AdjustBy(later);
        QCOMPARE(tree.GetRemainedNodeList().size(), 2);
        QCOMPARE(tree.Size(), 4);
    }

    void addRootIndexesChildrenAndUpdateKeepsStructure() {
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
        QCOMPARE(tree.GetRootNodeList().size(), 1);

        grandChild.parent_scope_id = 424242;  // a rogue edit must not move the node
        grandChild.quote_data.reset(new QuoteData);
        QVERIFY(tree.UpdateNode(grandChild));
        QVERIFY(tree.FindNode(grandChild.scope_id)->quote_data);
        QCOMPARE(tree.FindParent(grandChild.scope_id)->scope_id, child.scope_id);
        QVERIFY(tree.IsRemained(grandChild.scope_id));
        QVERIFY(!tree.UpdateNode(ScopeTreeNode("unknown")));
        QVERIFY(!tree.FindNode(-5).has_value());
    }
};

QTEST_GUILESS_MAIN(TstScopeTree)
#include "tst_scopetree.moc"
