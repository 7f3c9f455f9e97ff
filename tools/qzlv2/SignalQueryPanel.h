#pragma once

#include <QList>

#include "host/core/DataRow.h"
#include "tools/qzlv2/Panel.h"
#include "tools/qzlv2/SignalQuery.h"

// A panel that shows the joined rows of one node asked for through a SignalQuery; the rows stay
// as they were until the node answers again. Subclasses name the node's columns and draw the rows.
// Threads: main thread only.
namespace qzlv2 {

class SignalQueryPanel : public Panel {
public:
    void Update(const ScopeTree& tree) override {
        if (const auto rows = JoinedRows(tree, node_id_)) {
            rows_ = *rows;
        }
    }
    QStringList Missing() const override {
        return rows_.isEmpty() ? QStringList{Name()} : QStringList();
    }

protected:
    explicit SignalQueryPanel(SignalQuery query) : query_(std::move(query)) {}

    QList<ScopeTreeNode> RequestNode(const QStringList& columns) {
        const ScopeTreeNode node = query_.Node(columns);
        node_id_ = node.scope_id;
        return {node};
    }

    QList<nscell::DataRow> rows_;

private:
    SignalQuery query_;
    int node_id_ = -1;
};

}  // namespace qzlv2
