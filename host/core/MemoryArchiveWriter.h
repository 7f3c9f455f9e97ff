#pragma once

#include <QByteArray>
#include <QtEndian>
#include <type_traits>

// Appends raw bytes and little-endian integers to a growing buffer; the mirror of CMemArchive.
// Threads: not thread-safe; one writer per serialisation.
class MemoryArchiveWriter {
public:
    void WritePureBytes(const char* data, int length);
    void WritePureBytes(const QByteArray& bytes);

    template <typename T>
    void Write(T value) {
        static_assert(std::is_integral<T>::value, "Write<T> writes integers");
        char buf[sizeof(T)];
        qToLittleEndian<T>(value, buf);
        data_.append(buf, int(sizeof(T)));
    }

    const QByteArray& Data() const { return data_; }
    int Size() const { return data_.size(); }
    void Clear() { data_.clear(); }

private:
    QByteArray data_;
};
