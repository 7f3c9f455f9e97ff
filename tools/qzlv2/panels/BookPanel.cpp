#include "tools/qzlv2/panels/BookPanel.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>

namespace qzlv2 {

namespace {

constexpr int kFrameLines = 2;  // the column heads and the line between the sides
const QString kNone = QStringLiteral("--");

QString QueueText(const BookLevel& level, int width) {
    QString text;
    for (int i = 0; i < level.queue.size(); ++i) {
        const QString number = QString::number(level.queue[i]);
        const QString item = level.big.contains(i) ? QStringLiteral("*%1*").arg(number) : number;
        const QString more = QStringLiteral(" +%1").arg(level.queue.size() - i);
        const bool last = i + 1 == level.queue.size();
        if (width > 0 && text.size() + 1 + item.size() + (last ? 0 : more.size()) > width) {
            return text + more;
        }
        text += (text.isEmpty() ? QString() : QStringLiteral(" ")) + item;
    }
    return text;
}

QString LevelLine(const BookLevel& level, int width) {
    const QString head = level.label.leftJustified(8);
    if (level.filler) {
        return head + kNone.rightJustified(10);
    }
    const QString columns = head + level.price.rightJustified(10) +
                            QString::number(level.lots).rightJustified(10) +
                            QString::number(level.orders).rightJustified(8) + QStringLiteral("  ");
    const int left = width > 0 ? std::max(10, width - int(columns.size())) : 0;
    return columns + QueueText(level, left);
}

QJsonArray LevelsJson(const QVector<BookLevel>& levels) {
    QJsonArray array;
    for (const BookLevel& l : levels) {
        if (l.filler) {
            array.append(QJsonValue());
            continue;
        }
        QJsonArray queue;
        for (qint64 v : l.queue) {
            queue.append(v);
        }
        QJsonArray big;
        QList<int> positions = l.big.values();
        std::sort(positions.begin(), positions.end());
        for (int i : positions) {
            big.append(i);
        }
        array.append(QJsonObject{{"price", l.price},
                                 {"lots", l.lots},
                                 {"orders", l.orders},
                                 {"queue", queue},
                                 {"big", big}});
    }
    return array;
}

}  // namespace

int BookPanel::MinLines(int) const {
    return kFrameLines + 2 * kMinLevels;
}

int BookPanel::MaxLines(int) const {
    return kFrameLines + 2 * kMaxLevels;
}

QStringList BookPanel::Render(int width, int lines) const {
    if (!book().has_book) {
        return {QStringLiteral("(waiting for the order book)")};
    }
    const int levels = std::clamp((lines - kFrameLines) / 2, 1, kMaxLevels);
    const QString unit = book().converted ? QStringLiteral("lots") : QStringLiteral("shares");
    QStringList out;
    out << QStringLiteral("%1%2%3%4  queue (%5, *big*)")
               .arg(QStringLiteral("level").leftJustified(8),
                    QStringLiteral("price").rightJustified(10),
                    QStringLiteral("lots").rightJustified(10),
                    QStringLiteral("orders").rightJustified(8), unit);
    for (int i = levels - 1; i >= 0; --i) {
        out << LevelLine(book().sells.value(i), width);
    }
    out << QString(width > 0 ? std::min(width, 60) : 60, QLatin1Char('-'));
    for (int i = 0; i < levels; ++i) {
        out << LevelLine(book().buys.value(i), width);
    }
    return out;
}

QJsonValue BookPanel::Json() const {
    if (!book().has_book) {
        return QJsonValue();
    }
    return QJsonObject{{"converted", book().converted},
                       {"prev_close", book().prev_close},
                       {"fast_ten", book().fast_ten},
                       {"sell", LevelsJson(book().sells)},
                       {"buy", LevelsJson(book().buys)}};
}

}  // namespace qzlv2
