#include "host/access/recording/RecordingFormat.h"

#include <zlib.h>

#include "host/core/ArchiveFields.h"
#include "host/core/CMemArchive.h"
#include "host/core/MemoryArchiveWriter.h"

namespace recording {

namespace {

using archive::ReadBlob;
using archive::ReadString;
using archive::WriteBlob;
using archive::WriteString;

void WriteFields(MemoryArchiveWriter& out, const RecordedEvent& e) {
    switch (e.kind) {
        case Kind::Request:
            WriteString(out, e.service);
            out.Write<quint32>(quint32(e.function));
            out.Write<quint16>(e.flags);
            out.Write<qint32>(e.taskId);
            out.Write<quint16>(quint16(qMin(e.tags.size(), 0xFFFF)));
            for (const QString& tag : e.tags.mid(0, 0xFFFF)) {
                WriteString(out, tag);
            }
            WriteBlob(out, e.params);
            break;
        case Kind::Answer:
            WriteString(out, e.service);
            out.Write<quint32>(quint32(e.function));
            out.Write<qint32>(e.taskId);
            WriteBlob(out, e.body);
            break;
        case Kind::Push:
            WriteString(out, e.service);
            out.Write<quint32>(quint32(e.function));
            WriteBlob(out, e.body);
            break;
        case Kind::Failure:
            WriteString(out, e.service);
            out.Write<quint32>(quint32(e.function));
            out.Write<qint32>(e.taskId);
            out.Write<qint32>(e.code);
            WriteString(out, e.text);
            break;
        case Kind::Link:
            WriteString(out, e.service);
            out.Write<quint8>(quint8(e.state));
            break;
        case Kind::Dropped:
            out.Write<quint32>(e.dropped);
            break;
    }
}

// False for a kind this reader does not know.
bool ReadFields(CMemArchive& in, RecordedEvent& e) {
    switch (e.kind) {
        case Kind::Request: {
            e.service = ReadString(in);
            e.function = int(in.Read<quint32>());
            e.flags = in.Read<quint16>();
            e.taskId = in.Read<qint32>();
            const int tags = in.Read<quint16>();
            for (int i = 0; i < tags; ++i) {
                e.tags << ReadString(in);
            }
            e.params = ReadBlob(in);
            return true;
        }
        case Kind::Answer:
            e.service = ReadString(in);
            e.function = int(in.Read<quint32>());
            e.taskId = in.Read<qint32>();
            e.body = ReadBlob(in);
            return true;
        case Kind::Push:
            e.service = ReadString(in);
            e.function = int(in.Read<quint32>());
            e.body = ReadBlob(in);
            return true;
        case Kind::Failure:
            e.service = ReadString(in);
            e.function = int(in.Read<quint32>());
            e.taskId = in.Read<qint32>();
            e.code = in.Read<qint32>();
            e.text = ReadString(in);
            return true;
        case Kind::Link:
            e.service = ReadString(in);
            e.state = _enAccessState(in.Read<quint8>());
            return true;
        case Kind::Dropped:
            e.dropped = in.Read<quint32>();
            return true;
    }
    return false;
}

}  // namespace

quint32 RecordingFormat::Crc32(const char* data, int length) {
    return quint32(crc32(0, reinterpret_cast<const Bytef*>(data), uInt(length)));
}

QByteArray RecordingFormat::EncodeHeader(const RecordingHeader& header) {
    MemoryArchiveWriter out;
    out.WritePureBytes(kMagic, kMagicSize);
    out.Write<quint16>(header.version);
    out.Write<qint64>(header.startMs);
    WriteString(out, header.recorder);
    out.Write<quint32>(Crc32(out.Data().constData(), out.Size()));
    return out.Data();
}

QByteArray RecordingFormat::EncodeRecord(const RecordedEvent& event) {
    MemoryArchiveWriter payload;
    payload.Write<quint8>(quint8(event.kind));
    payload.Write<quint64>(event.timeMs);
    WriteFields(payload, event);
    MemoryArchiveWriter out;
    out.Write<quint32>(quint32(payload.Size()));
    out.Write<quint32>(Crc32(payload.Data().constData(), payload.Size()));
    out.WritePureBytes(payload.Data());
    return out.Data();
}

int RecordingFormat::DecodeHeader(const QByteArray& bytes, RecordingHeader* out, QString* error) {
    const int fixed = kHeaderFixedSize;
    if (bytes.size() >= kMagicSize && !bytes.startsWith(QByteArray(kMagic, kMagicSize))) {
        *error = QStringLiteral("not a recording (no \"QZLV2REC\" at offset 0)");
        return -1;
    }
    if (bytes.size() < fixed) {
        return 0;
    }
    CMemArchive in(bytes.constData(), bytes.size());
    in.Skip(kMagicSize);
    RecordingHeader header;
    header.version = in.Read<quint16>();
    header.startMs = in.Read<qint64>();
    const int recorderSize = in.Read<quint16>();
    const int size = fixed + recorderSize + kCrcSize;
    if (bytes.size() < size) {
        return 0;
    }
    header.recorder = QString::fromUtf8(in.ReadBytes(recorderSize));
    const quint32 crc = in.Read<quint32>();
    if (crc != Crc32(bytes.constData(), size - kCrcSize)) {
        *error = QStringLiteral("header CRC mismatch at offset %1").arg(size - kCrcSize);
        return -1;
    }
    if (header.version != kVersion) {
        *error = QStringLiteral("format version %1 is not known (this reader reads %2)")
                     .arg(header.version)
                     .arg(kVersion);
        return -1;
    }
    *out = header;
    return size;
}

RecordingFormat::Status RecordingFormat::DecodeRecord(const QByteArray& bytes, int offset,
                                                      RecordedEvent* out, int* size,
                                                      QString* error) {
    const int available = bytes.size() - offset;
    if (available < kRecordPrefixSize) {
        return Status::Truncated;
    }
    CMemArchive prefix(bytes.constData() + offset, kRecordPrefixSize);
    const quint32 length = prefix.Read<quint32>();
    const quint32 crc = prefix.Read<quint32>();
    if (length < quint32(kPayloadFixedSize) || length > kMaxPayload) {
        *error = QStringLiteral("payload length %1 out of range").arg(length);
        return Status::Bad;
    }
    if (quint32(available - kRecordPrefixSize) < length) {
        return Status::Truncated;
    }
    const char* payload = bytes.constData() + offset + kRecordPrefixSize;
    if (crc != Crc32(payload, int(length))) {
        *error = QStringLiteral("CRC mismatch");
        return Status::Bad;
    }
    *size = kRecordPrefixSize + int(length);
    CMemArchive in(payload, int(length));
    RecordedEvent event;
    event.offset = offset;
    event.kind = Kind(in.Read<quint8>());
    event.timeMs = in.Read<quint64>();
    try {
        if (!ReadFields(in, event)) {
            return Status::Unknown;
        }
    } catch (const CMemArchiveError& e) {
        *error = QStringLiteral("a field runs past the payload (%1)").arg(e.what());
        return Status::Bad;
    }
    if (!in.AtEnd()) {
        *error = QStringLiteral("%1 bytes after the last field").arg(in.Remaining());
        return Status::Bad;
    }
    *out = event;
    return Status::Ok;
}

}  // namespace recording
