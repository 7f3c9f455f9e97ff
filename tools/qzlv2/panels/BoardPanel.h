#pragma once

#include "tools/qzlv2/panels/Panel.h"
#include "tools/views/BoardFieldsView.h"

// The stock-board fields of the watch screen, each with its label and unit, in two columns when
// the terminal is wide enough. Fields that do not fit the lines given go from the end.
// Threads: main thread only.
namespace qzlv2 {

using qzviews::BoardKey;
using qzviews::BoardKeys;

class BoardPanel : public ViewPanel<qzviews::BoardFieldsView> {
public:
    static constexpr int kTwoColumnWidth = 80;  // columns

    QString Name() const override { return QStringLiteral("board"); }
    int MinLines(int width) const override;
    int MaxLines(int width) const override;
    QStringList Render(int width, int lines) const override;
    QJsonValue Json() const override;

    // Reads the fields from a stock-board row (keys first, then any other cell by name).
    void SetRow(const nscell::DataRow& row) { view_.SetRow(row); }
};

}  // namespace qzlv2
