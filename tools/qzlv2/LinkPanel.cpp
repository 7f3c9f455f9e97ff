#include "tools/qzlv2/LinkPanel.h"

#include <QJsonObject>

namespace qzlv2 {

namespace {
const char kTimeFormat[] = "hh:mm:ss";
}

bool LinkPanel::Follow(bool linkUp, bool paused, const QDateTime& now) {
    const QString before = Text();
    if (linkUp) {
        down_since_ = QDateTime();
    } else if (!down_since_.isValid()) {
        down_since_ = now;
    }
    paused_ = paused;
    return Text() != before;
}

QString LinkPanel::Text() const {
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

QStringList LinkPanel::Render(int, int lines) const {
    const QString text = Text();
    if (text.isEmpty() || lines < 1) {
        return {};
    }
    return {QStringLiteral("[%1; showing the last data]").arg(text)};
}

QJsonValue LinkPanel::Json() const {
    return QJsonObject{
        {QStringLiteral("up"), !down_since_.isValid()},
        {QStringLiteral("down_since"),
         down_since_.isValid() ? QJsonValue(down_since_.toString(Qt::ISODate)) : QJsonValue()},
        {QStringLiteral("paused"), paused_}};
}

}  // namespace qzlv2
