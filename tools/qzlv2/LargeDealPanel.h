#pragma once

#include "host/core/DataRow.h"
#include "tools/qzlv2/Panel.h"

// The latest large deal of the stock as one alert line: time, price, volume in lots and the
// volumes attributed to buying (in) and selling (out); marked *new* for kNewForMs after it
// changed, on the host clock (a replay marks it as the live run did). Asks for one large-deal
// node (scope type 18).
// Threads: main thread only.
namespace qzlv2 {

class LargeDealPanel : public Panel {
public:
    static constexpr int kNewForMs = 3000;  // ms a new deal stays marked

    QString Name() const override { return QStringLiteral("large_deal"); }
    QList<ScopeTreeNode> Request(const QString& code) override;
    void Update(const ScopeTree& tree) override;
    QStringList Missing() const override;
    int MinLines(int) const override { return 1; }
    QStringList Render(int width, int lines) const override;
    QJsonValue Json() const override;

    // Takes the joined row; a different row than before is new.
    void SetRow(const nscell::DataRow& row);
    bool IsNew() const;

private:
    int node_id_ = -1;
    nscell::DataRow row_;
    qint64 changed_ms_ = -1;  // host clock time of the last change, -1 before the first
};

}  // namespace qzlv2
