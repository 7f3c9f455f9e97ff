#pragma once

#include <QMainWindow>

#include <vector>

#include "tools/qzlv2-gui/Theme.h"
#include "tools/views/StockViews.h"

class QDockWidget;
class QLabel;

// Every panel of one code in one window page: for a stock the snapshot header and the book
// ladder in the middle, around them in docks the price-volume table with the best-price queues,
// the flows by order size (stock and its board), the minute flow, the K-line flow history, the
// large-deal ticker, the signal feed with its statistics and the depth heatmap; for a board its
// flows. Each panel is a PanelFrame over one of the code's views.
// Threads: main thread only.
namespace qzgui {

class PanelFrame;

class StockPage : public QMainWindow {
    Q_OBJECT
public:
    StockPage(qzviews::StockViews& views, const Theme& theme, QWidget* parent = nullptr);

    // Redraws the panels whose views changed; `stale` while the link is down.
    void Refresh(bool stale);
    const std::vector<PanelFrame*>& Panels() const { return panels_; }
    PanelFrame* Panel(const QString& name) const;
    // Gives the focus to the next panel, or the one before.
    void FocusNextPanel(bool forward);
    // Gives the focus to panel `i` (in Panels() order).
    void FocusPanel(int i);

signals:
    void cycleChosen(const QString& cycle);

private:
    PanelFrame* AddPanel(const QString& name, const QString& functions, const qzviews::View& view,
                         QWidget* content, std::function<void()> show);
    void Dock(PanelFrame* frame, const QString& title, Qt::DockWidgetArea area);
    void BuildStock(const Theme& theme);
    void BuildBoard(const Theme& theme);
    void SizeDocks();

    qzviews::StockViews& views_;
    std::vector<PanelFrame*> panels_;
    std::vector<QDockWidget*> docks_;
    QLabel* link_ = nullptr;
};

}  // namespace qzgui
