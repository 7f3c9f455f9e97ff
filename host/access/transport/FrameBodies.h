#pragma once

// The bodies of the frames that carry more than raw bytes (docs/wire/transport.md), and the frames
// built from the accessor's values. A string is a u16 byte count and UTF-8 bytes, a blob a u32
// byte count and bytes, a string list a u16 count and strings.
//
//   hello    magic "QZLV2NET" (8 bytes), protocol version u16, peer (string: the client's
//            service, or what the server is)
//   request  parameter tags (string list), encoded parameters (blob, RequestParamCodec's form),
//            context entries u16 count, each key (string) and value (string, CTVar::ToString)
//   failure  error code i32, error text (string)
//   state    access state u8 (0 unknown, 1 connected, 2 disconnected, 3 connecting)
//   answer, push: the package's body as it is; heartbeat: empty
//
// Every decoder reads one field at a time, checks the remaining length first and requires the
// body to be consumed exactly; a failure says which frame, the offset and the length.
// Stateless and reentrant.

#include <QByteArray>
#include <QString>

#include "host/access/ServerBackend.h"
#include "host/access/transport/FrameFormat.h"

namespace transport {

constexpr char kHelloMagic[] = "QZLV2NET";
constexpr int kHelloMagicSize = 8;  // bytes
constexpr quint16 kProtocolVersion = 1;

struct Hello {
    quint16 version = kProtocolVersion;
    QString peer;
};

QByteArray HelloFrame(const QString& peer, quint16 version = kProtocolVersion);
QByteArray HeartbeatFrame();
// The request's tags come from request.params, its parameters from request.encoded; the context
// travels as text, which is what a server reads of it.
QByteArray RequestFrame(const ServerRequest& request);
QByteArray AnswerFrame(const ServerRequest& request, const QByteArray& body);
QByteArray PushFrame(int funcId, const QByteArray& body);
QByteArray FailureFrame(const ServerRequest& request, int code, const QString& text);
QByteArray StateFrame(_enAccessState state);

// The version is returned, not judged: the caller says which versions it speaks.
bool DecodeHello(const Frame& frame, Hello* out, QString* error);
// The peer's first hello, decoded and of this protocol version; `peerRole` ("server", "client")
// names the peer in *error otherwise. A second hello is the caller's to refuse.
bool AcceptHello(const Frame& frame, const char* peerRole, Hello* out, QString* error);
// The request as the server sees it: `service` is the connection's, the parameters are decoded
// with their tags, and the context holds each value as text.
bool DecodeRequest(const Frame& frame, const QString& service, ServerRequest* out, QString* error);
bool DecodeFailure(const Frame& frame, int* code, QString* text, QString* error);
bool DecodeState(const Frame& frame, _enAccessState* state, QString* error);

}  // namespace transport
