#pragma once

#include <QWidget>

#include <functional>

#include "tools/qzlv2-gui/Theme.h"
#include "tools/views/View.h"

class QLabel;
class QGraphicsColorizeEffect;

// One panel of the window around its content: it redraws the content from its view at most once
// a frame and only when the view changed (Refresh), says "waiting for 12930 ..." in place of the
// content while the view misses data, and greys the content with the time of its last update
// ("as of 10:31:02") while the data is stale (the link is down).
// Threads: main thread only.
namespace qzgui {

class PanelFrame : public QWidget {
    Q_OBJECT
public:
    // `functions`: what the panel waits for, as the server functions' ids ("12930"); `show`
    // draws the view into `content`.
    PanelFrame(const QString& name, const QString& functions, const qzviews::View& view,
               QWidget* content, std::function<void()> show, QWidget* parent = nullptr);

    // Redraws the content when the view changed since the last frame; `stale` whether the data
    // is no longer fresh (it shows the time of the view's last change).
    void Refresh(bool stale);

    QString Name() const { return objectName(); }
    bool IsWaiting() const;
    bool IsStale() const { return stale_; }
    QString StateText() const;                // the waiting or stale line; empty otherwise
    int ShowCount() const { return shows_; }  // content redraws so far
    QWidget& Content() const { return *content_; }

protected:
    void focusInEvent(QFocusEvent* event) override;  // on to the content while it is shown

private:
    void ShowState();

    const qzviews::View& view_;
    const QString functions_;
    QWidget* content_;
    std::function<void()> show_;
    QLabel* state_;
    QGraphicsColorizeEffect* grey_;  // owned by the content
    quint64 shown_revision_ = 0;
    int shows_ = 0;
    bool stale_ = false;
};

}  // namespace qzgui
