#pragma once

#include <QString>
#include <QStringList>

#include "host/core/MemoryArchiveWriter.h"

// Encoding helpers, the mirror of WireReader: used by encoders (disk cache) and by tests that
// build answers. Stateless.
namespace wire {

// u16 byte count + UTF-8 bytes (the text is cut at 65535 bytes).
void WriteString(MemoryArchiveWriter& writer, const QString& text);

// i16 count + strings (each i16 byte count + UTF-8 bytes); at most 32767 strings are written.
void WriteStringList(MemoryArchiveWriter& writer, const QStringList& list);

// Packs a non-negative value with the smallest exponent whose mantissa fits 30 bits; bits below the
// chosen scale are dropped. Values beyond 2^42 saturate to the largest packable value.
quint32 EncodePackedInt(qint64 value);

}  // namespace wire
