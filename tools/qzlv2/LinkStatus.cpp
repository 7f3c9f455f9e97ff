#include "tools/qzlv2/LinkStatus.h"

#include <QStringList>

namespace qzlv2 {

bool LinkStatus::Update(bool linkUp, bool paused, const QDateTime& now) {
    const QString before = Text();
    if (linkUp) {
        down_since_ = QDateTime();
    } else if (!down_since_.isValid()) {
        down_since_ = now;
    }
    paused_ = paused;
    return Text() != before;
}

QString LinkStatus::Text() const {
    QStringList parts;
    if (down_since_.isValid()) {
        parts << QStringLiteral("link down since %1")
                     .arg(down_since_.toString(QStringLiteral("hh:mm:ss")));
    }
    if (paused_) {
        parts << QStringLiteral("paused");
    }
    return parts.join(QStringLiteral(", "));
}

}  // namespace qzlv2
