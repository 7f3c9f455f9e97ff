#pragma once

#include <QDebug>
#include <QLoggingCategory>
#include <QString>

// Diagnostics go to Qt's message log as pieces: a tag, the separator, then the message pieces.
// The host's log viewer splits on the separator, so every line of the plug-in keeps this shape.
// Each tag logs under its own category, "qzlv2.<tag>" ("qzlv2.lv2-10002"), so that a host
// switches them with QT_LOGGING_RULES or QLoggingCategory::setFilterRules ("qzlv2.*=false").
// Threads: any.
namespace qzlog {

inline constexpr const char* kSeparator = "{:SEPARATOR}";
inline constexpr const char* kCategoryPrefix = "qzlv2.";

// The category of `tag`, made on its first use and kept for the life of the process.
const QLoggingCategory& Category(const char* tag);

// A logged line without its tag and separator: "stored content may be destroyed".
QString MessageOf(const QString& line);

template <typename... Pieces>
void Warning(const char* tag, const Pieces&... pieces) {
    const QLoggingCategory& category = Category(tag);
    if (!category.isWarningEnabled()) {
        return;
    }
    QDebug stream = QMessageLogger().warning(category).noquote();
    stream << tag << kSeparator;
    (void)std::initializer_list<int>{((stream << pieces), 0)...};
}

template <typename... Pieces>
void Info(const char* tag, const Pieces&... pieces) {
    const QLoggingCategory& category = Category(tag);
    if (!category.isInfoEnabled()) {
        return;
    }
    QDebug stream = QMessageLogger().info(category).noquote();
    stream << tag << kSeparator;
    (void)std::initializer_list<int>{((stream << pieces), 0)...};
}

}  // namespace qzlog
