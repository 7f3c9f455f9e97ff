#include "tools/qzlv2/loading/ReplayPlayer.h"

#include <QHash>

#include "host/access/ServerBackend.h"
#include "host/core/HostClock.h"

namespace qzlv2 {

using recording::ReplayBackend;

ReplayPlayer::ReplayPlayer(const recording::Recording& recording, int requestWaitMs)
    : request_wait_ms_(requestWaitMs) {
    HostClock::SetForTest(recording.header.startMs);
    replay_ = std::make_unique<ReplayBackend>(recording);
    replay_->InstallForServices();
    for (const recording::RecordedEvent& e : recording.events) {
        if (e.kind == recording::Kind::Link) {
            links_ << LinkEvent{qint64(e.timeMs), e.service, e.state == eAccessState_Connected};
        }
    }
}

ReplayPlayer::~ReplayPlayer() {
    ServerBackendRegistry::Clear();
}

ReplayPlayer::Result ReplayPlayer::Play(double atMs, bool single) {
    if (!step_open_) {
        const qint64 next = replay_->NextTimeMs();
        if (next < 0) {
            return Result::Ended;
        }
        if (!single && double(next) > atMs) {
            return Result::NotDue;
        }
        step_open_ = true;
        step_time_ = next;
    }
    const ReplayBackend::Step played =
        single ? replay_->DeliverNext() : replay_->AdvanceTo(quint64(step_time_));
    if (played == ReplayBackend::Step::Waiting) {
        if (!waiting_.isValid()) {
            waiting_.start();
        } else if (waiting_.elapsed() >= request_wait_ms_) {
            replay_->SkipNext();
            waiting_.invalidate();
        }
        return Result::Waiting;
    }
    waiting_.invalidate();
    step_open_ = false;
    played_ms_ = step_time_;
    return Result::Played;
}

bool ReplayPlayer::LinkUp() const {
    QHash<QString, bool> up;
    for (const LinkEvent& e : links_) {
        if (e.time_ms <= played_ms_) {
            up[e.service] = e.up;
        }
    }
    for (bool serviceUp : up) {
        if (!serviceUp) {
            return false;
        }
    }
    return true;
}

QString RecordedCode(const QString& recorder) {
    const QStringList words = recorder.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const int watch = words.indexOf(QStringLiteral("watch"));
    return watch >= 0 ? words.value(watch + 1).toUpper() : QString();
}

QStringList ReplayPlayer::TakeReports() {
    const QStringList reports = replay_->Reports();
    const QStringList fresh = reports.mid(reported_);
    reported_ = reports.size();
    return fresh;
}

}  // namespace qzlv2
