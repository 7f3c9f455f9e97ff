// QzLv2RemoteApiCall_12989 on a fast-quote accessor bound to a scripted server: what it asks,
// when it asks again, what it publishes, caches, replays and signals, and what it refuses.
#include <QMutex>
#include <QRegularExpression>
#include <QtTest>

#include <memory>

#include "host/access/CHQOWNServerAccesser.h"
#include "host/access/ScriptedServerBackend.h"
#include "host/core/HostClock.h"
#include "host/quoter/QuoteContext.h"
#include "host/quoter/QzSignalControlMgr.h"
#include "services/fastquote/QzLv2RemoteApiCall_12989.h"
#include "tests/services/fastquote/HandLaid12989.h"

namespace {

constexpr qint64 kStart = 1700000000000;  // ms since the epoch
constexpr int kWaitMs = 5000;             // ms, bound on a cross-thread delivery
const char* const kService = "pcl2xtquote";
const char* const kFastTen = "fast_ten_topic";

ScopeTreeNode FastQuoteNode(const QString& code) {
    ScopeTreeNode node = ScopeTreeNode::NewRoot("qz_lv2_quoter_12989");
    node.api_type = "12989";
    node.stock_list = StockListExpression::FromStockCode(code);
    return node;
}

QByteArray Book(const QByteArray& code, qint8 flag, qint32 price = 1050) {
    return handlaid::Body(code, {{price, 30000, 1, 0, {30000}}}, handlaid::Levels(2, price + 1, 1),
                          flag);
}

const ResponsePkgEntity_12989* Entity(const QuoteTaskExecMidResult& result) {
    return dynamic_cast<const ResponsePkgEntity_12989*>(result.data.data());
}

}  // namespace

class TestFastQuoteCall : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void firstSubscriberSendsOneRequestWithKeyGroup();
    void requestRepeatedOnlyAfterThreeSeconds();
    void answerReachesEveryNodeOfTheStock();
    void answerIsPublishedByKeyGroupAndCachedByBodyCode();
    void fastTenFlagSignalledOncePerChangeAcrossStocks();
    void lateSubscriberAloneGetsTheCachedBook();
    void cacheKeepsTheTenMostRecentStocks();
    void badBodiesChangeNothing_data();
    void badBodiesChangeNothing();
    void answerWithoutContextIsDropped();

private:
    ServerRequest RequestFor(const QString& code) const;
    void Answer(const QString& code, const QByteArray& body);
    QList<QuoteTaskExecMidResult> TakeResults(int expected);
    QList<int> FastTenMessages() const;

    std::shared_ptr<ScriptedServerBackend> backend_;
    std::unique_ptr<QuoteContext> context_;
    QuoteDataSourceHandlerConfiguration configuration_;
    CHQOWNServerAccesser* accessor_ = nullptr;
    QzLv2RemoteApiCall_12989* call_ = nullptr;
    mutable QMutex signalMutex_;
    QList<int> signalled_;
};

void TestFastQuoteCall::init() {
    HostClock::SetForTest(kStart);
    QzSignalControlMgr::GetInstance()->Reset();
    signalled_.clear();
    QzSignalControlMgr::GetInstance()->Subscribe(kFastTen,
                                                 [this](const QString&, const QVariant& v) {
                                                     QMutexLocker lock(&signalMutex_);
                                                     signalled_ << v.toInt();
                                                 });
    backend_ = std::make_shared<ScriptedServerBackend>();
    ServerBackendRegistry::Install(kService, backend_);
    context_ = std::make_unique<QuoteContext>();
    configuration_.context = context_.get();
    accessor_ = new CHQOWNServerAccesser(kService, nullptr, 0);
    accessor_->RegisterFuncAsSerial(12989);
    accessor_->RegisterFuncAsPush(12989);
    call_ = new QzLv2RemoteApiCall_12989(&configuration_, accessor_);
    call_->Init();
}

void TestFastQuoteCall::cleanup() {
    // As the quoter does: the accessor goes first, the call must not touch it afterwards.
    delete accessor_;
    delete call_;
    context_.reset();
    ServerBackendRegistry::Clear();
    backend_.reset();
    QzSignalControlMgr::GetInstance()->Reset();
    HostClock::UseSystemClock();
}

ServerRequest TestFastQuoteCall::RequestFor(const QString& code) const {
    for (const ServerRequest& request : backend_->Requests()) {
        if (request.context && request.context->keyGroup.Value("stock_code").ToString() == code) {
            return request;
        }
    }
    return ServerRequest();
}

void TestFastQuoteCall::Answer(const QString& code, const QByteArray& body) {
    const ServerRequest request = RequestFor(code);
    QVERIFY2(request.context, qPrintable("no request for " + code));
    QVERIFY(backend_->Answer(request, body));
}

QList<QuoteTaskExecMidResult> TestFastQuoteCall::TakeResults(int expected) {
    QuoteContext::MidResultQueue& queue = context_->GetQuoteTaskExecMidResultQueue();
    QList<QuoteTaskExecMidResult> results;
    QuoteTaskExecMidResult result;
    while (results.size() < expected && queue.Pop(result, kWaitMs)) {
        results << result;
    }
    return results;
}

QList<int> TestFastQuoteCall::FastTenMessages() const {
    QMutexLocker lock(&signalMutex_);
    return signalled_;
}

void TestFastQuoteCall::firstSubscriberSendsOneRequestWithKeyGroup() {
    QCOMPARE(call_->GetSupportedTypeSet(), std::set<ScopeTypeVariant>{ScopeTypeVariant("12989")});
    call_->AttachNode(FastQuoteNode("SH600000"));
    call_->AttachNode(FastQuoteNode("SH600000"));  // same topic: no second request
    const QList<ServerRequest> requests = backend_->Requests();
    QCOMPARE(requests.size(), 1);
    const ServerRequest& request = requests.first();
    QCOMPARE(request.funcId, 12989);
    QCOMPARE(int(request.flags), 0);

    const RequestParams expected = {
        {"String", "SH600000"}, {"Int16U", 10}, {"Int16U", 0}, {"Int16U", 0},
        {"Int16U", 3},          {"Int08", 1},   {"Int08", 4}};
    QCOMPARE(request.params.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        QCOMPARE(request.params[i].first, expected[i].first);
        QCOMPARE(request.params[i].second.toString(), expected[i].second.toString());
    }

    QVERIFY(request.context);
    const QList<QPair<QString, CTVar>> keys = request.context->keyGroup.Items();
    QCOMPARE(keys.size(), 4);
    QCOMPARE(keys[0].first, QString("stock_code"));
    QCOMPARE(keys[0].second.ToString(), QString("SH600000"));
    QCOMPARE(keys[1].first, QString("index"));
    QCOMPARE(keys[1].second.ToInt(), 0);
    QCOMPARE(keys[2].first, QString("count"));
    QCOMPARE(keys[2].second.ToInt(), 10);
    QCOMPARE(keys[3].first, QString("timestamp"));
    QCOMPARE(keys[3].second.ToDataCell(), nscell::UnsharedDataCell::FromInteger(kStart));
}

void TestFastQuoteCall::requestRepeatedOnlyAfterThreeSeconds() {
    const ScopeTreeNode node = FastQuoteNode("SZ000001");
    call_->AttachNode(node);
    QCOMPARE(backend_->Requests().size(), 1);

    // Gone and back exactly 3000 ms after the request: the request is still recent.
    call_->DetachNode(node);
    HostClock::AdvanceForTest(3000);
    call_->AttachNode(node);
    QCOMPARE(backend_->Requests().size(), 1);

    // Another stock is not held back by it.
    call_->AttachNode(FastQuoteNode("SZ000002"));
    QCOMPARE(backend_->Requests().size(), 2);

    // One ms later the first request has aged out: asked anew, with the new time.
    call_->DetachNode(node);
    HostClock::AdvanceForTest(1);
    call_->AttachNode(node);
    const QList<ServerRequest> requests = backend_->Requests();
    QCOMPARE(requests.size(), 3);
    QCOMPARE(requests.last().context->keyGroup.Value("stock_code").ToString(), QString("SZ000001"));
    QCOMPARE(requests.last().context->keyGroup.Value("timestamp").ToInt64(), kStart + 3001);
}

void TestFastQuoteCall::answerReachesEveryNodeOfTheStock() {
    const ScopeTreeNode first = FastQuoteNode("SH600000");
    const ScopeTreeNode second = FastQuoteNode("SH600000");
    const ScopeTreeNode other = FastQuoteNode("SH600001");
    call_->AttachNode(first);
    call_->AttachNode(second);
    call_->AttachNode(other);
    QCOMPARE(call_->AttachedNodeCount(), 3);
    Answer("SH600000", Book("SH600000", 0));

    const QList<QuoteTaskExecMidResult> results = TakeResults(2);
    QCOMPARE(results.size(), 2);
    QCOMPARE(results[0].scope_id, first.scope_id);
    QCOMPARE(results[1].scope_id, second.scope_id);
    QVERIFY(Entity(results[0]) != nullptr);
    QCOMPARE(results[0].data, results[1].data);  // one package, shared
    QCOMPARE(Entity(results[0])->wills.buy_rows[0].Get("price"),
             nscell::UnsharedDataCell::FromBigInteger(1050));

    // A detached node receives nothing more.
    call_->DetachNode(first);
    call_->DetachNode(first);  // twice: nothing happens
    Answer("SH600000", Book("SH600000", 0, 1060));
    const QList<QuoteTaskExecMidResult> later = TakeResults(1);
    QCOMPARE(later.size(), 1);
    QCOMPARE(later[0].scope_id, second.scope_id);
    QCOMPARE(context_->GetQuoteTaskExecMidResultQueue().Size(), 0);
}

void TestFastQuoteCall::answerIsPublishedByKeyGroupAndCachedByBodyCode() {
    const ScopeTreeNode node = FastQuoteNode("SH600000");
    call_->AttachNode(node);
    Answer("SH600000", Book("SH688001", 0));
    const QList<QuoteTaskExecMidResult> results = TakeResults(1);
    QCOMPARE(results.size(), 1);
    QCOMPARE(results[0].scope_id, node.scope_id);
    // The cache is written right after the delivery, on the accessor's thread.
    QTRY_COMPARE_WITH_TIMEOUT(call_->Cache().Keys(), QList<QString>{"SH688001"}, kWaitMs);
}

void TestFastQuoteCall::fastTenFlagSignalledOncePerChangeAcrossStocks() {
    call_->AttachNode(FastQuoteNode("SH600000"));
    call_->AttachNode(FastQuoteNode("SZ000001"));
    QCOMPARE(int(call_->LastFastTenFlag()), -1);
    const QList<std::tuple<QString, qint8>> answers = {
        {"SH600000", 0},  // first answer: signalled although 0
        {"SH600000", 0},  // same: nothing
        {"SZ000001", 0},  // another stock, same flag: nothing (one flag for the call)
        {"SZ000001", 1},  // change
        {"SH600000", 1},  // same as the last one: nothing
        {"SH600000", -1}  // change
    };
    for (const auto& answer : answers) {
        const QString code = std::get<0>(answer);
        Answer(code, Book(code.toLatin1(), std::get<1>(answer)));
    }
    QCOMPARE(TakeResults(answers.size()).size(), answers.size());
    QCOMPARE(FastTenMessages(), (QList<int>{0, 1, -1}));
    QCOMPARE(QzSignalControlMgr::GetInstance()->MessageCount(kFastTen), 3);
    QCOMPARE(int(call_->LastFastTenFlag()), -1);
}

void TestFastQuoteCall::lateSubscriberAloneGetsTheCachedBook() {
    const ScopeTreeNode early = FastQuoteNode("SH600000");
    call_->AttachNode(early);
    Answer("SH600000", Book("SH600000", 1));
    QCOMPARE(TakeResults(1).size(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(call_->Cache().Contains("SH600000"), kWaitMs);

    const ScopeTreeNode late = FastQuoteNode("SH600000");
    call_->AttachNode(late);  // on this thread, at once
    QuoteContext::MidResultQueue& queue = context_->GetQuoteTaskExecMidResultQueue();
    QCOMPARE(queue.Size(), 1);
    QuoteTaskExecMidResult replayed;
    QVERIFY(queue.Pop(replayed, 0));
    QCOMPARE(replayed.scope_id, late.scope_id);
    QVERIFY(Entity(replayed) != nullptr);
    QCOMPARE(int(Entity(replayed)->fast_ten_flag), 1);
    QCOMPARE(Entity(replayed)->wills.buy_rows.size(), std::size_t(10));
    QCOMPARE(Entity(replayed)->gears.sell_levels.size(), 10);
    QCOMPARE(backend_->Requests().size(), 1);

    // A stock with nothing cached replays nothing.
    call_->AttachNode(FastQuoteNode("SH600009"));
    QCOMPARE(queue.Size(), 0);
}

void TestFastQuoteCall::cacheKeepsTheTenMostRecentStocks() {
    QStringList codes;
    for (int i = 0; i < 11; ++i) {
        codes << QString("SZ0000%1").arg(i, 2, 10, QChar('0'));
        call_->AttachNode(FastQuoteNode(codes.last()));
    }
    for (const QString& code : codes) {
        Answer(code, Book(code.toLatin1(), 0));
    }
    QCOMPARE(TakeResults(codes.size()).size(), codes.size());
    QTRY_VERIFY_WITH_TIMEOUT(call_->Cache().Contains(codes.last()), kWaitMs);
    QCOMPARE(call_->Cache().Size(), 10);
    QVERIFY(!call_->Cache().Contains(codes.first()));
}

void TestFastQuoteCall::badBodiesChangeNothing_data() {
    QTest::addColumn<QByteArray>("body");
    const QByteArray good = Book("SH600000", 1);
    QByteArray lying = handlaid::Header("SH600000", 3, 0);
    handlaid::AppendLevel(lying, {1050, 300, 1, 0, {300}});
    handlaid::U8(lying, 1);
    QTest::newRow("truncated") << good.left(good.size() - 3);
    QTest::newRow("without the flag") << good.left(good.size() - 1);
    QTest::newRow("lying level count") << lying;
}

void TestFastQuoteCall::badBodiesChangeNothing() {
    QFETCH(QByteArray, body);
    const ScopeTreeNode node = FastQuoteNode("SH600000");
    call_->AttachNode(node);
    call_->AttachNode(FastQuoteNode("SH600001"));

    QTest::ignoreMessage(
        QtWarningMsg, QRegularExpression("lv2-12989.*function 12989 body rejected: offset \\d+"));
    Answer("SH600000", body);
    // Answers are delivered in order: once the next one arrived, the bad one was handled.
    Answer("SH600001", Book("SH600001", -1));
    const QList<QuoteTaskExecMidResult> results = TakeResults(1);
    QCOMPARE(results.size(), 1);
    QVERIFY(results[0].scope_id != node.scope_id);
    QCOMPARE(context_->GetQuoteTaskExecMidResultQueue().Size(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(call_->Cache().Keys(), QList<QString>{"SH600001"}, kWaitMs);
    QCOMPARE(FastTenMessages(), QList<int>{});  // the good answer's -1 is no change
}

void TestFastQuoteCall::answerWithoutContextIsDropped() {
    call_->AttachNode(FastQuoteNode("SH600000"));
    backend_->Push(12989, Book("SH600000", 1));
    Answer("SH600000", Book("SH600000", 0, 1070));
    const QList<QuoteTaskExecMidResult> results = TakeResults(1);
    QCOMPARE(results.size(), 1);
    QCOMPARE(context_->GetQuoteTaskExecMidResultQueue().Size(), 0);
    QCOMPARE(Entity(results[0])->wills.buy_rows[0].Get("price"),
             nscell::UnsharedDataCell::FromBigInteger(1070));
    QCOMPARE(FastTenMessages(), QList<int>{0});
}

QTEST_GUILESS_MAIN(TestFastQuoteCall)
#include "tst_fastquotecall.moc"
