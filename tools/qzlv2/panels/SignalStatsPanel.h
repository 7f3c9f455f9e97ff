#pragma once

#include "tools/qzlv2/panels/SignalQueryPanel.h"

// The statistics of the filtered signals: one line per signal type (and its group) with the
// count of each side that occurs. Asks for one statistics node.
// Threads: main thread only.
namespace qzlv2 {

class SignalStatsPanel : public SignalQueryPanel {
public:
    explicit SignalStatsPanel(SignalQuery query)
        : SignalQueryPanel(std::move(query), {QStringLiteral("signal_type_statistics")},
                           QStringLiteral("statistics")) {}

    QString Name() const override { return QStringLiteral("statistics"); }
    int MinLines(int) const override { return 1 + qMax(1, TypeCount()); }
    QStringList Render(int width, int lines) const override;
    QJsonValue Json() const override;  // rows() per type, per direction ascending

private:
    int TypeCount() const;
};

}  // namespace qzlv2
