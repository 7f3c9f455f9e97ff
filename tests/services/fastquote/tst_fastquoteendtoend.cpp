// The fast quote through the whole quoter: an "l2_fast_quote" node handed to Handle is split,
// its children are requested from the two servers, their answers reach the client's executor and
// the joins leave a converted QzLv2FastQuoteNodeData on the node.
#include <QtTest>

#include <memory>

#include "host/access/ScriptedServerBackend.h"
#include "host/core/HostClock.h"
#include "host/quoter/QuoteContext.h"
#include "host/quoter/QuoteDataSourceIntent.h"
#include "host/quoter/QuoteTaskExecutor.h"
#include "host/quoter/QzSignalControlMgr.h"
#include "plugin/QzLv2Quoter.h"
#include "services/fastquote/QzLv2FastQuoteNodeData.h"
#include "tests/services/fastquote/HandLaid12989.h"

using nscell::UnsharedDataCell;

namespace {

constexpr int kWaitMs = 5000;  // ms, bound on a cross-thread delivery
constexpr int kTaskId = 77;
constexpr quint32 kServe = 0x01;

// A 10001/10002 answer laid out by hand: 14-byte header, one record whose mask 1 announces the
// code (0x1), the price precision (0x4, 1 byte) and the base price (0x10, 4 bytes).
QByteArray BasicQuoteBody(const QByteArray& code, quint8 precision, qint32 basePrice) {
    QByteArray b;
    handlaid::U32(b, 0);  // header: two 4-byte fields
    handlaid::U32(b, 0);
    handlaid::U16(b, 0);  // and three 2-byte fields
    handlaid::U16(b, 0);
    handlaid::U16(b, 0);
    handlaid::U16(b, 1);                 // record count
    handlaid::U32(b, 0x1 | 0x4 | 0x10);  // mask 1
    handlaid::U32(b, 0);                 // mask 2
    handlaid::U32(b, 0);                 // mask 3
    handlaid::U16(b, quint16(code.size()));
    b.append(code);
    handlaid::U8(b, precision);
    handlaid::U32(b, quint32(basePrice));
    return b;
}

std::optional<ServerRequest> WaitForFunction(ScriptedServerBackend& backend, int funcId) {
    QDeadlineTimer deadline(kWaitMs);
    while (!deadline.hasExpired()) {
        for (const ServerRequest& request : backend.Requests()) {
            if (request.funcId == funcId) {
                return request;
            }
        }
        backend.WaitForRequests(backend.Requests().size() + 1, 50);
    }
    return std::nullopt;
}

}  // namespace

class TestFastQuoteEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void bookIsJoinedAndConvertedOnTheParentNode();

private:
    const QzLv2FastQuoteNodeData* ParentData();

    std::shared_ptr<ScriptedServerBackend> main_;
    std::shared_ptr<ScriptedServerBackend> fast_;
    std::unique_ptr<QuoteContext> context_;
    std::unique_ptr<QzLv2Quoter> quoter_;
    std::unique_ptr<QuoteTaskExecutor> executor_;
    QSharedPointer<ScopeTree> tree_;
    int parentId_ = 0;
    QSharedPointer<QuoteData> parentData_;  // the parent's data when last read
};

void TestFastQuoteEndToEnd::init() {
    QzSignalControlMgr::GetInstance()->Reset();
    main_ = std::make_shared<ScriptedServerBackend>();
    fast_ = std::make_shared<ScriptedServerBackend>();
    ServerBackendRegistry::Install("l2quote", main_);
    ServerBackendRegistry::Install("pcl2xtquote", fast_);
    context_ = std::make_unique<QuoteContext>();
    quoter_ = std::make_unique<QzLv2Quoter>(*context_, "lv2");
    quoter_->RegisterJoinMethods();
    executor_ = std::make_unique<QuoteTaskExecutor>(*context_);
}

void TestFastQuoteEndToEnd::cleanup() {
    executor_->Stop();
    executor_.reset();
    quoter_.reset();
    context_.reset();
    ServerBackendRegistry::Clear();
    QzSignalControlMgr::GetInstance()->Reset();
}

// Reads the parent node's current data from the tree (the executor joins on its own thread).
const QzLv2FastQuoteNodeData* TestFastQuoteEndToEnd::ParentData() {
    const std::optional<ScopeTreeNode> parent = tree_->FindNode(parentId_);
    parentData_ = parent ? parent->quote_data : QSharedPointer<QuoteData>();
    return dynamic_cast<const QzLv2FastQuoteNodeData*>(parentData_.data());
}

void TestFastQuoteEndToEnd::bookIsJoinedAndConvertedOnTheParentNode() {
    ScopeTreeNode root = ScopeTreeNode::NewRoot("l2_fast_quote");
    root.stock_list = StockListExpression::FromStockCode("SH600000");
    parentId_ = root.scope_id;
    tree_ = QSharedPointer<ScopeTree>::create();
    tree_->AddRoot(root);
    executor_->Track(tree_);
    executor_->Start();
    quoter_->Handle(QSharedPointer<QuoteDataSourceIntent>::create(kTaskId, kServe, tree_));
    quoter_->WaitForWorkThread();

    const ScopeTreeNode split = *tree_->FindNode(parentId_);
    QCOMPARE(split.split_type, ScopeSplitTypeVariant(8));
    QCOMPARE(quoter_->AttachedNodes(kTaskId).size(), 2);

    // The fast quote answers first: the book stands with raw prices and shares.
    const std::optional<ServerRequest> fastRequest = WaitForFunction(*fast_, 12989);
    QVERIFY(fastRequest);
    QVERIFY(fast_->Answer(*fastRequest,
                          handlaid::Body("SH600000", {{1050, 58000, 2, 1, {30000, 28000}}},
                                         {{1051, 60000, 1, 0, {60000}}}, 1)));
    QTRY_VERIFY_WITH_TIMEOUT(ParentData() != nullptr, kWaitMs);
    QCOMPARE(ParentData()->precision, -1);
    QCOMPARE(ParentData()->wills.buy_rows[0].Get("price"), UnsharedDataCell::FromBigInteger(1050));
    QCOMPARE(int(ParentData()->fast_ten_flag), 1);
    QCOMPARE(QzSignalControlMgr::GetInstance()->LastMessage("fast_ten_topic").toInt(), 1);

    // The basic quote brings the precision: the book is converted on the parent.
    const std::optional<ServerRequest> basicRequest = WaitForFunction(*main_, 10002);
    QVERIFY(basicRequest);
    QVERIFY(main_->Answer(*basicRequest, BasicQuoteBody("SH600000", 2, 1040)));
    QTRY_VERIFY_WITH_TIMEOUT(ParentData() && ParentData()->precision >= 0, kWaitMs);
    const QzLv2FastQuoteNodeData* data = ParentData();
    QCOMPARE(data->precision, 2);
    QCOMPARE(data->wills.summary.Get("prev_price_base"), UnsharedDataCell::FromPrice(1040, 2));
    QCOMPARE(data->wills.buy_rows[0].Get("price"), UnsharedDataCell::FromPrice(1050, 2));
    QCOMPARE(data->wills.sell_rows[0].Get("price").DisplayText(), QString("10.51"));
    const UnsharedDataCell buyKey = UnsharedDataCell::FromInteger(1050);
    QCOMPARE(data->gears.buy_queues.value(buyKey).Get("will_volume_list").ToString(),
             QString("300,280"));
    QCOMPARE(data->gears.buy_queues.value(buyKey).Get("big_volumeindex_list").ToString(),
             QString("0"));
    QCOMPARE(data->gears.sell_queues.value(UnsharedDataCell::FromInteger(1051))
                 .Get("will_volume_list")
                 .ToString(),
             QString("600"));
    QCOMPARE(int(data->wills.buy_rows.size()), 10);
    QCOMPARE(int(data->wills.sell_rows.size()), 10);
}

QTEST_GUILESS_MAIN(TestFastQuoteEndToEnd)
#include "tst_fastquoteendtoend.moc"
