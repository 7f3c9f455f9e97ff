#pragma once

#include <QString>

// Where a quote server listens: "HOST:PORT", with an IPv6 address in brackets ("[::1]:7010").
// A plain value.
namespace transport {

struct ServerAddress {
    QString host;
    quint16 port = 0;

    QString ToString() const;
    // False with *error when the text is not HOST:PORT with a port of 0 .. 65535.
    static bool Parse(const QString& text, ServerAddress* out, QString* error);
};

}  // namespace transport
