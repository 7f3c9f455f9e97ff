#pragma once

#include <QDebug>
#include <QString>

// Diagnostics go to Qt's message log as pieces: a tag, the separator, then the message pieces.
// The host's log viewer splits on the separator, so every line of the plug-in keeps this shape.
namespace qzlog {

inline constexpr const char* kSeparator = "{:SEPARATOR}";

template <typename... Pieces>
void Warning(const char* tag, const Pieces&... pieces) {
    QDebug stream = qWarning().noquote();
    stream << tag << kSeparator;
    (void)std::initializer_list<int>{((stream << pieces), 0)...};
}

template <typename... Pieces>
void Info(const char* tag, const Pieces&... pieces) {
    QDebug stream = qInfo().noquote();
    stream << tag << kSeparator;
    (void)std::initializer_list<int>{((stream << pieces), 0)...};
}

}  // namespace qzlog
