#pragma once

#include <QJsonValue>
#include <QString>

// Whether a decoded answer body carries anything the plug-in would hand a host: a body can parse
// and still mean nothing (no record, a book without levels, a flow of zeros). One rule per
// function, listed in docs/decode.md ("Bodies that mean nothing").
// Threads: stateless.
namespace qzlv2 {

// Empty when `record` (the "record" of a decoded body's JSON) means something; otherwise what it
// means instead, e.g. "no record (the body announces none)".
QString NothingMeant(int function, const QJsonValue& record);

}  // namespace qzlv2
