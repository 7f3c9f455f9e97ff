#pragma once
// Runs the qzlv2 tool (QZLV2_TOOL_FILE) as a user does, for the tests of its commands.
#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryFile>

#include "tools/qzlv2/commands/DecodeCommand.h"

namespace tooltest {

struct Run {
    int exit_code = -1;  // -1: did not finish in time, or crashed
    QByteArray out;
    QByteArray err;
};

constexpr int kRunMs = 60000;  // ms, bounded wait for the tool to finish

inline Run RunTool(const QStringList& args, const QByteArray& input = QByteArray(),
                   const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(QZLV2_TOOL_FILE), args);
    p.write(input);
    p.closeWriteChannel();
    const bool finished = p.waitForFinished(kRunMs) && p.exitStatus() == QProcess::NormalExit;
    return Run{finished ? p.exitCode() : -1, p.readAllStandardOutput(), p.readAllStandardError()};
}

// A run started now and read later, beside others: its output goes to files, so that it never
// waits on a pipe nobody reads.
class StartedRun {
public:
    explicit StartedRun(const QStringList& args) {
        if (out_.open() && err_.open()) {
            process_.setStandardOutputFile(out_.fileName());
            process_.setStandardErrorFile(err_.fileName());
            process_.start(QStringLiteral(QZLV2_TOOL_FILE), args);
        }
    }
    Run Finish() {
        // An event loop run meanwhile (QTRY_*) may have seen it end already.
        const bool finished =
            (process_.state() == QProcess::NotRunning || process_.waitForFinished(kRunMs)) &&
            process_.error() != QProcess::FailedToStart &&
            process_.exitStatus() == QProcess::NormalExit;
        return Run{finished ? process_.exitCode() : -1, out_.readAll(), err_.readAll()};
    }

private:
    QTemporaryFile out_;
    QTemporaryFile err_;
    QProcess process_;
};

// A file of the hand-laid test data (data/), empty if it is missing.
inline QByteArray DataFile(const QString& name) {
    QFile file(QStringLiteral(QZLV2_TEST_DATA "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A hand-laid body of data/ (commented hex), empty if it is missing or not hex.
inline QByteArray HexBody(const QString& name) {
    QByteArray body;
    QString error;
    return qzlv2::ParseHex(DataFile(name), body, error) ? body : QByteArray();
}

}  // namespace tooltest
