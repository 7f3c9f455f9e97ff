#include "host/access/transport/ServerAddress.h"

namespace transport {

QString ServerAddress::ToString() const {
    const QString shown = host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]").arg(host) : host;
    return QStringLiteral("%1:%2").arg(shown).arg(port);
}

bool ServerAddress::Parse(const QString& text, ServerAddress* out, QString* error) {
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    QString host = text.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']'))) {
        host = host.mid(1, host.size() - 2);
    }
    bool ok = false;
    const uint port = text.mid(colon + 1).toUInt(&ok);
    if (colon <= 0 || host.isEmpty() || !ok || port > 0xFFFF) {
        *error = QStringLiteral("'%1' is not HOST:PORT (a port of 0 .. 65535)").arg(text);
        return false;
    }
    out->host = host;
    out->port = quint16(port);
    return true;
}

}  // namespace transport
