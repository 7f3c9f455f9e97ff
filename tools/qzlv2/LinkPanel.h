#pragma once

#include <QDateTime>

#include "tools/qzlv2/Panel.h"

// One line under the header while something stands between the screen and fresh data: the
// server link is down (and since when) or the data source is paused; the other panels keep
// showing the last data meanwhile. No line while all is well. The session reports what it sees
// (Follow); the panel asks the plug-in for nothing.
// Threads: main thread only.
namespace qzlv2 {

class LinkPanel : public Panel {
public:
    QString Name() const override { return QStringLiteral("link"); }
    void Update(const ScopeTree&) override {}
    int MinLines(int) const override { return Text().isEmpty() ? 0 : 1; }
    QStringList Render(int width, int lines) const override;
    QJsonValue Json() const override;

    // Notes the link and pause state seen at `now`; true when the line changed.
    bool Follow(bool linkUp, bool paused, const QDateTime& now);
    // "link down since 10:31:02", "paused", both joined by ", ", or empty while all is well.
    QString Text() const;

private:
    QDateTime down_since_;  // invalid while the link is up
    bool paused_ = false;
};

}  // namespace qzlv2
