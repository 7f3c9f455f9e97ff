#include "sim/server/TcpQuoteServer.h"

#include <QDebug>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include "sim/server/ClientSession.h"

namespace simserver {

namespace {
const char kLogTag[] = "quoteserver";
}  // namespace

TcpQuoteServer::TcpQuoteServer(std::shared_ptr<IServerBackend> backend,
                               const transport::TransportOptions& options, QObject* parent)
    : QObject(parent),
      backend_(std::move(backend)),
      options_(options),
      listener_(new QTcpServer(this)) {
    connect(listener_, &QTcpServer::newConnection, this, &TcpQuoteServer::OnNewConnection);
}

TcpQuoteServer::~TcpQuoteServer() {
    listener_->close();
    qDeleteAll(sessions_);
}

bool TcpQuoteServer::Listen(const transport::ServerAddress& address, QString* error) {
    const QHostAddress host = address.host == QLatin1String("localhost")
                                  ? QHostAddress(QHostAddress::LocalHost)
                                  : QHostAddress(address.host);
    if (host.isNull()) {
        *error = QStringLiteral("'%1' is not an IP address to listen on").arg(address.host);
        return false;
    }
    if (!listener_->listen(host, address.port)) {
        *error = QStringLiteral("cannot listen on %1: %2")
                     .arg(address.ToString(), listener_->errorString());
        return false;
    }
    return true;
}

transport::ServerAddress TcpQuoteServer::Address() const {
    return {listener_->serverAddress().toString(), listener_->serverPort()};
}

qint64 TcpQuoteServer::PeakQueuedBytes() const {
    qint64 peak = peak_of_gone_;
    for (const ClientSession* session : sessions_) {
        peak = qMax(peak, session->PeakQueuedBytes());
    }
    return peak;
}

void TcpQuoteServer::OnNewConnection() {
    while (QTcpSocket* socket = listener_->nextPendingConnection()) {
        auto* session = new ClientSession(socket, backend_, options_, this);
        sessions_.append(session);
        connect(session, &ClientSession::Finished, this, &TcpQuoteServer::OnFinished);
        qInfo().noquote() << kLogTag << "{:SEPARATOR}"
                          << QStringLiteral("client %1 connected").arg(session->PeerName());
        emit ClientJoined(session->PeerName());
    }
}

void TcpQuoteServer::OnFinished(ClientSession* session, const QString& reason, bool fault) {
    sessions_.removeOne(session);
    peak_of_gone_ = qMax(peak_of_gone_, session->PeakQueuedBytes());
    const QString text = QStringLiteral("client %1: %2").arg(session->PeerName(), reason);
    if (fault) {
        qWarning().noquote() << kLogTag << "{:SEPARATOR}" << text + QStringLiteral("; dropped");
    } else {
        qInfo().noquote() << kLogTag << "{:SEPARATOR}" << text;
    }
    emit ClientLeft(session->PeerName(), reason, fault);
    session->deleteLater();
}

}  // namespace simserver
