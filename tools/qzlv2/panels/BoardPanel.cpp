#include "tools/qzlv2/panels/BoardPanel.h"

#include <QJsonObject>

#include <algorithm>

#include "tools/qzlv2/decode/PackageJson.h"

namespace qzlv2 {

namespace {

constexpr int kLabelColumns = 22;

int Rows(int count, int width) {
    return width >= BoardPanel::kTwoColumnWidth ? (count + 1) / 2 : count;
}

}  // namespace

int BoardPanel::MinLines(int width) const {
    const auto lined = std::count_if(BoardKeys().begin(), BoardKeys().end(), [](const BoardKey& k) {
        return k.need != BoardKey::Need::IfRoom;
    });
    return 1 + Rows(int(lined), width);
}

int BoardPanel::MaxLines(int width) const {
    const int items = int(view_.Fields().size()) + (view_.Missing().isEmpty() ? 0 : 1);
    return std::max(MinLines(width), 1 + Rows(items, width));
}

QStringList BoardPanel::Render(int width, int lines) const {
    QStringList items;
    for (const qzviews::BoardField& f : view_.Fields()) {
        items << QStringLiteral("  %1 %2").arg(f.label.leftJustified(kLabelColumns), f.text);
    }
    if (!view_.Missing().isEmpty()) {
        items
            << QStringLiteral("  (waiting for %1)").arg(view_.Missing().join(QStringLiteral(", ")));
    }
    const bool twoColumns = width >= kTwoColumnWidth;
    const int room = std::max(lines, 1) - 1;
    items = items.mid(0, twoColumns ? 2 * room : room);  // what does not fit goes from the end
    QStringList out{QStringLiteral("board:")};
    const int rows = Rows(int(items.size()), width);
    const int half = width / 2;
    for (int r = 0; r < rows; ++r) {
        if (!twoColumns) {
            out << items[r];
        } else {
            const QString left = items[r].leftJustified(half, QLatin1Char(' '), true);
            out << left + items.value(r + rows);
        }
    }
    return out;
}

QJsonValue BoardPanel::Json() const {
    QJsonObject o;
    for (const qzviews::BoardField& f : view_.Fields()) {
        o.insert(f.key, CellToJson(f.cell));
    }
    return o;
}

}  // namespace qzlv2
