#include "host/access/transport/FrameFormat.h"

#include <QtEndian>

namespace transport {

const char* KindName(FrameKind kind) {
    switch (kind) {
        case FrameKind::Hello:
            return "hello";
        case FrameKind::Request:
            return "request";
        case FrameKind::Answer:
            return "answer";
        case FrameKind::Push:
            return "push";
        case FrameKind::Heartbeat:
            return "heartbeat";
        case FrameKind::Failure:
            return "failure";
        case FrameKind::State:
            return "state";
    }
    return "unknown";
}

QByteArray EncodeFrame(FrameKind kind, quint16 flags, qint32 function, qint32 requestId,
                       const QByteArray& body) {
    Q_ASSERT(quint64(body.size()) <= kMaxFrameSize - kHeaderSize);
    QByteArray frame(kHeaderSize + body.size(), Qt::Uninitialized);
    char* out = frame.data();
    qToLittleEndian<quint32>(quint32(frame.size()), out + kLengthOffset);
    out[kKindOffset] = char(kind);
    out[kReservedOffset] = 0;
    qToLittleEndian<quint16>(flags, out + kFlagsOffset);
    qToLittleEndian<qint32>(function, out + kFunctionOffset);
    qToLittleEndian<qint32>(requestId, out + kRequestIdOffset);
    std::copy(body.constBegin(), body.constEnd(), out + kHeaderSize);
    return frame;
}

QByteArray EncodeFrame(const Frame& frame) {
    return EncodeFrame(frame.kind, frame.flags, frame.function, frame.requestId, frame.body);
}

bool CheckHeaderStart(const char* data, int size, QString* error) {
    if (size > kLengthOffset + 3) {
        const quint32 length = qFromLittleEndian<quint32>(data + kLengthOffset);
        if (length < quint32(kHeaderSize) || length > kMaxFrameSize) {
            *error = QStringLiteral("frame length %1 outside %2 .. %3 bytes")
                         .arg(length)
                         .arg(kHeaderSize)
                         .arg(kMaxFrameSize);
            return false;
        }
    }
    if (size > kKindOffset) {
        const quint8 kind = quint8(data[kKindOffset]);
        if (kind < quint8(FrameKind::Hello) || kind > quint8(FrameKind::State)) {
            *error = QStringLiteral("unknown frame kind %1").arg(kind);
            return false;
        }
    }
    if (size > kReservedOffset && data[kReservedOffset] != 0) {
        *error = QStringLiteral("reserved byte at offset %1 is %2, not 0")
                     .arg(kReservedOffset)
                     .arg(quint8(data[kReservedOffset]));
        return false;
    }
    return true;
}

bool DecodeHeader(const char* data, Frame* header, quint32* length, QString* error) {
    if (!CheckHeaderStart(data, kHeaderSize, error)) {
        return false;
    }
    header->kind = FrameKind(quint8(data[kKindOffset]));
    header->flags = qFromLittleEndian<quint16>(data + kFlagsOffset);
    header->function = qFromLittleEndian<qint32>(data + kFunctionOffset);
    header->requestId = qFromLittleEndian<qint32>(data + kRequestIdOffset);
    header->body.clear();
    *length = qFromLittleEndian<quint32>(data + kLengthOffset);
    return true;
}

}  // namespace transport
