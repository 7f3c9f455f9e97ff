#include "host/core/CMemArchive.h"

CMemArchive::CMemArchive(const QByteArray& bytes)
    : owned_(bytes), data_(owned_.constData()), size_(owned_.size()) {}

CMemArchive::CMemArchive(const char* data, int length)
    : data_(data), size_(data ? qMax(length, 0) : 0) {}

const char* CMemArchive::TryRead(int n) {
    if (n < 0 || n > Remaining()) {
        throw CMemArchiveError(pos_, n, size_);
    }
    pos_ += n;
    return data_ + pos_;
}

QByteArray CMemArchive::ReadBytes(int n) {
    const char* end = TryRead(n);
    return QByteArray(end - n, n);
}
