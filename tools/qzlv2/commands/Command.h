#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <functional>
#include <stdexcept>
#include <vector>

// One `qzlv2` command: its options and arguments, and what it runs. The commands are listed in
// one table (Commands.cpp); the dispatcher parses, checks and reports usage errors the same way
// for all of them.
// Threads: main thread only.
namespace qzlv2 {

// Exit codes of every command (docs/qzlv2.md; 130 and 143: Interrupt.h).
enum ExitCode : int {
    kExitOk = 0,
    kExitFailed = 1,  // bad or missing input, did not arrive, cannot load, cannot write
    kExitUsage = 2,   // the command line itself is wrong
};

// A usage error found while reading a command's arguments: exit 2, message prefixed by the
// command ("qzlv2 decode: ...").
class UsageError : public std::runtime_error {
public:
    explicit UsageError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// The parsed command line handed to a command's run function.
class Invocation {
public:
    explicit Invocation(const QCommandLineParser& parser) : parser_(parser) {}

    QString Argument(int i) const { return parser_.positionalArguments().value(i); }
    int ArgumentCount() const { return parser_.positionalArguments().size(); }
    bool IsSet(const QString& option) const { return parser_.isSet(option); }
    QString Value(const QString& option) const { return parser_.value(option); }
    // The option's value as a whole number in [minimum, maximum]; UsageError naming the range
    // otherwise.
    qint64 Number(const QString& option, qint64 minimum, qint64 maximum) const;

private:
    const QCommandLineParser& parser_;
};

struct Command {
    QString name;      // "watch"
    QString synopsis;  // "watch CODE", for the overview
    QString summary;   // one line for 'qzlv2 --help'
    int min_arguments = 0;
    int max_arguments = 0;
    std::function<void(QCommandLineParser&)> define;  // description, positionals, options
    std::function<int(const Invocation&)> run;        // the exit code
};

// Every command, in the order the overview lists them.
const std::vector<Command>& Commands();

// Runs the command line `arguments` (the program name first); the process exit code.
int RunCommandLine(const QStringList& arguments);

}  // namespace qzlv2
