#include <QtTest>

#include "host/quoter/QuoteContext.h"
#include "host/quoter/QuoteDataSourceHandler.h"
#include "host/quoter/QuoteDataSourceIntent.h"

using kestrov::tolk::cor::Handler;
using kestrov::tolk::cor::Intent;

namespace {

class NullController : public IQuoteDataSourceController {
public:
    void RegisterJoinMethods() override {}
    void NoOperation() override {}
    bool Resume() override { return true; }
    void Pause() override {}
    bool IsAvailable() override { return true; }
};

// A chain link that records the task ids it saw and passes the intent on.
class RecordingHandler : public QuoteDataSourceHandler {
public:
    RecordingHandler(QuoteContext& context, const QString& name, QStringList* log)
        : QuoteDataSourceHandler(context, name), log_(log) {}
    bool Handle(QSharedPointer<Intent> intent) override {
        QuoteDataSourceIntent* quote = QuoteDataSourceIntent::FromIntent(intent);
        *log_ << QString("%1:%2").arg(GetHandlerName()).arg(quote ? quote->GetTaskId() : -1);
        if (quote) {
            quote->AddHandler(this);
        }
        return Handler::Handle(intent);
    }

private:
    QStringList* log_;
};

class AcceptingTail : public Handler {
public:
    AcceptingTail() : Handler(QStringLiteral("tail")) {}
    bool Handle(QSharedPointer<Intent>) override { return true; }
};

// A holder that calls back into Redispatch from inside the chain must not deadlock.
class ReentrantHandler : public Handler {
public:
    explicit ReentrantHandler(IntentHolder* holder) : Handler("reentrant"), holder_(holder) {}
    bool Handle(QSharedPointer<Intent>) override {
        if (++calls == 1) {
            holder_->Redispatch();
        }
        return true;
    }
    int calls = 0;

private:
    IntentHolder* holder_;
};

QSharedPointer<Intent> MakeIntent(int task, quint32 flags = 0x01) {
    return QSharedPointer<Intent>(
        new QuoteDataSourceIntent(task, flags, QSharedPointer<ScopeTree>::create()));
}

}  // namespace

class TstQuoteContext : public QObject {
    Q_OBJECT
private slots:
    void controllerRegistryRejectsDuplicates();
    void joinMethodManagerCanBeReplacedOrNull();
    void intentHolderDefaultsToOwnAndCanBeReplaced();
    void redispatchRerunsLiveIntentsThroughChain();
    void redispatchMaySelfReenter();
    void intentFromIntentAndHandlerSet();
    void intentServeFlags_data();
    void intentServeFlags();
    void broadcasterIsUsable();
    void midResultQueueCapacityIsConfigurable();
};

void TstQuoteContext::controllerRegistryRejectsDuplicates() {
    QuoteContext context;
    NullController a, b;
    QVERIFY(context.RegisterQuoteDataSourceController("lv2", &a));
    QVERIFY(!context.RegisterQuoteDataSourceController("lv2", &b));
    QCOMPARE(context.FindQuoteDataSourceController("lv2"), &a);  // the first stays
    QVERIFY(!context.RegisterQuoteDataSourceController("null", nullptr));
    QVERIFY(context.RegisterQuoteDataSourceController("other", &b));
    QCOMPARE(context.QuoteDataSourceControllerNames(), (QStringList{"lv2", "other"}));
    context.UnregisterQuoteDataSourceController("lv2");
    QVERIFY(context.FindQuoteDataSourceController("lv2") == nullptr);
    QVERIFY(context.RegisterQuoteDataSourceController("lv2", &b));
    context.UnregisterQuoteDataSourceController("never-registered");
    QCOMPARE(context.QuoteDataSourceControllerNames().size(), 2);
}

void TstQuoteContext::joinMethodManagerCanBeReplacedOrNull() {
    QuoteContext context;
    QCOMPARE(context.GetJoinMethodManager(),
             static_cast<IJoinMethodManager*>(&context.OwnJoinMethodManager()));
    context.GetJoinMethodManager()->RegisterJoinMethod(
        JoinMethodValue(JoinMethodKey(1, "x"), nullptr));
    QCOMPARE(context.OwnJoinMethodManager().Count(), 1);
    context.SetJoinMethodManager(nullptr);
    QVERIFY(context.GetJoinMethodManager() == nullptr);
    JoinMethodManager external;
    context.SetJoinMethodManager(&external);
    QCOMPARE(context.GetJoinMethodManager(), static_cast<IJoinMethodManager*>(&external));
}

void TstQuoteContext::intentHolderDefaultsToOwnAndCanBeReplaced() {
    QuoteContext context;
    QCOMPARE(context.GetIntentHolder(), static_cast<IIntentHolder*>(&context.OwnIntentHolder()));
    IntentHolder other;
    context.SetIntentHolder(&other);
    context.GetIntentHolder()->Redispatch();
    QCOMPARE(other.RedispatchCount(), 1);
    QCOMPARE(context.OwnIntentHolder().RedispatchCount(), 0);
    context.SetIntentHolder(nullptr);
    QCOMPARE(context.GetIntentHolder(), static_cast<IIntentHolder*>(&context.OwnIntentHolder()));
}

void TstQuoteContext::redispatchRerunsLiveIntentsThroughChain() {
    QuoteContext context;
    QStringList log;
    RecordingHandler first(context, "first", &log);
    RecordingHandler second(context, "second", &log);
    AcceptingTail tail;
    first.SetSuccessor(&second);
    second.SetSuccessor(&tail);
    IntentHolder& holder = context.OwnIntentHolder();
    holder.SetChainHead(&first);

    const QSharedPointer<Intent> one = MakeIntent(1);
    const QSharedPointer<Intent> two = MakeIntent(2);
    QVERIFY(holder.Dispatch(one));
    holder.AddLive(two);
    holder.AddLive(one);  // already live: not twice
    QCOMPARE(holder.LiveCount(), 2);
    QCOMPARE(log, (QStringList{"first:1", "second:1"}));

    log.clear();
    context.GetIntentHolder()->Redispatch();
    QCOMPARE(log, (QStringList{"first:1", "second:1", "first:2", "second:2"}));
    QCOMPARE(holder.RedispatchCount(), 1);
    QCOMPARE(QuoteDataSourceIntent::FromIntent(two)->GetHandlerSet().size(), 2);

    log.clear();
    holder.RemoveLive(one);
    holder.Redispatch();
    QCOMPARE(log, (QStringList{"first:2", "second:2"}));

    log.clear();
    holder.SetChainHead(nullptr);
    holder.Redispatch();  // no chain: counted, nothing runs
    QVERIFY(log.isEmpty());
    QCOMPARE(holder.RedispatchCount(), 3);
}

void TstQuoteContext::redispatchMaySelfReenter() {
    IntentHolder holder;
    ReentrantHandler head(&holder);
    holder.SetChainHead(&head);
    holder.AddLive(MakeIntent(5));
    holder.Redispatch();
    QCOMPARE(head.calls, 2);
    QCOMPARE(holder.RedispatchCount(), 2);
}

void TstQuoteContext::intentFromIntentAndHandlerSet() {
    class OtherIntent : public Intent {};
    QVERIFY(QuoteDataSourceIntent::FromIntent(QSharedPointer<Intent>(new OtherIntent)) == nullptr);
    QVERIFY(QuoteDataSourceIntent::FromIntent(QSharedPointer<Intent>()) == nullptr);

    QuoteContext context;
    QStringList log;
    RecordingHandler handler(context, "h", &log);
    QCOMPARE(&handler.GetQuoteContext(), &context);
    QCOMPARE(handler.GetHandlerName(), QStringLiteral("h"));

    auto tree = QSharedPointer<ScopeTree>::create();
    const QSharedPointer<Intent> intent(new QuoteDataSourceIntent(9, 0x10, tree));
    QuoteDataSourceIntent* quote = QuoteDataSourceIntent::FromIntent(intent);
    QVERIFY(quote);
    QCOMPARE(quote->GetTaskId(), 9);
    QCOMPARE(quote->GetScopeTree(), tree);
    QVERIFY(!quote->HasHandler(&handler));
    QVERIFY(!handler.Handle(intent));  // end of chain: false
    QVERIFY(quote->HasHandler(&handler));
    quote->AddHandler(&handler);
    QCOMPARE(quote->GetHandlerSet().size(), 1);
}

void TstQuoteContext::intentServeFlags_data() {
    QTest::addColumn<quint32>("flags");
    QTest::addColumn<bool>("serve");
    QTest::newRow("none") << quint32(0) << false;
    QTest::newRow("bit 0x01") << quint32(0x01) << true;
    QTest::newRow("bit 0x10") << quint32(0x10) << true;
    QTest::newRow("other bits") << quint32(0x2 | 0x4 | 0x8 | 0x20 | 0x100) << false;
    QTest::newRow("both") << quint32(0x11) << true;
}

void TstQuoteContext::intentServeFlags() {
    QFETCH(quint32, flags);
    QFETCH(bool, serve);
    QuoteDataSourceIntent intent(1, flags, QSharedPointer<ScopeTree>());
    QCOMPARE(intent.WantsService(), serve);
    QCOMPARE(intent.GetFlags(), flags);
}

void TstQuoteContext::broadcasterIsUsable() {
    QuoteContext context;
    QuoteContext::Broadcaster* broadcaster = context.GetBroadcaster();
    QVERIFY(broadcaster);
    QCOMPARE(context.GetBroadcaster(), broadcaster);  // one broadcaster for the context's life
    QByteArray got;
    kestrov::tolk::subscriber::LambdaSubscriber<QString, QByteArray> subscriber(
        [&got](const QString&, const QByteArray& value) { got = value; });
    const QString key = QStringLiteral("清理个股实时缓存(市场缩码)");
    QVERIFY(broadcaster->Subscribe(key, &subscriber));
    broadcaster->Publish(key, QByteArray("SZ"));
    QCOMPARE(got, QByteArray("SZ"));
    broadcaster->Unsubscribe(key, &subscriber);
}

void TstQuoteContext::midResultQueueCapacityIsConfigurable() {
    QuoteContext small(2);
    QCOMPARE(small.GetQuoteTaskExecMidResultQueue().Capacity(), 2);
    QCOMPARE(QuoteContext().GetQuoteTaskExecMidResultQueue().Capacity(),
             QuoteContext::kDefaultMidResultCapacity);
    auto& queue = small.GetQuoteTaskExecMidResultQueue();
    QVERIFY(queue.Push({1, {}}));
    QVERIFY(queue.Push({2, {}}));
    QVERIFY(!queue.Push({3, {}}, 1));
    QCOMPARE(queue.DroppedCount(), qint64(1));
}

QTEST_GUILESS_MAIN(TstQuoteContext)
#include "tst_quotecontext.moc"
