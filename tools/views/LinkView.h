#pragma once

#include <QDateTime>

#include "tools/views/View.h"

// What stands between the screen and fresh data: the server link is down (and since when) or
// the data source is paused. The session reports what it sees (Follow); the view asks the
// plug-in for nothing.
// Threads: main thread only.
namespace qzviews {

class LinkView : public View {
public:
    void Update(const ScopeTree&) override {}

    // Notes the link and pause state seen at `now`; true when the text changed.
    bool Follow(bool linkUp, bool paused, const QDateTime& now);
    // "link down since 10:31:02", "paused", both joined by ", ", or empty while all is well.
    QString Text() const;
    const QDateTime& down_since() const { return down_since_; }  // invalid while the link is up
    bool paused() const { return paused_; }

private:
    QDateTime down_since_;
    bool paused_ = false;
};

}  // namespace qzviews
