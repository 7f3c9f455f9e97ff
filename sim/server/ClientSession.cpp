#include "sim/server/ClientSession.h"

#include <QHostAddress>
#include <QMetaObject>
#include <QTcpSocket>
#include <QThread>

#include "host/access/transport/FrameBodies.h"
#include "host/access/transport/FrameChannel.h"
#include "host/access/transport/SendBudget.h"

using transport::Frame;
using transport::FrameKind;

namespace simserver {

namespace {
const char kServerName[] = "qzlv2-server";  // what the server's hello says it is
}  // namespace

// What the backend calls: each call becomes one frame, encoded on the caller's thread, counted
// in the connection's send budget and posted to the session's thread. A frame the budget refuses
// is not posted; the session then drops the client.
class ClientSession::Link : public IServerLink {
public:
    Link(ClientSession* session, std::shared_ptr<transport::SendBudget> budget)
        : session_(session), budget_(std::move(budget)) {}

    void Answer(const ServerRequest& request, const QByteArray& body) override {
        Post(transport::AnswerFrame(request, body));
    }
    void Fail(const ServerRequest& request, int code, const QString& text) override {
        Post(transport::FailureFrame(request, code, text));
    }
    void Push(int funcId, const QByteArray& body) override {
        Post(transport::PushFrame(funcId, body));
    }
    void ReportAccessState(_enAccessState state) override { Post(transport::StateFrame(state)); }
    QThread* DeliveryThread() const override { return session_->thread(); }

private:
    void Post(const QByteArray& frame) {
        ClientSession* session = session_;
        if (overflowed_) {
            return;
        }
        if (!budget_->Take(frame.size())) {
            overflowed_ = true;
            const qint64 size = frame.size();
            QMetaObject::invokeMethod(
                session, [session, size] { session->OnOverBound(size); }, Qt::QueuedConnection);
            return;
        }
        QMetaObject::invokeMethod(
            session, [session, frame] { session->channel_->SendCounted(frame); },
            Qt::QueuedConnection);
    }

    ClientSession* const session_;
    const std::shared_ptr<transport::SendBudget> budget_;
    std::atomic<bool> overflowed_{false};
};

ClientSession::ClientSession(QTcpSocket* socket, std::shared_ptr<IServerBackend> backend,
                             const transport::TransportOptions& options, QObject* parent)
    : QObject(parent),
      peer_(QStringLiteral("%1:%2").arg(socket->peerAddress().toString()).arg(socket->peerPort())),
      channel_(new transport::FrameChannel(socket, options, this)),
      backend_(std::move(backend)),
      link_(new Link(this, channel_->Budget())) {
    connect(channel_, &transport::FrameChannel::FrameReceived, this, &ClientSession::OnFrame);
    connect(channel_, &transport::FrameChannel::Closed, this, &ClientSession::OnClosed);
}

ClientSession::~ClientSession() {
    DetachFromBackend();
}

qint64 ClientSession::PeakQueuedBytes() const {
    return channel_->Budget()->Peak();
}

// After Detach the backend no longer calls the link; what it posted before dies with the session.
void ClientSession::DetachFromBackend() {
    if (attached_) {
        attached_ = false;
        backend_->Detach(link_.get());
    }
}

void ClientSession::OnFrame(const Frame& frame) {
    switch (frame.kind) {
        case FrameKind::Hello:
            OnHello(frame);
            return;
        case FrameKind::Request:
            OnRequest(frame);
            return;
        case FrameKind::Heartbeat:
            return;
        case FrameKind::Answer:
        case FrameKind::Push:
        case FrameKind::Failure:
        case FrameKind::State:
            channel_->Close(QStringLiteral("a client does not send %1 frames")
                                .arg(QLatin1String(transport::KindName(frame.kind))),
                            true);
            return;
    }
}

void ClientSession::OnHello(const Frame& frame) {
    transport::Hello hello;
    QString error;
    if (attached_) {
        channel_->Close(QStringLiteral("a second hello"), true);
    } else if (!transport::AcceptHello(frame, "client", &hello, &error)) {
        channel_->Close(error, true);
    } else {
        service_ = hello.peer;
        channel_->Send(transport::HelloFrame(QLatin1String(kServerName)));
        attached_ = true;
        backend_->Attach(link_.get());
    }
}

void ClientSession::OnRequest(const Frame& frame) {
    ServerRequest request;
    QString error;
    if (!attached_) {
        channel_->Close(QStringLiteral("a request frame before the hello"), true);
    } else if (!transport::DecodeRequest(frame, service_, &request, &error)) {
        channel_->Close(error, true);
    } else {
        backend_->OnRequest(link_.get(), request);
    }
}

void ClientSession::OnOverBound(qint64 frameBytes) {
    channel_->Close(channel_->OverBoundReason(frameBytes), true);
}

void ClientSession::OnClosed(const QString& reason, bool fault) {
    DetachFromBackend();
    emit Finished(this, reason, fault);
}

}  // namespace simserver
