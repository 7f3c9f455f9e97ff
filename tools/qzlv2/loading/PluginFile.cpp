#include "tools/qzlv2/loading/PluginFile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonObject>
#include <QPluginLoader>

#include "host/quoter/QuoteContext.h"
#include "host/quoter/QuoteDataSourceHandler.h"
#include "host/quoter/QuoterFactoryInterface.h"

#ifndef QZLV2_PLUGIN_FILE
#define QZLV2_PLUGIN_FILE ""
#endif
#ifndef QZLV2_INSTALLED_PLUGIN
#define QZLV2_INSTALLED_PLUGIN ""
#endif

namespace qzlv2 {

QString DefaultPlugin() {
    const QString installed =
        QCoreApplication::applicationDirPath() + QStringLiteral("/" QZLV2_INSTALLED_PLUGIN);
    return QFileInfo(installed).isFile() ? QFileInfo(installed).canonicalFilePath()
                                         : QStringLiteral(QZLV2_PLUGIN_FILE);
}

namespace {

const char kExpected[] =
    "expected a Qt 5 plug-in whose factory implements " QuoterFactoryInterface_iid;

}  // namespace

QuoterFactoryInterface* LoadQuoterFactory(const QString& file, QString& error) {
    const QString head = QStringLiteral("cannot load the plug-in %1: ").arg(file);
    const QFileInfo info(file);
    if (!info.isFile()) {
        error = head +
                (info.isDir() ? QStringLiteral("it is a directory; ")
                              : QStringLiteral("no such file; ")) +
                kExpected;
        return nullptr;
    }
    QPluginLoader loader(file);
    QObject* instance = loader.instance();
    if (instance == nullptr) {
        error = head + loader.errorString() + QStringLiteral("; ") + kExpected;
        return nullptr;
    }
    auto* factory = qobject_cast<QuoterFactoryInterface*>(instance);
    if (factory == nullptr) {
        const QString iid = loader.metaData().value(QStringLiteral("IID")).toString();
        error = head + QStringLiteral("its factory (IID %1) is not a quoter factory; ").arg(iid) +
                kExpected;
    }
    return factory;
}

QuoteDataSourceHandler* CreateChainedHandler(QuoteContext& context, const QString& file,
                                             const QString& name, QString& error) {
    QuoterFactoryInterface* factory = LoadQuoterFactory(file, error);
    if (factory == nullptr) {
        return nullptr;
    }
    QuoteDataSourceHandler* handler = factory->CreateHandler(context, name);
    IQuoteDataSourceController* controller = context.FindQuoteDataSourceController(name);
    if (handler == nullptr || controller == nullptr) {
        delete handler;
        error = QStringLiteral("the plug-in made no handler or registered no controller");
        return nullptr;
    }
    context.OwnIntentHolder().SetChainHead(handler);
    controller->RegisterJoinMethods();
    return handler;
}

QVariant PluginProperty(const QString& file, const char* name) {
    // The same instance the factory came from: Qt keeps one per loaded file.
    const QObject* instance = QPluginLoader(file).instance();
    return instance != nullptr ? instance->property(name) : QVariant();
}

}  // namespace qzlv2
