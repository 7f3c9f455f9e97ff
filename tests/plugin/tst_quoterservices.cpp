// What the quoter builds: its resolvers and calls in the order the composites offer nodes to
// them, and, through its own composite of calls, a market-clearing broadcast that drops only that
// market's cached large deals.
#include <QRegularExpression>
#include <QtTest>

#include <memory>
#include <typeinfo>

#include "host/access/ScriptedServerBackend.h"
#include "host/quoter/CompositeRemoteApiCall.h"
#include "host/quoter/CompositeScopeResolver.h"
#include "host/quoter/QuoteContext.h"
#include "plugin/QzLv2Quoter.h"
#include "services/largedeals/QzLv2RemoteApiCall_12990.h"
#include "tests/services/HandLaid.h"

namespace {

constexpr int kWaitMs = 5000;  // ms, bound on a cross-thread delivery

// The twelve resolvers and fifteen calls the quoter builds, in construction order.
const QStringList kResolvers =
    QString(
        "QzLv2NewLargeScopeResolver QzLv2CapitalFlowScopeResolver "
        "QzLv2StkanalysisScopeResolver QzLv2FastQuoteScopeResolver "
        "QzLv2ShortLineSignalListScopeResolver QzLv2ShortLineSignalStatisticsScopeResolver "
        "QzLv2ShortLineSignalTypeListScopeResolver QzLv2IndicatorResolver "
        "QzLv2MinutesCapitalFlowsIndicatorResolver QzLv2StockBoardScopeResolver "
        "QzLv2CapitalTrendScopeResolver QzLv2PriceBaseDealsScopeResolver")
        .split(' ');
const QStringList kCalls =
    QString(
        "QzLv2RemoteApiCall_10002 QzLv2RemoteApiCall_12988 QzLv2RemoteApiCall_12990 "
        "QzLv2RemoteApiCall_10012 QzLv2RemoteApiCall_10015 QzLv2RemoteApiCall_10016 "
        "QzLv2RemoteApiCall_12755_Stock_Related QzLv2RemoteApiCall_12915 "
        "QzLv2RemoteApiCall_12917 QzLv2RemoteApiCall_12930 QzLv2RemoteApiCall_12973 "
        "QzLv2RemoteApiCall_12844 QzLv2RemoteApiCall_12842 QzLv2RemoteApiCall_12932 "
        "QzLv2RemoteApiCall_12989")
        .split(' ');
// The class of a global-namespace object, from its mangled name ("26QzLv2NewLargeScopeResolver").
template <typename T>
QString ClassName(const T& object) {
    return QString::fromLatin1(typeid(object).name()).remove(QRegularExpression("^\\d+"));
}

QByteArray PagedBody(const QString& code) {
    HandLaid b;
    b.u32(0).u32(0).str(code).u16(0).i32(1).u16(1);
    b.u32(93000).i32(100).i32(1).u32(0).u32(0).u32(0).u32(0);
    return b.i32(1).i32(0).i32(0).i32(0).bytes();
}

}  // namespace

class TestQuoterServices : public QObject {
    Q_OBJECT

private slots:
    void init() {
        backend_ = std::make_shared<ScriptedServerBackend>();
        ServerBackendRegistry::Install("l2quote", backend_);
        ServerBackendRegistry::Install("pcl2xtquote", backend_);
        context_ = std::make_unique<QuoteContext>();
        quoter_ = std::make_unique<QzLv2Quoter>(*context_, "qzlv2");
    }
    void cleanup() {
        quoter_.reset();
        context_.reset();
        ServerBackendRegistry::Clear();
    }

    void resolversAndCallsInTheirOrder() {
        QStringList resolvers;
        for (int i = 0; i < quoter_->Resolvers()->Count(); ++i)
            resolvers << ClassName(*quoter_->Resolvers()->At(i));
        QCOMPARE(resolvers, kResolvers);
        QStringList calls;
        for (int i = 0; i < quoter_->Calls()->Count(); ++i)
            calls << ClassName(*quoter_->Calls()->At(i));
        QCOMPARE(calls, kCalls);
    }

    void marketClearingDropsOnlyThatMarketsLargeDeals() {
        backend_->SetResponder([](IServerLink* link, const ServerRequest& request) {
            if (request.funcId == 12990)
                link->Answer(request, PagedBody(request.params.value(0).second.toString()));
        });
        QStringList codes{"SZ300750", "SH600000", "SZ000001"};
        for (const QString& code : codes) {
            ScopeTreeNode node = ScopeTreeNode::NewRoot(ScopeTypeVariant("lv2_cjdd"));
            node.api_type = ScopeTypeVariant("12990");
            node.stock_list = StockListExpression::FromStockCode(code);
            node.variant = QString("cjmx");  // paged: cached
            quoter_->Calls()->AttachNode(node);
        }
        auto* call = dynamic_cast<QzLv2RemoteApiCall_12990*>(quoter_->Calls()->FindMemberFor([] {
            ScopeTreeNode n;
            n.api_type = ScopeTypeVariant("12990");
            return n;
        }()));
        QVERIFY(call != nullptr);
        QTRY_COMPARE_WITH_TIMEOUT(call->Cache().Size(), 3, kWaitMs);
        QTest::ignoreMessage(QtInfoMsg, "lv2-12990 {:SEPARATOR} clean cached cjmx - SZ300750");
        QTest::ignoreMessage(QtInfoMsg, "lv2-12990 {:SEPARATOR} clean cached cjmx - SZ000001");
        context_->GetBroadcaster()->Publish(QString::fromUtf8("清理个股实时缓存(市场缩码)"),
                                            QByteArray("SZ"));
        QCOMPARE(call->Cache().Keys(),
                 QList<ResponsePkgTopic_12990>{ResponsePkgTopic_12990("SH600000", "cjmx")});
    }

private:
    std::shared_ptr<ScriptedServerBackend> backend_;
    std::unique_ptr<QuoteContext> context_;
    std::unique_ptr<QzLv2Quoter> quoter_;
};

QTEST_GUILESS_MAIN(TestQuoterServices)
#include "tst_quoterservices.moc"
