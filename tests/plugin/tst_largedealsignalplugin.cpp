// The large-deal alert and the three short-line tables through the built plug-in file, loaded as
// the client loads it, against a scripted server that answers with hand-laid bodies: the client's
// executor joins each answer into the node the client asked with.
#include <QPluginLoader>
#include <QtTest>

#include <memory>

#include "host/access/ScriptedServerBackend.h"
#include "host/quoter/BaseQuoteData.h"
#include "host/quoter/DealsQuoteData.h"
#include "host/quoter/QuoteContext.h"
#include "host/quoter/QuoteDataSourceHandler.h"
#include "host/quoter/QuoteDataSourceIntent.h"
#include "host/quoter/QuoteTaskExecutor.h"
#include "host/quoter/QuoterFactoryInterface.h"
#include "host/quoter/ScopeTree.h"
#include "tests/services/signals/SignalBodies.h"

using namespace signalbody;

namespace {

constexpr int kWaitMs = 5000;  // ms, bound on a cross-thread delivery
const QString kQuery = QString::fromUtf8("短线精灵查询");
const QString kRocket = QString::fromUtf8("火箭发射");
const QString kDive = QString::fromUtf8("高台跳水");

// The latest large deal of the asked stock at 12.34: announces 0, carries one.
QByteArray LargeDealBody(const QString& code) {
    HandLaid b;
    b.u32(0).u32(0).str(code).u16(1).i32(77).u16(0);
    b.u32(93512).i32(1234).i32(50000).u32(0).u32(0).u32(0).u32(0);
    b.i32(30000).i32(20000).i32(0).i32(0);
    return b.bytes();
}

QByteArray TypesBody() {
    return TypeBody(1, {{"101", 1, "G1", kRocket, 1}, {"201", 2, "G2", kDive, 1}});
}

QByteArray SignalsBody() {
    return SignalBody(1, {{"SZ300750", "A", kRocket, 3, 1, 93005120, "up"},
                          {"SH600000", "B", kDive, 1, -1, 93100000, "down"},
                          {"SZ000001", "C", kDive, 2, -1, 93200000, "down"}});
}

}  // namespace

class TestLargeDealSignalPlugin : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        backend_->SetResponder([](IServerLink* link, const ServerRequest& request) {
            if (request.funcId == 12990)
                link->Answer(request, LargeDealBody(request.params.value(0).second.toString()));
            else if (request.funcId == 10015)
                link->Answer(request, TypesBody());
            else if (request.funcId == 10016)
                link->Answer(request, SignalsBody());
        });
        ServerBackendRegistry::Install("l2quote", backend_);
        ServerBackendRegistry::Install("pcl2xtquote", backend_);
        context_ = std::make_unique<QuoteContext>();
        auto* factory = qobject_cast<QuoterFactoryInterface*>(loader_.instance());
        QVERIFY2(factory != nullptr, qPrintable(loader_.errorString()));
        handler_ = factory->CreateHandler(*context_, "qzlv2");
        context_->OwnIntentHolder().SetChainHead(handler_);
        context_->FindQuoteDataSourceController("qzlv2")->RegisterJoinMethods();
        executor_ = std::make_unique<QuoteTaskExecutor>(*context_);
        backend_->SetAccessState(eAccessState_Connected);
    }

    void cleanupTestCase() {
        executor_.reset();
        delete handler_;
        ServerBackendRegistry::Clear();
        context_.reset();
    }

    // Root, keys asked (the short-line roots filter on SZ) -> one column of the joined rows.
    void joinedTables_data() {
        QTest::addColumn<bool>("largeDeal");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QStringList>("values");
        QTest::newRow("large-deal alert, one row") << true << ""
                                                   << "deal_price" << QStringList{"12.34"};
        QTest::newRow("signal list, SZ only, by order")
            << false << ""
            << "stock_code" << QStringList{"SZ000001", "SZ300750"};
        QTest::newRow("type list") << false << "signal_type_code,signal_type_name"
                                   << "signal_type_code" << QStringList{"101", "201"};
        QTest::newRow("statistics") << false << "signal_type_statistics"
                                    << "signal_type_statistics" << QStringList{"0", "1", "1", "0"};
    }

    void joinedTables() {
        QFETCH(bool, largeDeal);
        QFETCH(QString, keys);
        QFETCH(QString, column);
        QFETCH(QStringList, values);
        ScopeTreeNode root =
            ScopeTreeNode::NewRoot(largeDeal ? ScopeTypeVariant(18) : ScopeTypeVariant(kQuery));
        if (largeDeal) {
            root.stock_list = StockListExpression::FromStockCode("SZ300750");
        } else {
            root.key_list = KeyListExpression::FromKeyList(keys);
            root.params.insert("plate_list", "SH,SZ");
            auto data = QSharedPointer<BaseQuoteData>::create();
            data->base_row.Set("market_list", QString("SZ"));
            root.quote_data = data;
        }
        const auto rows = [&] {
            const QSharedPointer<QuoteData> joined = Joined(root);
            QList<nscell::DataRow> list;
            if (const auto* table = dynamic_cast<const DealsQuoteData*>(joined.data()))
                list = table->rows;
            if (const auto* table = dynamic_cast<const BaseQuoteData*>(joined.data()))
                list = table->rows;
            QStringList out;
            for (const nscell::DataRow& row : list)
                out << row.Get(column).DisplayText();
            return out;
        };
        Dispatch(root);
        QTRY_COMPARE_WITH_TIMEOUT(rows(), values, kWaitMs);
    }

private:
    void Dispatch(const ScopeTreeNode& root) {
        tree_ = QSharedPointer<ScopeTree>::create();
        tree_->AddRoot(root);
        executor_->Track(tree_);
        context_->OwnIntentHolder().Dispatch(
            QSharedPointer<QuoteDataSourceIntent>::create(++task_, 0x01, tree_));
    }
    QSharedPointer<QuoteData> Joined(const ScopeTreeNode& root) {
        executor_->ProcessPending();
        const std::optional<ScopeTreeNode> node = tree_->FindNode(root.scope_id);
        return node ? node->quote_data : QSharedPointer<QuoteData>();
    }

    const std::shared_ptr<ScriptedServerBackend> backend_ =
        std::make_shared<ScriptedServerBackend>();
    std::unique_ptr<QuoteContext> context_;
    QPluginLoader loader_{QStringLiteral(QZLV2_PLUGIN_FILE)};
    QuoteDataSourceHandler* handler_ = nullptr;
    std::unique_ptr<QuoteTaskExecutor> executor_;
    QSharedPointer<ScopeTree> tree_;
    int task_ = 0;
};

QTEST_GUILESS_MAIN(TestLargeDealSignalPlugin)
#include "tst_largedealsignalplugin.moc"
