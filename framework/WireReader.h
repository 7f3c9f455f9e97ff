#pragma once

#include <QString>
#include <QStringList>

#include "host/core/CMemArchive.h"

// Decoding helpers for the field shapes shared by the server's answers. Each consumes its field
// from the archive; a field longer than the bytes left throws CMemArchiveError.
// Stateless; callable from any thread on an archive owned by the caller.
namespace wire {

// u16 byte count, then that many UTF-8 bytes.
QString ReadString(CMemArchive& archive);
// The same field passed over unread (no text is made).
void SkipString(CMemArchive& archive);

// i16 byte count, then that many UTF-8 bytes; a negative count reads as an empty string. Used for
// the elements of string lists.
QString ReadStringSigned(CMemArchive& archive);

// i16 count (below 1: empty list), then that many strings read with ReadStringSigned.
QStringList ReadStringList(CMemArchive& archive);

// The value of a packed 32-bit word: top two bits k (base-16 exponent), low 30 bits m;
// m when k is 0, else m << (4 * k).
qint64 DecodePackedInt(quint32 word);
qint64 ReadPackedInt(CMemArchive& archive);

// Throws CMemArchiveError unless count items of at least minItemBytes each can still follow.
// Call before reserving room for count items, so a lying count cannot claim huge memory.
void RequireItems(const CMemArchive& archive, qint64 count, int minItemBytes);

}  // namespace wire
