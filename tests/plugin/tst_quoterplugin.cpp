// Loads the built plug-in file exactly as the client does and checks what the client relies on:
// the metadata, one factory per process, the interface cast and the handler's registration.
#include <QJsonObject>
#include <QPluginLoader>
#include <QtTest>

#include <memory>

#include "host/access/ScriptedServerBackend.h"
#include "host/quoter/QuoteContext.h"
#include "host/quoter/QuoteDataSourceHandler.h"
#include "host/quoter/QuoterFactoryInterface.h"

class TestQuoterPlugin : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        ServerBackendRegistry::Install("l2quote", main_backend_);
        ServerBackendRegistry::Install("pcl2xtquote", fast_backend_);
        QVERIFY2(loader_.load(), qPrintable(loader_.errorString()));
    }
    void cleanupTestCase() { ServerBackendRegistry::Clear(); }

    void metadataOneFactoryAndItsInterfaceNames() {
        const QJsonObject meta = loader_.metaData();
        QCOMPARE(meta.value("IID").toString(),
                 QString("com.mervox.lib.quoter.QzLv2QuoterFactory/1.0"));
        QCOMPARE(meta.value("className").toString(), QString("QzLv2QuoterFactory"));
        QObject* instance = loader_.instance();
        QVERIFY(instance != nullptr);
        QCOMPARE(QPluginLoader(QStringLiteral(QZLV2_PLUGIN_FILE)).instance(), instance);

        // The client's cast goes by the interface's IID.
        QVERIFY(qobject_cast<QuoterFactoryInterface*>(instance) != nullptr);
    }

    void handlerRegistersItsControllerUnderItsName() {
        QuoteContext context;
        auto* factory = qobject_cast<QuoterFactoryInterface*>(loader_.instance());
        QuoteDataSourceHandler* handler = factory->CreateHandler(context, "lv2-handler");
        QVERIFY(handler != nullptr);
        IQuoteDataSourceController* controller =
            context.FindQuoteDataSourceController("lv2-handler");
        QVERIFY(controller != nullptr);
        QVERIFY(controller->IsAvailable());
        // The quoter made one accessor per service and each bound to its backend.
        QCOMPARE(main_backend_->LinkCount(), 1);
        QCOMPARE(fast_backend_->LinkCount(), 1);

        delete handler;
        QVERIFY(context.FindQuoteDataSourceController("lv2-handler") == nullptr);
        QCOMPARE(main_backend_->LinkCount(), 0);
        QCOMPARE(fast_backend_->LinkCount(), 0);
    }

private:
    QPluginLoader loader_{QStringLiteral(QZLV2_PLUGIN_FILE)};
    const std::shared_ptr<ScriptedServerBackend> main_backend_ =
        std::make_shared<ScriptedServerBackend>();
    const std::shared_ptr<ScriptedServerBackend> fast_backend_ =
        std::make_shared<ScriptedServerBackend>();
};

QTEST_GUILESS_MAIN(TestQuoterPlugin)
#include "tst_quoterplugin.moc"
