#pragma once

#include <QMainWindow>

#include <vector>

#include "tools/qzlv2-gui/Theme.h"

class QTabWidget;

// The quote window: one tab per code (a StockPage each), Ctrl+PgDown / Ctrl+PgUp between them,
// Alt+1 .. Alt+9 to a panel of the code shown and F6 / Shift+F6 to the next or previous one, a
// View menu for the up/down colours and the high-contrast theme. The window's size, each
// page's dock layout, the colours, the theme and each stock's chosen K-line cycle are kept in
// QSettings and restored at the next start.
// Threads: main thread only.
namespace qzgui {

class QuoteSession;
class StockPage;

class QuoteWindow : public QMainWindow {
    Q_OBJECT
public:
    QuoteWindow(QuoteSession& session, const Theme& theme, QWidget* parent = nullptr);
    ~QuoteWindow() override;  // keeps the layout in the settings

    // Redraws what changed since the last frame.
    void Refresh();
    StockPage& Page(int i) const;
    int PageCount() const;
    const Theme& CurrentTheme() const { return theme_; }
    void SetTheme(const Theme& theme);
    void SaveSettings() const;

    // The theme and cycles kept in the settings (defaults: red up, standard contrast).
    static Theme SavedTheme();
    static QString SavedCycle(const QString& code);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildPages();
    void AddMenu();
    void AddKeys();
    StockPage& CurrentPage() const;

    QuoteSession& session_;
    Theme theme_;
    QTabWidget* tabs_;
    std::vector<StockPage*> pages_;
};

}  // namespace qzgui
