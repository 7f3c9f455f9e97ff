#include "tools/qzlv2/panels/LinkPanel.h"

#include <QJsonObject>

namespace qzlv2 {

QStringList LinkPanel::Render(int, int lines) const {
    const QString text = Text();
    if (text.isEmpty() || lines < 1) {
        return {};
    }
    return {QStringLiteral("[%1; showing the last data]").arg(text)};
}

QJsonValue LinkPanel::Json() const {
    const QDateTime& down = view_.down_since();
    return QJsonObject{{QStringLiteral("up"), !down.isValid()},
                       {QStringLiteral("down_since"),
                        down.isValid() ? QJsonValue(down.toString(Qt::ISODate)) : QJsonValue()},
                       {QStringLiteral("paused"), view_.paused()}};
}

}  // namespace qzlv2
