#include "tools/qzlv2-gui/QuoteSession.h"

#include <QDateTime>

#include "host/access/ServerBackend.h"
#include "host/core/HostClock.h"
#include "host/core/HostTimerQueue.h"
#include "tools/qzlv2/loading/PluginHost.h"
#include "tools/qzlv2/loading/ReplayPlayer.h"

namespace qzgui {

QuoteSession::QuoteSession(SessionOptions options) : options_(std::move(options)) {
    for (const QString& code : options_.codes) {
        stocks_.push_back(std::make_unique<qzviews::StockViews>(code));
    }
}

QuoteSession::~QuoteSession() {
    hosts_.clear();  // joins the plug-ins' threads and detaches their links first
    player_.reset();
    ServerBackendRegistry::Clear();
    server_ = qzlv2::QuoteServer();
    HostClock::UseSystemClock();
}

bool QuoteSession::Start(QString& error) {
    if (IsReplay()) {
        recording_ = recording::RecordingReader::ReadFile(options_.replay_file);
        if (!recording_.valid) {
            error = recording_.error;
            return false;
        }
        player_ = std::make_unique<qzlv2::ReplayPlayer>(recording_, options_.request_wait_ms);
    } else {
        // The host moves its clock itself, as `watch` does, so that the plug-in's timers fire at
        // their exact due times.
        HostTimerQueue::AdvanceClockTo(QDateTime::currentMSecsSinceEpoch());
        server_ = qzlv2::QuoteServer::Install(options_.server, options_.tick_ms, options_.seed);
    }
    for (auto& stock : stocks_) {
        auto host = std::make_unique<qzlv2::PluginHost>(stock->Shared(), stock->OwnIntent());
        if (!host->Start(options_.plugin_file, stock->code, error)) {
            return false;
        }
        host->UpdateAfterEveryJoin([] {});
        hosts_.push_back(std::move(host));
    }
    return true;
}

bool QuoteSession::Advance(double replayMs) {
    if (!IsReplay()) {
        HostTimerQueue::AdvanceClockTo(QDateTime::currentMSecsSinceEpoch());
        return false;
    }
    for (;;) {
        const qzlv2::ReplayPlayer::Result played = player_->Play(replayMs, false);
        if (played != qzlv2::ReplayPlayer::Result::Played) {
            return played == qzlv2::ReplayPlayer::Result::Waiting;
        }
        Drain();
        FollowLink();
    }
}

void QuoteSession::Drain() {
    for (auto& host : hosts_) {
        host->Update();
    }
}

bool QuoteSession::Ended() const {
    return player_ && player_->AtEnd();
}

bool QuoteSession::LinkUp() const {
    if (player_) {
        return player_->LinkUp();
    }
    return server_.IsLinkUp();
}

bool QuoteSession::FollowLink() {
    bool changed = false;
    const bool up = LinkUp();
    for (auto& stock : stocks_) {
        changed = stock->link.Follow(up, false, HostClock::Now()) || changed;
    }
    return changed;
}

bool QuoteSession::ChooseCycle(const QString& code, const QString& cycle) {
    for (size_t i = 0; i < stocks_.size(); ++i) {
        qzviews::StockViews& stock = *stocks_[i];
        if (stock.code == code && !stock.is_board) {
            if (!stock.kline.SetCycle(cycle)) {
                return false;
            }
            if (i < hosts_.size()) {
                hosts_[i]->Renew(stock.kline);
            }
            return true;
        }
    }
    return false;
}

QStringList QuoteSession::TakeReports() {
    return player_ ? player_->TakeReports() : QStringList();
}

}  // namespace qzgui
