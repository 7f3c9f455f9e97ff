#pragma once

// Encoding and decoding of the pieces of a session recording, byte for byte as docs/recording.md
// lays them out. Stateless and reentrant.

#include <QByteArray>
#include <QString>

#include "host/access/recording/RecordedEvent.h"

namespace recording {

constexpr char kMagic[] = "QZLV2REC";
constexpr int kMagicSize = 8;
constexpr quint16 kVersion = 1;
constexpr int kHeaderFixedSize = 20;  // magic, version, start time, recorder's byte count
constexpr int kCrcSize = 4;
constexpr int kMaxHeaderSize = kHeaderFixedSize + 0xFFFF + kCrcSize;  // the longest recorder
constexpr int kRecordPrefixSize = 8;                                  // payload length, CRC
constexpr int kPayloadFixedSize = 9;                                  // kind, time
constexpr quint32 kMaxPayload = 64u << 20;                            // bytes

class RecordingFormat {
public:
    static QByteArray EncodeHeader(const RecordingHeader& header);
    // The whole record: length, CRC and payload.
    static QByteArray EncodeRecord(const RecordedEvent& event);

    // Decodes the header at the start of `bytes`. Returns its size, 0 when more bytes are needed
    // (a cut header), or -1 when it is not a recording header (*error says why).
    static int DecodeHeader(const QByteArray& bytes, RecordingHeader* out, QString* error);

    enum class Status { Ok, Unknown, Truncated, Bad };
    // Decodes the record at `offset`. Ok: *out is the record and *size its length. Unknown: a good
    // record of a kind this reader does not know, to be skipped (*size). Truncated: the bytes end
    // inside it. Bad: *error says what is wrong.
    static Status DecodeRecord(const QByteArray& bytes, int offset, RecordedEvent* out, int* size,
                               QString* error);

    static quint32 Crc32(const char* data, int length);
};

}  // namespace recording
