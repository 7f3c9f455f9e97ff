#include "framework/WireWriter.h"

#include <algorithm>

namespace wire {

namespace {

constexpr qint64 kMantissaMax = 0x3FFFFFFF;  // low 30 bits of a packed word
constexpr int kStringMaxBytes = 0xFFFF;      // u16 length field
constexpr int kSignedMax = 0x7FFF;           // i16 length/count field

void WriteBytesWithLength16(MemoryArchiveWriter& writer, const QByteArray& bytes, int maxBytes) {
    const QByteArray cut = bytes.left(maxBytes);
    writer.Write<quint16>(static_cast<quint16>(cut.size()));
    writer.WritePureBytes(cut);
}

}  // namespace

void WriteString(MemoryArchiveWriter& writer, const QString& text) {
    WriteBytesWithLength16(writer, text.toUtf8(), kStringMaxBytes);
}

void WriteStringList(MemoryArchiveWriter& writer, const QStringList& list) {
    const int count = std::min(list.size(), kSignedMax);
    writer.Write<qint16>(static_cast<qint16>(count));
    for (int i = 0; i < count; ++i) {
        WriteBytesWithLength16(writer, list.at(i).toUtf8(), kSignedMax);
    }
}

quint32 EncodePackedInt(qint64 value) {
    if (value < 0) {
        value = 0;
    }
    for (quint32 exponent = 0; exponent < 4; ++exponent) {
        const qint64 mantissa = value >> (4 * exponent);
        if (mantissa <= kMantissaMax) {
            return (exponent << 30) | static_cast<quint32>(mantissa);
        }
    }
    return (3u << 30) | static_cast<quint32>(kMantissaMax);
}

}  // namespace wire
