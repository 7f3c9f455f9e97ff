#pragma once

// The variable-length fields the client's own formats share (recordings, the server transport):
//   string  u16 byte count, then that many UTF-8 bytes (longer texts are cut at 65 535 bytes)
//   blob    u32 byte count, then that many bytes
// Reads go through CMemArchive, so a count beyond the remaining bytes throws CMemArchiveError.
// Stateless and reentrant.

#include <QByteArray>
#include <QString>

#include "host/core/CMemArchive.h"
#include "host/core/MemoryArchiveWriter.h"

namespace archive {

inline void WriteString(MemoryArchiveWriter& out, const QString& text) {
    const QByteArray utf8 = text.toUtf8().left(0xFFFF);
    out.Write<quint16>(quint16(utf8.size()));
    out.WritePureBytes(utf8);
}

inline void WriteBlob(MemoryArchiveWriter& out, const QByteArray& bytes) {
    out.Write<quint32>(quint32(bytes.size()));
    out.WritePureBytes(bytes);
}

inline QString ReadString(CMemArchive& in) {
    const int n = in.Read<quint16>();
    return QString::fromUtf8(in.ReadBytes(n));
}

inline QByteArray ReadBlob(CMemArchive& in) {
    const quint32 n = in.Read<quint32>();
    if (n > quint32(in.Remaining())) {
        throw CMemArchiveError(in.Position(), int(qMin<quint32>(n, 0x7FFFFFFF)), in.Size());
    }
    return in.ReadBytes(int(n));
}

}  // namespace archive
