#include "tools/qzlv2-gui/QuoteWindow.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QSettings>
#include <QShortcut>
#include <QTabWidget>

#include "tools/qzlv2-gui/QuoteSession.h"
#include "tools/qzlv2-gui/StockPage.h"

namespace qzgui {

namespace {
constexpr int kWidth = 1800;   // px, the first size, before the user's is restored
constexpr int kHeight = 1100;  // px
constexpr int kPanelKeys = 9;  // Alt+1 .. Alt+9
const char kGeometryKey[] = "window/geometry";
const char kGreenUpKey[] = "colours/green_up";
const char kHighContrastKey[] = "colours/high_contrast";
QString PageKey(const QString& code) {
    return QStringLiteral("pages/%1/layout").arg(code);
}
QString CycleKey(const QString& code) {
    return QStringLiteral("pages/%1/cycle").arg(code);
}
}  // namespace

QuoteWindow::QuoteWindow(QuoteSession& session, const Theme& theme, QWidget* parent)
    : QMainWindow(parent), session_(session), theme_(theme), tabs_(new QTabWidget(this)) {
    setWindowTitle(QStringLiteral("qzlv2-gui"));
    setCentralWidget(tabs_);
    resize(kWidth, kHeight);
    restoreGeometry(QSettings().value(kGeometryKey).toByteArray());
    BuildPages();
    AddMenu();
    AddKeys();
}

// Ctrl+PgDown / Ctrl+PgUp as shortcuts; F6 and Alt+digits read from every key press in the
// window before its widgets see it (a table would keep F6, a chart Alt+digits).
void QuoteWindow::AddKeys() {
    const auto key = [this](const QKeySequence& keys, std::function<void()> run) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, std::move(run));
    };
    key(QKeySequence(Qt::CTRL + Qt::Key_PageDown),
        [this] { tabs_->setCurrentIndex((tabs_->currentIndex() + 1) % tabs_->count()); });
    key(QKeySequence(Qt::CTRL + Qt::Key_PageUp), [this] {
        tabs_->setCurrentIndex((tabs_->currentIndex() + tabs_->count() - 1) % tabs_->count());
    });
    qApp->installEventFilter(this);
}

bool QuoteWindow::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (event->type() != QEvent::KeyPress || widget == nullptr || widget->window() != this ||
        pages_.empty()) {
        return QMainWindow::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    if (key->key() == Qt::Key_F6 && (mods == Qt::NoModifier || mods == Qt::ShiftModifier)) {
        CurrentPage().FocusNextPanel(mods == Qt::NoModifier);
        return true;
    }
    if (mods == Qt::AltModifier && key->key() >= Qt::Key_1 && key->key() < Qt::Key_1 + kPanelKeys) {
        CurrentPage().FocusPanel(key->key() - Qt::Key_1);
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

StockPage& QuoteWindow::CurrentPage() const {
    return *pages_.at(size_t(qMax(0, tabs_->currentIndex())));
}

QuoteWindow::~QuoteWindow() {
    SaveSettings();
}

void QuoteWindow::BuildPages() {
    const int current = tabs_->currentIndex();
    QSettings settings;
    for (StockPage* page : pages_) {
        settings.setValue(PageKey(page->objectName()), page->saveState());
    }
    while (tabs_->count() > 0) {
        QWidget* old = tabs_->widget(0);
        tabs_->removeTab(0);
        delete old;
    }
    pages_.clear();
    qApp->setPalette(theme_.Palette());
    for (auto& stock : session_.Stocks()) {
        auto* page = new StockPage(*stock, theme_, tabs_);
        page->restoreState(settings.value(PageKey(stock->code)).toByteArray());
        const QString code = stock->code;
        connect(page, &StockPage::cycleChosen, this, [this, code](const QString& cycle) {
            if (session_.ChooseCycle(code, cycle)) {
                QSettings().setValue(CycleKey(code), cycle);
            }
        });
        tabs_->addTab(page, stock->code);
        pages_.push_back(page);
    }
    tabs_->setCurrentIndex(qMax(0, current));
}

void QuoteWindow::AddMenu() {
    QMenu* view = menuBar()->addMenu(tr("&View"));
    QAction* greenUp = view->addAction(tr("&Green for up"));
    greenUp->setCheckable(true);
    greenUp->setChecked(theme_.green_up);
    connect(greenUp, &QAction::toggled, this, [this](bool on) {
        Theme theme = theme_;
        theme.green_up = on;
        SetTheme(theme);
    });
    QAction* contrast = view->addAction(tr("&High contrast"));
    contrast->setCheckable(true);
    contrast->setChecked(theme_.high_contrast);
    connect(contrast, &QAction::toggled, this, [this](bool on) {
        Theme theme = theme_;
        theme.high_contrast = on;
        SetTheme(theme);
    });
}

void QuoteWindow::SetTheme(const Theme& theme) {
    theme_ = theme;
    BuildPages();
    Refresh();
    SaveSettings();
}

void QuoteWindow::Refresh() {
    for (size_t i = 0; i < pages_.size(); ++i) {
        const bool stale = session_.Stocks()[i]->link.down_since().isValid();
        pages_[i]->Refresh(stale);
    }
}

StockPage& QuoteWindow::Page(int i) const {
    return *pages_.at(size_t(i));
}

int QuoteWindow::PageCount() const {
    return int(pages_.size());
}

void QuoteWindow::SaveSettings() const {
    QSettings settings;
    settings.setValue(kGeometryKey, saveGeometry());
    settings.setValue(kGreenUpKey, theme_.green_up);
    settings.setValue(kHighContrastKey, theme_.high_contrast);
    for (StockPage* page : pages_) {
        settings.setValue(PageKey(page->objectName()), page->saveState());
    }
}

Theme QuoteWindow::SavedTheme() {
    QSettings settings;
    Theme theme;
    theme.green_up = settings.value(kGreenUpKey, false).toBool();
    theme.high_contrast = settings.value(kHighContrastKey, false).toBool();
    return theme;
}

QString QuoteWindow::SavedCycle(const QString& code) {
    return QSettings().value(CycleKey(code)).toString();
}

}  // namespace qzgui
