#pragma once

// The frames the quote server and the accessors' TCP backend exchange (docs/wire/transport.md).
// Every frame is a fixed 16-byte header and a body, little-endian:
//
//   0       4       5       6       8            12           16
//   +-------+-------+-------+-------+------------+------------+----------------
//   | length| kind  | 0     | flags | function   | request id | body ...
//   | u32   | u8    | u8    | u16   | i32        | i32        | length - 16 bytes
//   +-------+-------+-------+-------+------------+------------+----------------
//
// `length` counts the whole frame, header included: kHeaderSize .. kMaxFrameSize.
// Stateless and reentrant.

#include <QByteArray>
#include <QString>

namespace transport {

constexpr int kLengthOffset = 0;
constexpr int kKindOffset = 4;
constexpr int kReservedOffset = 5;
constexpr int kFlagsOffset = 6;
constexpr int kFunctionOffset = 8;
constexpr int kRequestIdOffset = 12;
constexpr int kHeaderSize = 16;               // bytes
constexpr quint32 kMaxFrameSize = 16u << 20;  // bytes, header included (16 MiB)

enum class FrameKind : quint8 {
    Hello = 1,      // both ways, first: magic, protocol version, who is speaking
    Request = 2,    // to the server: one AppendTaskByParams
    Answer = 3,     // to the client: an answer to a request (possibly one of many)
    Push = 4,       // to the client: a package the server pushes
    Heartbeat = 5,  // both ways, empty: sent when nothing else was for a while
    Failure = 6,    // to the client: a request failed
    State = 7       // to the client: the server's access state for this connection
};

const char* KindName(FrameKind kind);

struct Frame {
    FrameKind kind = FrameKind::Heartbeat;
    quint16 flags = 0;     // a request's flags; 0 in other kinds
    qint32 function = 0;   // requests, answers, pushes, failures; 0 in other kinds
    qint32 requestId = 0;  // requests, answers, failures: the accessor's task id; else 0
    QByteArray body;
};

// The whole frame, built in one allocation. The body must leave the frame within kMaxFrameSize.
QByteArray EncodeFrame(FrameKind kind, quint16 flags, qint32 function, qint32 requestId,
                       const QByteArray& body);
QByteArray EncodeFrame(const Frame& frame);

// Reads the kHeaderSize bytes at `data` into *header (its body left empty) and *length. False
// with *error when the length is out of range, the kind is unknown or the reserved byte is set:
// such a stream cannot be trusted past this point.
bool DecodeHeader(const char* data, Frame* header, quint32* length, QString* error);
// The same checks on the first `size` bytes of a header still arriving (fewer than
// kHeaderSize), so that garbage is refused as soon as it shows.
bool CheckHeaderStart(const char* data, int size, QString* error);

}  // namespace transport
