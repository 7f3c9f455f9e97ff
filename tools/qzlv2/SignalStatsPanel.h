#pragma once

#include <QList>

#include "host/core/DataRow.h"
#include "tools/qzlv2/Panel.h"
#include "tools/qzlv2/SignalQuery.h"

// The statistics of the filtered signals: one line per signal type (and its group) with the
// count of each side that occurs. Asks for one statistics node.
// Threads: main thread only.
namespace qzlv2 {

class SignalStatsPanel : public Panel {
public:
    explicit SignalStatsPanel(SignalQuery query) : query_(std::move(query)) {}

    QString Name() const override { return QStringLiteral("statistics"); }
    QList<ScopeTreeNode> Request(const QString& code) override;
    void Update(const ScopeTree& tree) override;
    QStringList Missing() const override;
    int MinLines(int) const override { return 1 + qMax(1, TypeCount()); }
    QStringList Render(int width, int lines) const override;
    QJsonValue Json() const override;

    void SetRows(const QList<nscell::DataRow>& rows) { rows_ = rows; }

private:
    int TypeCount() const;

    SignalQuery query_;
    int node_id_ = -1;
    QList<nscell::DataRow> rows_;  // per type, per direction ascending
};

}  // namespace qzlv2
