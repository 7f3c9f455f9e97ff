#pragma once

#include <QList>

#include "host/core/DataRow.h"
#include "tools/qzlv2/Panel.h"
#include "tools/qzlv2/SignalQuery.h"

// The filtered short-line signal feed, newest first, as many signals as the lines allow: time,
// stock, signal type, side (买 buy, 卖 sell) and the description. Asks for one signal-list node.
// Threads: main thread only.
namespace qzlv2 {

class SignalFeedPanel : public Panel {
public:
    explicit SignalFeedPanel(SignalQuery query) : query_(std::move(query)) {}

    QString Name() const override { return QStringLiteral("signals"); }
    QList<ScopeTreeNode> Request(const QString& code) override;
    void Update(const ScopeTree& tree) override;
    QStringList Missing() const override;
    int MinLines(int) const override { return 2; }
    int MaxLines(int) const override { return 1 + qMax(1, int(rows_.size())); }
    QStringList Render(int width, int lines) const override;
    QJsonValue Json() const override;

    void SetRows(const QList<nscell::DataRow>& rows) { rows_ = rows; }

private:
    SignalQuery query_;
    int node_id_ = -1;
    QList<nscell::DataRow> rows_;  // ascending by order, as joined
};

}  // namespace qzlv2
