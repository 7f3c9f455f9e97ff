#pragma once

#include <QString>

class QuoterFactoryInterface;

// Loads the quoter factory from a plug-in file the way a host does, with a message that says
// what went wrong: the file, Qt's reason, and what was expected.
// Threads: main thread only.
namespace qzlv2 {

// The factory, or null with `error` set. The plug-in stays loaded for the process's life.
QuoterFactoryInterface* LoadQuoterFactory(const QString& file, QString& error);

}  // namespace qzlv2
