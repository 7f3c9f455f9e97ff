#pragma once

#include <QString>
#include <QVariant>

class QuoteContext;
class QuoteDataSourceHandler;
class QuoterFactoryInterface;

// Loads the quoter factory from a plug-in file the way a host does, with a message that says
// what went wrong: the file, Qt's reason, and what was expected.
// Threads: main thread only.
namespace qzlv2 {

// The factory, or null with `error` set. The plug-in stays loaded for the process's life.
QuoterFactoryInterface* LoadQuoterFactory(const QString& file, QString& error);

// What the client does with the plug-in file: loads the factory, creates the handler `name` on
// `context`, makes it the head of the context's handler chain and registers its joins. The
// handler (owned by the caller), or null with `error` set.
QuoteDataSourceHandler* CreateChainedHandler(QuoteContext& context, const QString& file,
                                             const QString& name, QString& error);

// A property of the plug-in's instance, read as a host does (QObject::property); invalid when
// the file has no instance or the instance no such property.
QVariant PluginProperty(const QString& file, const char* name);

// The plug-in installed beside the running program (bin/../lib/qzlv2/plugins), else the one built
// with it.
QString DefaultPlugin();

}  // namespace qzlv2
