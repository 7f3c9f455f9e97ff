#pragma once
// Runs the qzlv2 tool (QZLV2_TOOL_FILE) as a user does, for the tests of its commands.
#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryFile>

#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include "tools/qzlv2/commands/DecodeCommand.h"

extern char** environ;

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

// A run whose memory is known: the most the tool held resident, from its own resource usage.
struct MeasuredRun {
    int exit_code = -1;  // -1: did not end normally
    long max_rss_kib = -1;
    QByteArray err;
};

// Runs the tool with no input and its standard output discarded; waits for it (no time limit:
// use for commands that end by themselves).
inline MeasuredRun RunToolMeasured(const QStringList& args) {
    QTemporaryFile err;
    if (!err.open()) {
        return {};
    }
    QList<QByteArray> words{QByteArray(QZLV2_TOOL_FILE)};
    for (const QString& a : args) {
        words << a.toLocal8Bit();
    }
    std::vector<char*> argv;
    for (QByteArray& w : words) {
        argv.push_back(w.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&files, err.handle(), 2);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    MeasuredRun run;
    int status = 0;
    rusage usage{};
    if (spawned == 0 && ::wait4(pid, &status, 0, &usage) == pid) {
        run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.max_rss_kib = usage.ru_maxrss;
    }
    err.seek(0);  // the tool's writes moved the offset it shares with this handle
    run.err = err.readAll();
    return run;
}

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
