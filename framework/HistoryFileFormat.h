#pragma once

#include <QByteArray>
#include <QString>

#include "framework/SaveOutcome.h"

// The envelope of a history file, whatever its records:
//   u32 header length H | header: u32 format version, u16 banner length L, L banner bytes,
//                                 u32 checksum of everything after the header
//   u32 identity length (8) | identity: u32 function id, u32 data version
//   u32 data length D       | data: D bytes (the payload)
// Stateless; callable from any thread.
namespace historyfile {

inline constexpr quint32 kFormatVersion = 20200101;
inline constexpr quint32 kFunctionId = 12844;
inline constexpr quint32 kDataVersion = 20200403;
inline constexpr quint32 kIdentityBlockBytes = 8;
extern const char kBanner[];  // fixed UTF-8 text, not checked on load

// CRC-32 over the reflected polynomial 0xEDB88320, started at 0, without final complement.
quint32 Checksum(const char* data, int length);
quint32 Checksum(const QByteArray& bytes);

// The whole file around a data block.
QByteArray Wrap(const QByteArray& dataBlock);

// Checks the envelope and hands back the data block. A wrong format version, checksum or data
// version logs its warning ("dataset" tag) and returns false. Content shorter than its length
// fields claim throws CMemArchiveError.
bool Unwrap(const QByteArray& file, QByteArray& dataBlock);

// Writes the bytes through a temporary file in the same directory that then replaces the target,
// creating parent directories first. A save that fails at any point (a folder that cannot be
// made, no space, a read-only disk, a failed rename) or is interrupted leaves any previous file
// intact and no temporary file behind, and says why in the operating system's words.
SaveOutcome WriteFileAtomically(const QString& path, const QByteArray& bytes);

}  // namespace historyfile
