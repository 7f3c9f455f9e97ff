#include "host/core/CMemArchive.h"

CMemArchive::CMemArchive(const QByteArray& bytes)
    : owned_(bytes), data_(owned_.constData()), size_(owned_.size()) {}

CMemArchive::CMemArchive(const char* data, int length)
    : data_(data), size_(data ? qMax(length, 0) : 0) {}

void CMemArchive::ThrowShort(int n) const {
    throw CMemArchiveError(pos_, n, size_);
}

QByteArray CMemArchive::ReadBytes(int n) {
    const char* end = TryRead(n);
    return QByteArray(end - n, n);
}
