#include "tools/qzlv2-server/StopSignals.h"

#include <QSocketNotifier>

#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace qzlv2server {

namespace {

int g_pipe[2] = {-1, -1};  // read end, write end

extern "C" void OnSignal(int signal) {
    const char number = char(signal);
    const ssize_t written = ::write(g_pipe[1], &number, 1);
    (void)written;  // a full pipe already holds a stop
}

}  // namespace

StopSignals::StopSignals(QObject* parent) : QObject(parent) {
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        qFatal("qzlv2-server: cannot make the signal pipe");
    }
    notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &StopSignals::OnReadable);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

StopSignals::~StopSignals() {
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    delete notifier_;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
}

void StopSignals::OnReadable() {
    char number = 0;
    if (::read(g_pipe[0], &number, 1) == 1) {
        emit Stop(number);
    }
}

}  // namespace qzlv2server
