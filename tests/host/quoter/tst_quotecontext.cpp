#include <QtTest>

#include <functional>
#include <utility>

#include "host/quoter/QuoteContext.h"
#include "host/quoter/QuoteDataSourceHandler.h"
#include "host/quoter/QuoteDataSourceIntent.h"
#include "host/quoter/QuoterFeatureDAO.h"

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

// A chain link that records the task ids it saw, runs an optional hook and passes the intent on
// (the base Handle: false at the end of the chain).
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
        if (hook) {
            hook();
        }
        return Handler::Handle(intent);
    }
    std::function<void()> hook;

private:
    QStringList* log_;
};

QSharedPointer<Intent> MakeIntent(int task) {
    return QSharedPointer<Intent>(
        new QuoteDataSourceIntent(task, 0x01, QSharedPointer<ScopeTree>::create()));
}

}  // namespace

class TstQuoteContext : public QObject {
    Q_OBJECT
private slots:
    void controllerRegistryAndQueueCapacity() {
        QuoteContext context(2);
        NullController a, b;
        QVERIFY(context.RegisterQuoteDataSourceController("lv2", &a));
        QVERIFY(!context.RegisterQuoteDataSourceController("lv2", &b));
        QCOMPARE(context.FindQuoteDataSourceController("lv2"), &a);  // the first stays
        QVERIFY(!context.RegisterQuoteDataSourceController("null", nullptr));
        context.UnregisterQuoteDataSourceController("lv2");
        QVERIFY(context.RegisterQuoteDataSourceController("lv2", &b));
        QCOMPARE(context.QuoteDataSourceControllerNames(), QStringList{"lv2"});

        QCOMPARE(context.GetQuoteTaskExecMidResultQueue().Capacity(), 2);
    }

    void redispatchRerunsLiveIntentsThroughChain() {
        QuoteContext context;
        QStringList log;
        RecordingHandler first(context, "first", &log);
        RecordingHandler second(context, "second", &log);
        first.GetLastSuccessor()->SetSuccessor(&second);  // appends
        IntentHolder& holder = context.OwnIntentHolder();
        holder.SetChainHead(&first);

        const QSharedPointer<Intent> one = MakeIntent(1);
        const QSharedPointer<Intent> two = MakeIntent(2);
        QVERIFY(!holder.Dispatch(one));  // nobody accepted it
        holder.AddLive(two);
        holder.AddLive(one);  // already live: not twice
        QCOMPARE(holder.LiveCount(), 2);
        QCOMPARE(log, (QStringList{"first:1", "second:1"}));

        log.clear();
        context.GetIntentHolder()->Redispatch();
        QCOMPARE(log, (QStringList{"first:1", "second:1", "first:2", "second:2"}));
        QCOMPARE(QuoteDataSourceIntent::FromIntent(two)->GetHandlerSet().size(), 2);

        log.clear();
        holder.RemoveLive(one);
        bool again = true;  // a handler may redispatch from inside the chain without deadlock
        first.hook = [&] {
            if (std::exchange(again, false)) {
                holder.Redispatch();
            }
        };
        holder.Redispatch();
        QCOMPARE(log, (QStringList{"first:2", "first:2", "second:2", "second:2"}));

        log.clear();
        holder.SetChainHead(nullptr);
        holder.Redispatch();  // no chain: counted, nothing runs
        QVERIFY(log.isEmpty());
        QCOMPARE(holder.RedispatchCount(), 4);
        QVERIFY(QuoteDataSourceIntent::FromIntent(QSharedPointer<Intent>(new Intent)) == nullptr);
    }

    void intentServeFlags_data() {
        QTest::addColumn<quint32>("flags");
        QTest::addColumn<bool>("serve");
        QTest::newRow("none") << quint32(0) << false;
        QTest::newRow("bit 0x01") << quint32(0x01) << true;
        QTest::newRow("bit 0x10") << quint32(0x10) << true;
        QTest::newRow("other bits") << quint32(0x2 | 0x4 | 0x8 | 0x20 | 0x100) << false;
    }

    void intentServeFlags() {
        QFETCH(quint32, flags);
        QFETCH(bool, serve);
        QCOMPARE(QuoteDataSourceIntent(1, flags, QSharedPointer<ScopeTree>()).WantsService(),
                 serve);
    }

    // Which codes the client's feature store counts as Level-2 or share-transfer by default.
    void defaultFeatures_data() {
        QTest::addColumn<QString>("feature");
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("supported");
        QTest::newRow("SH A-share") << "LV2" << QString("SH600000") << true;
        QTest::newRow("SZ A-share") << "LV2" << QString("SZ000001") << true;
        QTest::newRow("five digits") << "LV2" << QString("SH60000") << false;
        QTest::newRow("seven digits: whole code") << "LV2" << QString("SZ0000011") << false;
        QTest::newRow("lower-case market") << "LV2" << QString("sh600000") << false;
        QTest::newRow("transfer code on LV2") << "LV2" << QString("NQ430001") << false;
        QTest::newRow("transfer") << "Transfer" << QString("NQ430001") << true;
        QTest::newRow("unknown feature") << "NoSuch" << QString("SH600000") << false;
    }

    void defaultFeatures() {
        QFETCH(QString, feature);
        QFETCH(QString, code);
        QFETCH(bool, supported);
        const auto* dict = QuoterFeatureDAO::Default()->GetStockDict();
        QCOMPARE(dict->GetFeatureStatement(feature).Support(code), supported);
    }
};

QTEST_GUILESS_MAIN(TstQuoteContext)
#include "tst_quotecontext.moc"
