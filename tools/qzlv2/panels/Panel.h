#pragma once

#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

#include "tools/views/View.h"

// One part of the watch screen: a view (what it asks the plug-in for, what it read, what it
// still waits for) that renders itself into at most the lines it is given. A new panel is one
// class added to WatchPanels(code) (WatchPanels.cpp); the screen lays out the panels that fit
// the terminal.
// Threads: main thread only.
namespace qzlv2 {

class Panel : public qzviews::View {
public:
    // The key of the panel's object in `watch --json` lines.
    virtual QString Name() const = 0;

    // Lines the panel needs at the least and would use at the most at `width` columns.
    virtual int MinLines(int width) const = 0;
    virtual int MaxLines(int width) const { return MinLines(width); }
    // At most `lines` lines (MinLines <= lines <= MaxLines; any number when plain), each at most
    // `width` columns (0: no limit).
    virtual QStringList Render(int width, int lines) const = 0;
    virtual QJsonValue Json() const = 0;
};

// A panel that draws the data of one view of tools/views: asking, reading and waiting are the
// view's.
template <typename ViewType>
class ViewPanel : public Panel {
public:
    template <typename... Args>
    explicit ViewPanel(Args&&... args) : view_(std::forward<Args>(args)...) {}

    QList<ScopeTreeNode> Request(const QString& code) override { return view_.Request(code); }
    void Update(const ScopeTree& tree) override { view_.Update(tree); }
    QStringList Missing() const override { return view_.Missing(); }
    const ViewType& view() const { return view_; }

protected:
    ViewType view_;
};

}  // namespace qzlv2
