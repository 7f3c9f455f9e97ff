#include "framework/WireReader.h"

#include <limits>

namespace wire {

namespace {

constexpr int kCountBytes = 2;  // bytes of a string's length field

// The text is converted straight from the body's bytes, without a QByteArray copy between; as
// QString::fromUtf8 of a QByteArray, it ends at the first NUL byte.
QString Utf8At(const char* text, int length) {
    return QString::fromUtf8(text, int(qstrnlen(text, uint(length))));
}

}  // namespace

QString ReadString(CMemArchive& archive) {
    const quint16 length = archive.Read<quint16>();
    const char* end = archive.TryRead(length);
    return Utf8At(end - length, length);
}

void SkipString(CMemArchive& archive) {
    const quint16 length = archive.Read<quint16>();
    archive.Skip(length);
}

QString ReadStringSigned(CMemArchive& archive) {
    const qint16 length = archive.Read<qint16>();
    if (length < 0) {
        return QString();
    }
    const char* end = archive.TryRead(length);
    return Utf8At(end - length, length);
}

QStringList ReadStringList(CMemArchive& archive) {
    const qint16 count = archive.Read<qint16>();
    QStringList list;
    if (count < 1) {
        return list;
    }
    RequireItems(archive, count, kCountBytes);
    list.reserve(count);
    for (int i = 0; i < count; ++i) {
        list.append(ReadStringSigned(archive));
    }
    return list;
}

qint64 DecodePackedInt(quint32 word) {
    const int exponent = static_cast<int>(word >> 30);
    const qint64 mantissa = static_cast<qint64>(word & 0x3FFFFFFFu);
    return mantissa << (4 * exponent);
}

qint64 ReadPackedInt(CMemArchive& archive) {
    return DecodePackedInt(archive.Read<quint32>());
}

void RequireItems(const CMemArchive& archive, qint64 count, int minItemBytes) {
    const int itemBytes = minItemBytes < 1 ? 1 : minItemBytes;
    // Compared by division so that no product of a hostile count can overflow.
    if (count >= 0 && count <= archive.Remaining() / itemBytes) {
        return;
    }
    const qint64 intMax = std::numeric_limits<int>::max();
    const int wanted = count < 0 || count > intMax / itemBytes
                           ? std::numeric_limits<int>::max()
                           : static_cast<int>(count * itemBytes);
    throw CMemArchiveError(archive.Position(), wanted, archive.Size());
}

}  // namespace wire
