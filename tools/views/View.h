#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "host/quoter/ScopeTree.h"
#include "host/quoter/ScopeTreeNode.h"

// One panel's data, read once from the tree the plug-in's joins fill and kept as plain values
// that both screens draw: the terminal panels of `qzlv2` and the window of `qzlv2-gui`. A view
// asks for the root nodes it needs, reads their joined quote data after every update, says what
// has not arrived yet, and counts its changes (Revision) so that a screen redraws only what
// changed.
// Threads: main thread only.
namespace qzviews {

class View {
public:
    virtual ~View() = default;

    // The root nodes to ask for `code` (none for views that read other views' nodes).
    virtual QList<ScopeTreeNode> Request(const QString& code) {
        Q_UNUSED(code);
        return {};
    }
    // Reads the view's data from the tree the joins fill.
    virtual void Update(const ScopeTree& tree) = 0;
    // What has not arrived yet ("order book"); empty when the view is complete.
    virtual QStringList Missing() const { return {}; }

    // Goes up by one whenever what the view shows changed.
    quint64 Revision() const { return revision_; }
    // The host clock's time of the last change (ms since the epoch), -1 before the first.
    qint64 ChangedMs() const { return changed_ms_; }

protected:
    void Changed();

private:
    quint64 revision_ = 0;
    qint64 changed_ms_ = -1;
};

// The first row of the table the joins left on node `id`; an empty row when none arrived yet.
nscell::DataRow FirstJoinedRow(const ScopeTree& tree, int id);
// A root node of `scopeType` for `code`; `id` takes its scope id.
ScopeTreeNode RootFor(const ScopeTypeVariant& scopeType, const QString& code, int& id);

}  // namespace qzviews
