#pragma once

#include <QByteArray>
#include <QtEndian>
#include <type_traits>

#include "host/core/CMemArchiveError.h"

// Bounds-checked sequential reader over a byte buffer. Integers are little-endian.
// Every read checks the remaining length first; a read that does not fit throws CMemArchiveError
// and consumes nothing, so the position stays where it was.
//
// Threads: not thread-safe; one reader belongs to one decoding on one thread. The archive built
// from a QByteArray keeps a (shared) copy; the one built from a pointer does not own the bytes.
class CMemArchive {
public:
    explicit CMemArchive(const QByteArray& bytes);
    CMemArchive(const char* data, int length);

    // Consumes n bytes and returns the position after them; the field starts at the result - n.
    // Inline: decoders call it once per field, and the check is two compares.
    const char* TryRead(int n) {
        if (Q_UNLIKELY(n < 0 || n > Remaining())) {
            ThrowShort(n);
        }
        pos_ += n;
        return data_ + pos_;
    }
    QByteArray ReadBytes(int n);
    void Skip(int n) { TryRead(n); }

    template <typename T>
    T Read() {
        static_assert(std::is_integral<T>::value, "Read<T> reads integers");
        const char* end = TryRead(int(sizeof(T)));
        return qFromLittleEndian<T>(end - sizeof(T));
    }

    const char* Data() const { return data_; }
    int Size() const { return size_; }
    int Position() const { return pos_; }
    int Remaining() const { return size_ - pos_; }
    bool AtEnd() const { return pos_ >= size_; }

private:
    [[noreturn]] void ThrowShort(int n) const;

    QByteArray owned_;  // keeps the bytes alive when built from a QByteArray
    const char* data_;
    int size_;
    int pos_ = 0;
};
