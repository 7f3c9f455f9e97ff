#include "host/core/MemoryArchiveWriter.h"

void MemoryArchiveWriter::WritePureBytes(const char* data, int length) {
    if (data && length > 0) {
        data_.append(data, length);
    }
}

void MemoryArchiveWriter::WritePureBytes(const QByteArray& bytes) {
    data_.append(bytes);
}
