#include "host/access/transport/FrameBodies.h"

#include <QStringList>

#include "host/access/RequestParamCodec.h"
#include "host/core/ArchiveFields.h"
#include "host/core/CMemArchive.h"
#include "host/core/MemoryArchiveWriter.h"

namespace transport {

namespace {

using archive::ReadBlob;
using archive::ReadString;
using archive::WriteBlob;
using archive::WriteString;

constexpr int kMaxListCount = 0xFFFF;  // entries: a u16 count

QString Describe(const Frame& frame) {
    return QStringLiteral("%1 frame (function %2, request %3)")
        .arg(QLatin1String(KindName(frame.kind)))
        .arg(frame.function)
        .arg(frame.requestId);
}

// Runs `read` over the frame's body; false with *error when a field does not fit, the body has
// bytes left over, or `read` itself refuses (by returning a reason).
template <typename Read>
bool ReadBody(const Frame& frame, QString* error, Read read) {
    CMemArchive in(frame.body.constData(), frame.body.size());
    QString refused;
    try {
        refused = read(in);
    } catch (const CMemArchiveError& e) {
        *error = QStringLiteral("%1: body cut at offset %2 (%3 bytes wanted, %4 in the body)")
                     .arg(Describe(frame))
                     .arg(e.offset())
                     .arg(e.wanted())
                     .arg(e.size());
        return false;
    }
    if (refused.isEmpty() && !in.AtEnd()) {
        refused = QStringLiteral("%1 bytes after the last field at offset %2")
                      .arg(in.Remaining())
                      .arg(in.Position());
    }
    if (!refused.isEmpty()) {
        *error = Describe(frame) + QStringLiteral(": ") + refused;
        return false;
    }
    return true;
}

}  // namespace

QByteArray HelloFrame(const QString& peer, quint16 version) {
    MemoryArchiveWriter body;
    body.WritePureBytes(kHelloMagic, kHelloMagicSize);
    body.Write<quint16>(version);
    WriteString(body, peer);
    return EncodeFrame(FrameKind::Hello, 0, 0, 0, body.Data());
}

QByteArray HeartbeatFrame() {
    return EncodeFrame(FrameKind::Heartbeat, 0, 0, 0, QByteArray());
}

QByteArray RequestFrame(const ServerRequest& request) {
    MemoryArchiveWriter body;
    const int tags = qMin(request.params.size(), kMaxListCount);
    body.Write<quint16>(quint16(tags));
    for (int i = 0; i < tags; ++i) {
        WriteString(body, request.params.at(i).first);
    }
    WriteBlob(body, request.encoded);
    const QList<QPair<QString, CTVar>> entries =
        request.context ? request.context->keyGroup.Items() : QList<QPair<QString, CTVar>>();
    const int count = qMin(entries.size(), kMaxListCount);
    body.Write<quint16>(quint16(count));
    for (int i = 0; i < count; ++i) {
        WriteString(body, entries.at(i).first);
        WriteString(body, entries.at(i).second.ToString());
    }
    return EncodeFrame(FrameKind::Request, request.flags, request.funcId, request.taskId,
                       body.Data());
}

QByteArray AnswerFrame(const ServerRequest& request, const QByteArray& body) {
    return EncodeFrame(FrameKind::Answer, 0, request.funcId, request.taskId, body);
}

QByteArray PushFrame(int funcId, const QByteArray& body) {
    return EncodeFrame(FrameKind::Push, 0, funcId, 0, body);
}

QByteArray FailureFrame(const ServerRequest& request, int code, const QString& text) {
    MemoryArchiveWriter body;
    body.Write<qint32>(code);
    WriteString(body, text);
    return EncodeFrame(FrameKind::Failure, 0, request.funcId, request.taskId, body.Data());
}

QByteArray StateFrame(_enAccessState state) {
    MemoryArchiveWriter body;
    body.Write<quint8>(quint8(state));
    return EncodeFrame(FrameKind::State, 0, 0, 0, body.Data());
}

bool DecodeHello(const Frame& frame, Hello* out, QString* error) {
    return ReadBody(frame, error, [out](CMemArchive& in) {
        const QByteArray magic = in.ReadBytes(kHelloMagicSize);  // "QZLV2NET"
        if (magic != QByteArray(kHelloMagic, kHelloMagicSize)) {
            return QStringLiteral("no \"%1\" at offset 0").arg(QLatin1String(kHelloMagic));
        }
        out->version = in.Read<quint16>();  // protocol version
        out->peer = ReadString(in);         // who is speaking
        return QString();
    });
}

bool AcceptHello(const Frame& frame, const char* peerRole, Hello* out, QString* error) {
    if (!DecodeHello(frame, out, error)) {
        return false;
    }
    if (out->version != kProtocolVersion) {
        *error = QStringLiteral("the %1 speaks protocol version %2, not %3")
                     .arg(QLatin1String(peerRole))
                     .arg(out->version)
                     .arg(kProtocolVersion);
        return false;
    }
    return true;
}

bool DecodeRequest(const Frame& frame, const QString& service, ServerRequest* out, QString* error) {
    return ReadBody(frame, error, [&frame, &service, out](CMemArchive& in) {
        const int tagCount = in.Read<quint16>();  // parameter tag count
        QStringList tags;
        for (int i = 0; i < tagCount; ++i) {
            tags << ReadString(in);  // parameter tag
        }
        out->encoded = ReadBlob(in);  // encoded parameters
        QString refused;
        if (!RequestParamCodec::Decode(tags, out->encoded, &out->params, &refused)) {
            return QStringLiteral("parameters: ") + refused;
        }
        const int entries = in.Read<quint16>();  // context entry count
        auto context = QSharedPointer<ProcessContext_s>::create();
        for (int i = 0; i < entries; ++i) {
            const QString key = ReadString(in);                    // context key
            context->keyGroup.Append(key, CTVar(ReadString(in)));  // its value, as text
        }
        out->service = service;
        out->funcId = frame.function;
        out->flags = frame.flags;
        out->taskId = frame.requestId;
        out->context = context;
        return QString();
    });
}

bool DecodeFailure(const Frame& frame, int* code, QString* text, QString* error) {
    return ReadBody(frame, error, [code, text](CMemArchive& in) {
        *code = in.Read<qint32>();  // error code
        *text = ReadString(in);     // error text
        return QString();
    });
}

bool DecodeState(const Frame& frame, _enAccessState* state, QString* error) {
    return ReadBody(frame, error, [state](CMemArchive& in) {
        const quint8 value = in.Read<quint8>();  // access state
        if (value > quint8(eAccessState_Connecting)) {
            return QStringLiteral("access state %1 is not one of 0 .. 3").arg(value);
        }
        *state = _enAccessState(value);
        return QString();
    });
}

}  // namespace transport
