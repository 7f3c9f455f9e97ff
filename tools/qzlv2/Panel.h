#pragma once

#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>

#include "host/quoter/ScopeTree.h"
#include "host/quoter/ScopeTreeNode.h"

// One part of the watch screen. A panel asks the plug-in for the nodes it needs, reads their
// joined quote data after every update, and renders itself into at most the lines it is given.
// A new panel is one class added to WatchPanels(code) (WatchPanels.cpp); the screen lays out the
// panels that fit the terminal.
// Threads: main thread only.
namespace qzlv2 {

class Panel {
public:
    virtual ~Panel() = default;

    // The key of the panel's object in `watch --json` lines.
    virtual QString Name() const = 0;
    // The root nodes to ask for `code` (none for panels that read other panels' nodes).
    virtual QList<ScopeTreeNode> Request(const QString& code) {
        Q_UNUSED(code);
        return {};
    }
    // Reads the panel's data from the tree the joins fill.
    virtual void Update(const ScopeTree& tree) = 0;
    // What has not arrived yet ("order book"); empty when the panel is complete.
    virtual QStringList Missing() const { return {}; }

    // Lines the panel needs at the least and would use at the most at `width` columns.
    virtual int MinLines(int width) const = 0;
    virtual int MaxLines(int width) const { return MinLines(width); }
    // At most `lines` lines (MinLines <= lines <= MaxLines; any number when plain), each at most
    // `width` columns (0: no limit).
    virtual QStringList Render(int width, int lines) const = 0;
    virtual QJsonValue Json() const = 0;
};

}  // namespace qzlv2
