#pragma once

#include <QByteArray>

#include "services/signals/ResponsePkgEntity_10015.h"
#include "services/signals/ResponsePkgEntity_10016.h"

// The server side of the short-line signals: 10015 and 10016 bodies from the package values
// (the flags say which optional fields are written; counts are the list sizes), for the
// simulated server, tests, benchmarks and fuzz seeds.
// Threads: stateless.
namespace simwire {

QByteArray EncodeSignalTypeBody(const ResponsePkgEntity_10015& catalogue);
QByteArray EncodeSignalBody(const ResponsePkgEntity_10016& answer);

}  // namespace simwire
