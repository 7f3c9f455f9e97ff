#pragma once

#include "tools/qzlv2/panels/Panel.h"
#include "tools/views/LinkView.h"

// One line under the header while something stands between the screen and fresh data: the
// server link is down (and since when) or the data source is paused; the other panels keep
// showing the last data meanwhile. No line while all is well.
// Threads: main thread only.
namespace qzlv2 {

class LinkPanel : public ViewPanel<qzviews::LinkView> {
public:
    QString Name() const override { return QStringLiteral("link"); }
    int MinLines(int) const override { return Text().isEmpty() ? 0 : 1; }
    QStringList Render(int width, int lines) const override;
    QJsonValue Json() const override;

    // Notes the link and pause state seen at `now`; true when the line changed.
    bool Follow(bool linkUp, bool paused, const QDateTime& now) {
        return view_.Follow(linkUp, paused, now);
    }
    QString Text() const { return view_.Text(); }
};

}  // namespace qzlv2
