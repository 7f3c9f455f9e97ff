#include "framework/Log.h"

#include <QMutex>

#include <map>
#include <memory>
#include <string>

namespace qzlog {

namespace {

// A category keeps a pointer to its name, so the name lives beside it.
struct NamedCategory {
    explicit NamedCategory(const char* tag)
        : name(QByteArray(kCategoryPrefix) + tag), category(name.constData()) {}
    QByteArray name;
    QLoggingCategory category;
};

}  // namespace

const QLoggingCategory& Category(const char* tag) {
    static QMutex mutex;
    static std::map<std::string, std::unique_ptr<NamedCategory>> categories;
    QMutexLocker lock(&mutex);
    std::unique_ptr<NamedCategory>& entry = categories[tag];
    if (!entry) {
        entry = std::make_unique<NamedCategory>(tag);
    }
    return entry->category;
}

QString MessageOf(const QString& line) {
    const int at = line.indexOf(QLatin1String(kSeparator));
    return at < 0 ? line : line.mid(at + int(qstrlen(kSeparator))).trimmed();
}

}  // namespace qzlog
