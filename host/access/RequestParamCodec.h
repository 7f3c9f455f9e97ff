#pragma once

// Wire encoding of a request parameter list, little-endian, fields back to back:
//   "Int08"/"Int08U"   1 byte      "Int16"/"Int16U" 2 bytes
//   "Int32"/"Int32U"   4 bytes     "Int64"/"Int64U" 8 bytes
//   "String"   u16 byte count, then that many UTF-8 bytes
//   "Strings"  i16 count, then that many "String"s
//   "Bytes"    u16 byte count, then the raw bytes
//
// Integer values may be any integral QVariant (callers usually pass int whatever the tag).
// Accepted ranges for a width of w bits:
//   signed tags    -2^(w-1) .. 2^(w-1)-1
//   unsigned tags  -2^(w-1) .. 2^w-1; a negative value is written in two's complement, so
//                  ("Int08U", -1) is 255 on the wire (callers rely on this).
// "String" takes a QString, "Strings" a QStringList, "Bytes" a QByteArray; any other value type,
// an unknown tag, an out-of-range integer or an over-long text/list/byte run is rejected.
//
// Decode is the exact inverse for a given tag list. Decoded value types: int for Int08, Int16,
// Int32, Int08U, Int16U; uint for Int32U; qlonglong for Int64; qulonglong for Int64U; QString,
// QStringList, QByteArray for the others. Truncated input and trailing bytes are rejected.
//
// Stateless and reentrant.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "host/access/AccessTypes.h"

class RequestParamCodec {
public:
    // On failure returns false, leaves *out untouched and sets *error (naming the tag and the
    // parameter's index).
    static bool Encode(const RequestParams& params, QByteArray* out, QString* error);
    static bool Decode(const QStringList& tags, const QByteArray& bytes, RequestParams* out,
                       QString* error);

    static bool IsKnownTag(const QString& tag);
};
