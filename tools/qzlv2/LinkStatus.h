#pragma once

#include <QDateTime>
#include <QString>

// What the watch screen says about the road to the data: whether the server link is down (and
// since when) and whether the data source is paused. The screen keeps the last data meanwhile.
// Threads: a plain value, used on the watch's thread.
namespace qzlv2 {

class LinkStatus {
public:
    // Notes the link and pause state seen at `now`; true when the text changed.
    bool Update(bool linkUp, bool paused, const QDateTime& now);
    // "link down since 10:31:02", "paused", both joined by ", ", or empty while all is well.
    QString Text() const;

private:
    QDateTime down_since_;  // invalid while the link is up
    bool paused_ = false;
};

}  // namespace qzlv2
