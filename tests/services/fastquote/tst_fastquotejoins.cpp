// The "l2_fast_quote" resolver and the two joins that build QzLv2FastQuoteNodeData on the parent.
#include <QtTest>

#include "services/fastquote/FastQuoteDecoder.h"
#include "services/fastquote/QzLv2FastQuoteNodeData.h"
#include "services/fastquote/QzLv2FastQuoteScopeResolver.h"
#include "services/stockboard/ResponsePkgEntity_10002.h"
#include "tests/services/fastquote/HandLaid12989.h"

using nscell::UnsharedDataCell;

namespace {

UnsharedDataCell Key(qint64 v) {
    return UnsharedDataCell::FromInteger(v);
}

// A book of one buy level at raw 1050 with queued 30000 and 28000 shares.
QSharedPointer<QuoteData> FastQuoteData(qint8 flag = 1, qint32 price = 1050) {
    auto entity = QSharedPointer<ResponsePkgEntity_12989>::create();
    QString code;
    const bool ok = FastQuoteDecoder::Decode(
        handlaid::Body("SH600000", {{price, 58000, 2, 0, {30000, 28000}}}, {}, flag), *entity,
        code);
    Q_ASSERT(ok);
    return entity;
}

QSharedPointer<QuoteData> BasicQuoteData(quint32 carried, int precision, qint32 basePrice,
                                         quint16 stockType) {
    auto entity = QSharedPointer<ResponsePkgEntity_10002>::create();
    entity->snapshot.carried1 = carried;
    entity->snapshot.mask1 = carried;
    entity->snapshot.price_precision = quint8(precision);
    entity->snapshot.base_price = basePrice;
    entity->snapshot.stock_type = stockType;
    return entity;
}

ScopeTreeNode Child(QSharedPointer<QuoteData> data) {
    ScopeTreeNode child;
    child.quote_data = data;
    return child;
}

const QzLv2FastQuoteNodeData* NodeData(const ScopeTreeNode& node) {
    return dynamic_cast<const QzLv2FastQuoteNodeData*>(node.quote_data.data());
}

}  // namespace

class TestFastQuoteJoins : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void resolverSplitsIntoBasicAndFastQuoteChildren();
    void resolverLeavesOtherScopeTypes();
    void joinMethodsAreRegisteredInOrder();
    void basicQuoteFirstThenFastQuoteConvertsOnArrival();
    void fastQuoteFirstIsConvertedWhenPrecisionArrives();
    void precisionIsSetOnceOnly();
    void basicQuoteWithoutPrecisionWaits();
    void sourcesWithoutOrWithOtherDataAreNotJoined();
    void nodeDataCloneKeepsAdditions();

private:
    QzLv2FastQuoteScopeResolver resolver_{nullptr};
    JoinMethodValue basicJoin_;
    JoinMethodValue fastJoin_;
};

void TestFastQuoteJoins::initTestCase() {
    resolver_.Init();
    const QList<JoinMethodValue> joins = resolver_.GetJoinMethodList();
    QCOMPARE(joins.size(), 2);
    basicJoin_ = joins.at(0);
    fastJoin_ = joins.at(1);
}

void TestFastQuoteJoins::resolverSplitsIntoBasicAndFastQuoteChildren() {
    ScopeTreeNode node = ScopeTreeNode::NewRoot("l2_fast_quote");
    node.stock_list = StockListExpression::FromStockCode("SZ000001");
    node.shared_block = {{17, -4}};
    ScopeResolveResult result;
    QVERIFY(resolver_.Resolve(result, node));

    QCOMPARE(result.replacement_nodes.size(), 1);
    QCOMPARE(result.fetch_nodes.size(), 2);
    QVERIFY(result.unhandled_nodes.isEmpty());
    const ScopeTreeNode& split = result.replacement_nodes.at(0);
    QCOMPARE(split.scope_id, node.scope_id);
    QCOMPARE(split.split_type, ScopeSplitTypeVariant(8));
    QCOMPARE(split.children.size(), 2);

    const ScopeTreeNode& basic = result.fetch_nodes.at(0);
    QCOMPARE(basic.scope_type, ScopeTypeVariant(2));
    QVERIFY(basic.scope_type.IsInt());
    QCOMPARE(basic.api_type, ScopeTypeVariant("10001"));
    QCOMPARE(basic.key_list.GetKeyList(), QStringList{"lastest_time_based_deal"});
    QCOMPARE(basic.stock_list.GetStockCode(), QString("SZ000001"));
    QCOMPARE(basic.parent_scope_id, node.scope_id);

    const ScopeTreeNode& fast = result.fetch_nodes.at(1);
    QCOMPARE(fast.scope_type, ScopeTypeVariant("qz_lv2_quoter_12989"));
    QCOMPARE(fast.api_type, ScopeTypeVariant("12989"));
    QCOMPARE(fast.stock_list.GetStockCode(), QString("SZ000001"));
    QCOMPARE(fast.shared_block[0], 17);
    QCOMPARE(fast.shared_block[1], -4);
    QCOMPARE(fast.parent_scope_id, node.scope_id);
    QCOMPARE(split.children.at(0).scope_id, basic.scope_id);
    QCOMPARE(split.children.at(1).scope_id, fast.scope_id);
}

void TestFastQuoteJoins::resolverLeavesOtherScopeTypes() {
    ScopeResolveResult result;
    QVERIFY(!resolver_.Resolve(result, ScopeTreeNode::NewRoot(2)));
    QVERIFY(!resolver_.Resolve(result, ScopeTreeNode::NewRoot("l2_fast_quote_x")));
    QVERIFY(result.IsEmpty());
    QVERIFY(resolver_.CanSupport(ScopeTypeVariant("l2_fast_quote")));
    QVERIFY(!resolver_.CanSupport(ScopeTypeVariant(2)));
}

void TestFastQuoteJoins::joinMethodsAreRegisteredInOrder() {
    QCOMPARE(basicJoin_.Key(),
             JoinMethodKey("l2_fast_quote", ScopeSplitTypeVariant(8), ScopeTypeVariant(2)));
    QCOMPARE(fastJoin_.Key(), JoinMethodKey("l2_fast_quote", ScopeSplitTypeVariant(8),
                                            ScopeTypeVariant("qz_lv2_quoter_12989")));
}

void TestFastQuoteJoins::basicQuoteFirstThenFastQuoteConvertsOnArrival() {
    ScopeTreeNode parent = ScopeTreeNode::NewRoot("l2_fast_quote");
    QVERIFY(basicJoin_.Run(parent, Child(BasicQuoteData(0x4 | 0x10 | 0x20, 2, 1040, 5))));
    const QzLv2FastQuoteNodeData* data = NodeData(parent);
    QVERIFY(data != nullptr);
    QCOMPARE(data->precision, 2);
    QCOMPARE(int(data->stock_type), 5);
    QCOMPARE(data->wills.summary.Get("prev_price_base"), UnsharedDataCell::FromPrice(1040, 2));

    const QSharedPointer<QuoteData> fast = FastQuoteData(1);
    QVERIFY(fastJoin_.Run(parent, Child(fast)));
    data = NodeData(parent);
    QCOMPARE(data->wills.buy_rows[0].Get("price"), UnsharedDataCell::FromPrice(1050, 2));
    const nscell::DataRow queue = data->gears.buy_queues.value(Key(1050));
    QCOMPARE(queue.Get("will_volume_list").ToString(), QString("300,280"));
    QCOMPARE(queue.Get("big_volumeindex_list").ToString(), QString("0"));
    QCOMPARE(int(data->fast_ten_flag), 1);
    QCOMPARE(data->wills.summary.Get("prev_price_base"), UnsharedDataCell::FromPrice(1040, 2));
    // The child's published book is not converted in place.
    const auto* raw = static_cast<const ResponsePkgEntity_12989*>(fast.data());
    QCOMPARE(raw->wills.buy_rows[0].Get("price"), UnsharedDataCell::FromBigInteger(1050));
}

void TestFastQuoteJoins::fastQuoteFirstIsConvertedWhenPrecisionArrives() {
    ScopeTreeNode parent = ScopeTreeNode::NewRoot("l2_fast_quote");
    QVERIFY(fastJoin_.Run(parent, Child(FastQuoteData(0))));
    const QzLv2FastQuoteNodeData* data = NodeData(parent);
    QVERIFY(data != nullptr);
    QCOMPARE(data->precision, -1);
    QCOMPARE(int(data->stock_type), -1);
    QCOMPARE(data->wills.buy_rows[0].Get("price"), UnsharedDataCell::FromBigInteger(1050));
    QCOMPARE(data->gears.buy_queues.value(Key(1050)).Get("will_volume_list").ToString(),
             QString("30000,28000"));
    const QSharedPointer<QuoteData> beforeBasic = parent.quote_data;

    QVERIFY(basicJoin_.Run(parent, Child(BasicQuoteData(0x4, 3, 0, 0))));
    data = NodeData(parent);
    QCOMPARE(data->precision, 3);
    QCOMPARE(int(data->stock_type), -1);                        // not carried
    QVERIFY(!data->wills.summary.Contains("prev_price_base"));  // not carried
    QCOMPARE(data->wills.buy_rows[0].Get("price"), UnsharedDataCell::FromPrice(1050, 3));
    QCOMPARE(data->gears.buy_levels.value(Key(1050)).Get("price"),
             UnsharedDataCell::FromPrice(1050, 3));
    QCOMPARE(data->gears.buy_queues.value(Key(1050)).Get("will_volume_list").ToString(),
             QString("300,280"));
    // The node data the host held before is a separate object and stays raw.
    const auto* old = static_cast<const QzLv2FastQuoteNodeData*>(beforeBasic.data());
    QCOMPARE(old->precision, -1);
    QCOMPARE(old->wills.buy_rows[0].Get("price"), UnsharedDataCell::FromBigInteger(1050));
}

void TestFastQuoteJoins::precisionIsSetOnceOnly() {
    ScopeTreeNode parent = ScopeTreeNode::NewRoot("l2_fast_quote");
    QVERIFY(basicJoin_.Run(parent, Child(BasicQuoteData(0x4 | 0x10, 2, 1000, 0))));
    QVERIFY(fastJoin_.Run(parent, Child(FastQuoteData())));
    QVERIFY(basicJoin_.Run(parent, Child(BasicQuoteData(0x4 | 0x10 | 0x20, 4, 2000, 9))));
    const QzLv2FastQuoteNodeData* data = NodeData(parent);
    QCOMPARE(data->precision, 2);
    QCOMPARE(int(data->stock_type), -1);
    QCOMPARE(data->wills.summary.Get("prev_price_base"), UnsharedDataCell::FromPrice(1000, 2));
    // Converted once: lots are not divided again.
    QCOMPARE(data->gears.buy_queues.value(Key(1050)).Get("will_volume_list").ToString(),
             QString("300,280"));
}

void TestFastQuoteJoins::basicQuoteWithoutPrecisionWaits() {
    ScopeTreeNode parent = ScopeTreeNode::NewRoot("l2_fast_quote");
    QVERIFY(fastJoin_.Run(parent, Child(FastQuoteData())));
    QVERIFY(basicJoin_.Run(parent, Child(BasicQuoteData(0x10 | 0x20, 0, 1000, 3))));
    QCOMPARE(NodeData(parent)->precision, -1);
    QCOMPARE(NodeData(parent)->wills.buy_rows[0].Get("price"),
             UnsharedDataCell::FromBigInteger(1050));
    QVERIFY(basicJoin_.Run(parent, Child(BasicQuoteData(0x4, 0, 0, 0))));
    QCOMPARE(NodeData(parent)->precision, 0);
    QCOMPARE(NodeData(parent)->wills.buy_rows[0].Get("price"),
             UnsharedDataCell::FromPrice(1050, 0));
}

void TestFastQuoteJoins::sourcesWithoutOrWithOtherDataAreNotJoined() {
    // No data on either side: the parent gets an empty node data, the join fails.
    ScopeTreeNode parent = ScopeTreeNode::NewRoot("l2_fast_quote");
    QVERIFY(!basicJoin_.Run(parent, Child({})));
    QVERIFY(NodeData(parent) != nullptr);
    QVERIFY(!fastJoin_.Run(parent, Child({})));

    // The parent's data is kept when the source has none or the wrong kind.
    QVERIFY(fastJoin_.Run(parent, Child(FastQuoteData(1))));
    const QSharedPointer<QuoteData> joined = parent.quote_data;
    QVERIFY(!fastJoin_.Run(parent, Child(BasicQuoteData(0x4, 2, 0, 0))));
    QVERIFY(!basicJoin_.Run(parent, Child({})));
    QCOMPARE(parent.quote_data, joined);
    // A basic-quote join of the wrong kind joins nothing but succeeds.
    QVERIFY(basicJoin_.Run(parent, Child(FastQuoteData(0))));
    QCOMPARE(parent.quote_data, joined);

    // A parent holding other quote data is given a node data.
    ScopeTreeNode other = ScopeTreeNode::NewRoot("l2_fast_quote");
    other.quote_data = QSharedPointer<QuoteData>::create();
    QVERIFY(fastJoin_.Run(other, Child(FastQuoteData(1))));
    QCOMPARE(int(NodeData(other)->fast_ten_flag), 1);
}

void TestFastQuoteJoins::nodeDataCloneKeepsAdditions() {
    QzLv2FastQuoteNodeData data;
    data.precision = 3;
    data.stock_type = 12;
    data.fast_ten_flag = 1;
    data.wills.summary.Set("prev_price_base", UnsharedDataCell::FromPrice(5, 3));
    QScopedPointer<QuoteData> copy(static_cast<const QuoteData&>(data).Clone());
    const auto* clone = dynamic_cast<const QzLv2FastQuoteNodeData*>(copy.data());
    QVERIFY(clone != nullptr);
    QCOMPARE(clone->precision, 3);
    QCOMPARE(int(clone->stock_type), 12);
    QCOMPARE(int(clone->fast_ten_flag), 1);
    QCOMPARE(clone->wills.summary, data.wills.summary);
}

QTEST_GUILESS_MAIN(TestFastQuoteJoins)
#include "tst_fastquotejoins.moc"
