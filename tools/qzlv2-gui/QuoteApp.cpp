#include "tools/qzlv2-gui/QuoteApp.h"

#include <QApplication>

#include <cstdio>

#include "tools/qzlv2-gui/QuoteWindow.h"

namespace qzgui {

QuoteApp::QuoteApp(AppOptions options) : options_(options), session_(options.session) {}

QuoteApp::~QuoteApp() {
    window_.reset();  // the views outlive the panels that draw them
}

bool QuoteApp::Start(QString& error) {
    for (auto& stock : session_.Stocks()) {
        const QString cycle = QuoteWindow::SavedCycle(stock->code);
        if (!cycle.isEmpty()) {
            stock->kline.SetCycle(cycle);  // asked for in the remembered cycle from the start
        }
    }
    if (!session_.Start(error)) {
        return false;
    }
    window_ = std::make_unique<QuoteWindow>(session_, QuoteWindow::SavedTheme());
    window_->show();
    return true;
}

int QuoteApp::Run() {
    since_start_.start();
    clock_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&clock_, &QTimer::timeout,
                     [this] { session_.Advance(double(since_start_.elapsed())); });
    clock_.start(kClockMs);
    QObject::connect(&frame_, &QTimer::timeout, [this] {
        if (Frame()) {
            exit_code_ = Finish() ? 0 : 1;
            QApplication::exit(0);
        }
    });
    frame_.start(kFrameMs);
    QApplication::exec();
    return exit_code_;
}

bool QuoteApp::Frame() {
    if (!session_.IsReplay()) {
        session_.Drain();
        session_.FollowLink();
    }
    for (const QString& report : session_.TakeReports()) {
        std::fprintf(stderr, "qzlv2-gui: %s\n", qPrintable(report));
    }
    window_->Refresh();
    if (session_.IsReplay()) {
        return session_.Ended();
    }
    return options_.seconds > 0 && since_start_.elapsed() >= options_.seconds * 1000;
}

bool QuoteApp::Finish() {
    session_.Drain();
    window_->Refresh();
    if (options_.screenshot.isEmpty()) {
        return true;
    }
    if (!window_->grab().save(options_.screenshot, "PNG")) {
        std::fprintf(stderr, "qzlv2-gui: cannot write the screenshot %s\n",
                     qPrintable(options_.screenshot));
        return false;
    }
    return true;
}

}  // namespace qzgui
