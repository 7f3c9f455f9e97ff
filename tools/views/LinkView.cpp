#include "tools/views/LinkView.h"

namespace qzviews {

namespace {
const char kTimeFormat[] = "hh:mm:ss";
}

bool LinkView::Follow(bool linkUp, bool paused, const QDateTime& now) {
    const QString before = Text();
    if (linkUp) {
        down_since_ = QDateTime();
    } else if (!down_since_.isValid()) {
        down_since_ = now;
    }
    paused_ = paused;
    const bool changed = Text() != before;
    if (changed) {
        Changed();
    }
    return changed;
}

QString LinkView::Text() const {
    QStringList parts;
    if (down_since_.isValid()) {
        parts << QStringLiteral("link down since %1")
                     .arg(down_since_.toString(QLatin1String(kTimeFormat)));
    }
    if (paused_) {
        parts << QStringLiteral("paused");
    }
    return parts.join(QStringLiteral(", "));
}

}  // namespace qzviews
