// README.md and docs/*.md: their command lines, taken from the text as a reader copies them (code
// spans and indented code lines that start with `qzlv2 `, `scripts/run-demo.sh` or
// `scripts/corpus-from-recording.py`), do what they say. An example runs as written, in document
// order in one scratch directory, and ends with 0 (one that runs for a set time, `--seconds N`,
// runs for 1 s: the length is watch's own tests' matter); one that runs until it is stopped shows
// a screen and ends with 130 on SIGINT. A synopsis (placeholders such as FILE, [options], a|b) or
// a command named in prose is not run.
#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <csignal>

#include "tests/tools/ToolRun.h"

namespace {

constexpr int kRunMs = tooltest::kRunMs;
const char kSourceDir[] = QZ_SOURCE_DIR;

struct CommandLine {
    QString doc;   // where it was written
    QString text;  // as written
};

QString ReadText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Code spans (a span may wrap) and indented code lines, fenced blocks left out (JSON examples).
QStringList CodeOf(QString text) {
    text.remove(QRegularExpression("```.*?```", QRegularExpression::DotMatchesEverythingOption));
    QStringList code;
    static const QRegularExpression indented("^    (\\S.*)$", QRegularExpression::MultilineOption);
    for (auto it = indented.globalMatch(text); it.hasNext();) {
        code << it.next().captured(1).trimmed();
    }
    static const QRegularExpression span("`([^`]+)`");
    for (auto it = span.globalMatch(text); it.hasNext();) {
        code << it.next().captured(1).simplified();
    }
    return code;
}

QStringList Docs() {
    QStringList docs{QString(kSourceDir) + "/README.md"};
    for (QDirIterator it(QString(kSourceDir) + "/docs", {"*.md"}); it.hasNext();) {
        docs << it.next();
    }
    return docs;
}

QList<CommandLine> CommandLines() {
    const QStringList docs = Docs();
    QList<CommandLine> lines;
    static const QRegularExpression command(
        "^(qzlv2|scripts/run-demo\\.sh|scripts/corpus-from-recording\\.py)( |$)");
    for (const QString& doc : docs) {
        for (const QString& code : CodeOf(ReadText(doc))) {
            if (command.match(code).hasMatch()) {
                lines << CommandLine{QFileInfo(doc).fileName(), code};
            }
        }
    }
    return lines;
}

// The words given to qzlv2, or empty for another program (the run-demo script's "gui" is the
// quote window's).
QStringList ToolArguments(const QString& text) {
    QStringList words = text.split(' ', Qt::SkipEmptyParts);
    const QString program = words.takeFirst();
    if (program == "scripts/run-demo.sh" && words.isEmpty()) {
        return {"watch", "SH600000"};  // what the script runs without arguments, with no display
    }
    if (program == "scripts/run-demo.sh" && words.first() == "gui") {
        return {};
    }
    return program == "scripts/corpus-from-recording.py" ? QStringList() : words;
}

enum class Use {
    kNone,      // a program named in prose, or a message's prefix ("qzlv2 decode: ")
    kSynopsis,  // placeholders, or a command named in prose ("qzlv2 recording info")
    kExample,
};

Use UseOf(const QString& text) {
    const QStringList words = text.split(' ');
    if (words.size() == 1) {
        return words.first() == "scripts/run-demo.sh" ? Use::kExample : Use::kNone;
    }
    if (words[1].endsWith(':')) {
        return Use::kNone;
    }
    static const QRegularExpression placeholder("(^| |:)[A-Z][A-Z_]*( |$)|[\\[|]|\\.\\.\\.");
    if (placeholder.match(text).hasMatch()) {
        return Use::kSynopsis;
    }
    static const QStringList subCommands{"info", "ls", "show", "verify"};
    const bool named = words.first() == "qzlv2" && !words[1].startsWith('-') &&
                       std::all_of(words.begin() + 2, words.end(),
                                   [](const QString& w) { return subCommands.contains(w); });
    return named ? Use::kSynopsis : Use::kExample;
}

// `--seconds N` made 1: the record/replay pair of README.md then takes 2 s, not 20.
QStringList Shortened(QStringList args) {
    const int at = args.indexOf("--seconds");
    if (at >= 0 && at + 1 < args.size() && args[at + 1].toInt() > 1) {
        args[at + 1] = "1";
    }
    return args;
}

bool RunsUntilStopped(const QStringList& args) {
    return (args.value(0) == "watch" || args.value(0) == "signals") && !args.contains("--once") &&
           !args.contains("--seconds") && !args.contains("--help");
}

}  // namespace

class TestDocExamples : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(work_.isValid());
        QVERIFY(QFile::link(QString(kSourceDir) + "/tests", work_.filePath("tests")));
        // The corpus script writes next to itself: a copy, with empty seed folders to fill.
        QVERIFY(QDir(work_.path()).mkpath("scripts"));
        QVERIFY(QFile::copy(QString(kSourceDir) + "/scripts/corpus-from-recording.py",
                            work_.filePath("scripts/corpus-from-recording.py")));
        for (const QString& folder : QDir(QString(kSourceDir) + "/fuzz/corpus")
                                         .entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QVERIFY(QDir(work_.path()).mkpath("fuzz/corpus/" + folder));
        }
        lines_ = CommandLines();
        QVERIFY(lines_.size() > 20);
    }

    void examplesRunAsWritten() {
        int examples = 0;
        for (const CommandLine& line : lines_) {
            const QStringList args = Shortened(ToolArguments(line.text));
            if (UseOf(line.text) != Use::kExample) {
                continue;
            }
            ++examples;
            const QString where = line.doc + ": " + line.text;
            QProcess p;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("XDG_CACHE_HOME", work_.filePath("cache"));  // history, cache
            p.setProcessEnvironment(env);
            p.setWorkingDirectory(work_.path());
            if (args.isEmpty()) {
                p.start(work_.filePath(line.text.section(' ', 0, 0)), line.text.split(' ').mid(1));
            } else {
                p.start(QZLV2_TOOL_FILE, args);
            }
            QVERIFY2(p.waitForStarted(kRunMs), qPrintable(where));
            p.closeWriteChannel();
            if (!args.isEmpty() && RunsUntilStopped(args)) {
                p.setReadChannel(QProcess::StandardOutput);
                QVERIFY2(p.waitForReadyRead(kRunMs), qPrintable(where));  // the first screen
                ::kill(pid_t(p.processId()), SIGINT);
            }
            const bool ended = p.waitForFinished(kRunMs);
            const QByteArray err = p.readAllStandardError();
            QVERIFY2(ended && p.exitStatus() == QProcess::NormalExit, qPrintable(where));
            const int wanted = !args.isEmpty() && RunsUntilStopped(args) ? 130 : 0;
            QVERIFY2(p.exitCode() == wanted, qPrintable(where + "\n" + err));
        }
        QVERIFY(examples >= 10);
    }

private:
    QTemporaryDir work_;
    QList<CommandLine> lines_;
};

QTEST_GUILESS_MAIN(TestDocExamples)
#include "tst_docexamples.moc"
