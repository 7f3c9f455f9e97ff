#include "host/access/transport/ServerConnection.h"

#include <QDebug>
#include <QMutexLocker>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include "host/access/transport/ConnectionHub.h"
#include "host/access/transport/FrameBodies.h"
#include "host/access/transport/FrameChannel.h"
#include "host/core/HostClock.h"

namespace transport {

namespace {
const char kLogTag[] = "qzaccess";
}  // namespace

ServerConnection::ServerConnection(std::shared_ptr<ConnectionHub> hub, IServerLink* link,
                                   const QString& service, const ServerAddress& address,
                                   const TransportOptions& options)
    : hub_(std::move(hub)),
      link_(link),
      service_(service),
      address_(address),
      options_(options),
      backoff_(options.first_retry_ms, options.max_retry_ms),
      retry_(new QTimer(this)) {
    retry_->setSingleShot(true);
    connect(retry_, &QTimer::timeout, this, &ServerConnection::Connect);
}

ServerConnection::~ServerConnection() {
    QMutexLocker lock(&hub_->mutex);
    hub_->Forget(this);
    hub_->connected -= int(reported_ == eAccessState_Connected);
}

template <typename Call>
void ServerConnection::WithLink(Call call) {
    QMutexLocker lock(&hub_->mutex);
    if (link_ != nullptr) {
        call(link_);
    }
}

// A connection ends with its thread: deferred deletions run as the thread finishes, before the
// accessor's destructor (which joins it) detaches the link. Connected here, on the thread itself,
// so that it never races the thread's own start.
void ServerConnection::Start() {
    connect(QThread::currentThread(), &QThread::finished, this, &QObject::deleteLater);
    Report(eAccessState_Connecting);
    Connect();
}

void ServerConnection::Connect() {
    auto* socket = new QTcpSocket;
    channel_ = new FrameChannel(socket, options_, this);
    connect(socket, &QTcpSocket::connected, channel_,
            [this] { channel_->Send(HelloFrame(service_)); });
    connect(channel_, &FrameChannel::FrameReceived, this, &ServerConnection::OnFrame);
    connect(channel_, &FrameChannel::Closed, this, &ServerConnection::OnClosed);
    socket->connectToHost(address_.host, address_.port);
}

void ServerConnection::Send(const ServerRequest& request) {
    if (channel_ == nullptr || !hello_) {
        qDebug().noquote() << kLogTag << "{:SEPARATOR}"
                           << QStringLiteral(
                                  "%1: not connected to %2; task %3 (function %4) "
                                  "waits for the link")
                                  .arg(service_, address_.ToString())
                                  .arg(request.taskId)
                                  .arg(request.funcId);
        return;
    }
    sent_.Append(request, HostClock::NowMs());
    channel_->Send(RequestFrame(request));
}

void ServerConnection::OnFrame(const Frame& frame) {
    if (!hello_ && frame.kind != FrameKind::Hello) {
        channel_->Close(QStringLiteral("a frame of kind %1 before the hello")
                            .arg(QLatin1String(KindName(frame.kind))),
                        true);
        return;
    }
    switch (frame.kind) {
        case FrameKind::Hello:
            OnHello(frame);
            break;
        case FrameKind::Answer:
        case FrameKind::Failure:
            OnAnswerOrFailure(frame);
            break;
        case FrameKind::Push:
            WithLink([&frame](IServerLink* link) { link->Push(frame.function, frame.body); });
            break;
        case FrameKind::State:
            OnState(frame);
            break;
        case FrameKind::Heartbeat:
            break;
        case FrameKind::Request:
            channel_->Close(QStringLiteral("a request frame from the server"), true);
            break;
    }
}

void ServerConnection::OnHello(const Frame& frame) {
    Hello hello;
    QString error;
    if (hello_) {
        channel_->Close(QStringLiteral("a second hello"), true);
    } else if (!AcceptHello(frame, "server", &hello, &error)) {
        channel_->Close(error, true);
    } else {
        hello_ = true;
    }
}

// An answer or failure for a request this connection no longer awaits (replaced, or older than
// the ledger keeps) is dropped: its caller has asked again.
void ServerConnection::OnAnswerOrFailure(const Frame& frame) {
    const ServerRequest* found = sent_.Find(frame.requestId);
    if (found == nullptr || found->funcId != frame.function) {
        qDebug().noquote() << kLogTag << "{:SEPARATOR}"
                           << QStringLiteral(
                                  "%1: %2 for request %3 (function %4), not awaited; "
                                  "dropped")
                                  .arg(service_, QLatin1String(KindName(frame.kind)))
                                  .arg(frame.requestId)
                                  .arg(frame.function);
        return;
    }
    const ServerRequest request = *found;
    sent_.Settle(request.taskId);
    if (frame.kind == FrameKind::Answer) {
        WithLink([&](IServerLink* link) { link->Answer(request, frame.body); });
        return;
    }
    int code = 0;
    QString text;
    QString error;
    if (!DecodeFailure(frame, &code, &text, &error)) {
        channel_->Close(error, true);
        return;
    }
    WithLink([&](IServerLink* link) { link->Fail(request, code, text); });
}

void ServerConnection::OnState(const Frame& frame) {
    _enAccessState state = eAccessState_Unknown;
    QString error;
    if (!DecodeState(frame, &state, &error)) {
        channel_->Close(error, true);
        return;
    }
    Report(state);
}

// A server that said hello and then closed in order (it stopped, or was restarted) is tried again
// soon; one that misbehaved or never got that far, ever more slowly.
void ServerConnection::OnClosed(const QString& reason, bool fault) {
    if (hello_ && !fault) {
        backoff_.Reset();
    }
    const int delayMs = backoff_.Next();
    const QString text = QStringLiteral("%1: server %2: %3; connecting again in %4 ms")
                             .arg(service_, address_.ToString(), reason)
                             .arg(delayMs);
    if (fault) {
        qWarning().noquote() << kLogTag << "{:SEPARATOR}" << text;
    } else {
        qDebug().noquote() << kLogTag << "{:SEPARATOR}" << text;
    }
    channel_->deleteLater();
    channel_ = nullptr;
    hello_ = false;
    sent_ = ReconnectLedger();
    Report(eAccessState_Disconnected);
    retry_->start(delayMs);
}

// Only changes: the accessor hears "disconnected" once however many attempts fail.
void ServerConnection::Report(_enAccessState state) {
    if (state == reported_) {
        return;
    }
    QMutexLocker lock(&hub_->mutex);
    hub_->connected +=
        int(state == eAccessState_Connected) - int(reported_ == eAccessState_Connected);
    reported_ = state;
    if (link_ != nullptr) {
        link_->ReportAccessState(state);
    }
}

}  // namespace transport
