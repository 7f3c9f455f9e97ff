#pragma once
// A qzlv2-server process (QZLV2_SERVER_FILE) for a test: started, its first line ("listening
// HOST:PORT") read for the port, then signalled as a user or a fault would (SIGKILL, SIGSTOP,
// SIGCONT, SIGTERM). Every wait has a generous cap; none sleeps for a fixed time.
#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

#include <csignal>

#include <sys/types.h>

namespace tooltest {

class ServerProcess {
public:
    static constexpr int kStartMs = 30000;  // ms, cap on the wait for the listening line

    ~ServerProcess() { Kill(); }

    // False with *error when it did not print its listening line in time.
    bool Start(const QStringList& args, QString* error) {
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        process_.start(QStringLiteral(QZLV2_SERVER_FILE), args);
        QDeadlineTimer deadline(kStartMs);
        while (!process_.canReadLine() && process_.state() != QProcess::NotRunning &&
               !deadline.hasExpired()) {
            process_.waitForReadyRead(100);
        }
        const QByteArray firstLine = process_.readLine().trimmed();
        const QRegularExpressionMatch m =
            QRegularExpression("^listening (\\S+):(\\d+)$").match(QString::fromUtf8(firstLine));
        if (!m.hasMatch()) {
            *error = QStringLiteral("no listening line: '%1', stderr: %2")
                         .arg(QString::fromUtf8(firstLine),
                              QString::fromUtf8(process_.readAllStandardError()));
            return false;
        }
        port_ = quint16(m.captured(2).toUInt());
        return true;
    }
    quint16 Port() const { return port_; }
    void Signal(int signal) {
        if (process_.state() != QProcess::NotRunning) {
            ::kill(pid_t(process_.processId()), signal);
        }
    }
    // The exit code once it ended by itself, -1 when it is still running at the cap or crashed.
    int WaitExit(int capMs) {
        const bool ended = process_.waitForFinished(capMs);
        return ended && process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }
    void Kill() {
        Signal(SIGCONT);
        Signal(SIGKILL);
        process_.waitForFinished(kStartMs);
    }
    QByteArray Stderr() { return process_.readAllStandardError(); }

private:
    QProcess process_;
    quint16 port_ = 0;
};

}  // namespace tooltest
