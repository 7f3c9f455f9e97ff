#include "tools/qzlv2-gui/panels/PanelFrame.h"

#include <QDateTime>
#include <QFocusEvent>
#include <QGraphicsColorizeEffect>
#include <QLabel>
#include <QVBoxLayout>

namespace qzgui {

PanelFrame::PanelFrame(const QString& name, const QString& functions, const qzviews::View& view,
                       QWidget* content, std::function<void()> show, QWidget* parent)
    : QWidget(parent),
      view_(view),
      functions_(functions),
      content_(content),
      show_(std::move(show)),
      state_(new QLabel(this)),
      grey_(new QGraphicsColorizeEffect(content)) {
    setObjectName(name);
    grey_->setColor(Qt::gray);
    grey_->setStrength(0.85);
    grey_->setEnabled(false);
    content_->setGraphicsEffect(grey_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(state_);
    layout->addWidget(content_, 1);
    if (content_->focusPolicy() == Qt::NoFocus) {
        content_->setFocusPolicy(Qt::StrongFocus);  // every panel can be gone to by keyboard
    }
    setFocusPolicy(Qt::StrongFocus);  // also while it waits and its content is hidden
    ShowState();
}

void PanelFrame::Refresh(bool stale) {
    if (view_.Revision() != shown_revision_) {
        shown_revision_ = view_.Revision();
        show_();
        ++shows_;
    }
    stale_ = stale && !IsWaiting();
    ShowState();
}

void PanelFrame::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    if (content_->isVisible()) {
        content_->setFocus(event->reason());
    }
}

bool PanelFrame::IsWaiting() const {
    return !view_.Missing().isEmpty();
}

QString PanelFrame::StateText() const {
    if (IsWaiting()) {
        return QStringLiteral("waiting for %1 ...").arg(functions_);
    }
    if (stale_) {
        return QStringLiteral("stale: as of %1")
            .arg(QDateTime::fromMSecsSinceEpoch(view_.ChangedMs())
                     .toString(QStringLiteral("hh:mm:ss")));
    }
    return QString();
}

void PanelFrame::ShowState() {
    const QString text = StateText();
    if (state_->text() != text) {
        state_->setText(text);
    }
    state_->setVisible(!text.isEmpty());
    content_->setVisible(!IsWaiting());
    grey_->setEnabled(stale_);
}

}  // namespace qzgui
