#pragma once

#include <QByteArray>
#include <QString>

#include "host/quoter/ResponsePkgEntity_12989.h"
#include "services/fastquote/FastQuoteLevels.h"

// Decodes a 12989 body (the order book of one stock) into the two book forms of the package:
// level rows and queue rows per side, each side filled up to kShownLevels with filler rows, and
// the fast-ten flag. The whole body is read before anything is stored, so a body that is shorter
// than its counts say is rejected whole: a warning names the offset and the length wanted, and
// the package is left as it was.
// Threads: stateless; any thread.
class FastQuoteDecoder {
public:
    static constexpr int kFunctionId = 12989;
    static constexpr int kShownLevels = 10;  // levels a side always shows, fillers included

    // True on success: `entity` holds the book and the flag, `code` the body's stock code.
    // On rejection `why` (when given) says where the body fell short; on success `consumed`
    // (when given) is where the book ended.
    static bool Decode(const QByteArray& body, ResponsePkgEntity_12989& entity, QString& code,
                       QString* why = nullptr, int* consumed = nullptr);

    // As Decode, for the next book of a stock whose last book left `previous` (null: none):
    // levels whose values did not change take over that book's rows, and on success `levels`
    // holds what the book after this one may take over (with `body`, shared, not copied).
    static bool DecodeNext(const QByteArray& body, const FastQuoteLevels* previous,
                           ResponsePkgEntity_12989& entity, QString& code,
                           FastQuoteLevelsPtr& levels, QString* why = nullptr,
                           int* consumed = nullptr);
};
