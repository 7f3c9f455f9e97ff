#pragma once

#include "tools/qzlv2/panels/SignalQueryPanel.h"

// The filtered short-line signal feed, newest first, as many signals as the lines allow: time,
// stock, signal type, side (买 buy, 卖 sell) and the description. Asks for one signal-list node.
// Threads: main thread only.
namespace qzlv2 {

class SignalFeedPanel : public SignalQueryPanel {
public:
    explicit SignalFeedPanel(SignalQuery query)
        : SignalQueryPanel(std::move(query), {}, QStringLiteral("signals")) {}

    QString Name() const override { return QStringLiteral("signals"); }
    int MinLines(int) const override { return 2; }
    int MaxLines(int) const override { return 1 + qMax(1, int(rows().size())); }
    QStringList Render(int width, int lines) const override;
    QJsonValue Json() const override;  // rows() ascending by order, as joined
};

}  // namespace qzlv2
