// The README's minimal host run as a user runs it: against the plug-in it prints the book line;
// against whatever else lies in PLUGIN_DIR as libQzLv2Quoter.so (a file that is no library, a Qt
// plug-in of another kind, a factory that makes no handler, a handler that registers no
// controller) it says what went wrong and exits 1, never crashes; a bad command line exits 2.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int kRunMs = 60000;  // ms, bound on one run (the book comes within a few seconds)
const QString kNotALibrary = QStringLiteral("not a library");

struct Run {
    int exit_code = -1;  // -1: did not finish in time, or crashed
    QString output;      // standard output, then standard error
};

Run RunHost(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(QZ_MINIMAL_HOST_FILE), args);
    const bool finished = p.waitForFinished(kRunMs) && p.exitStatus() == QProcess::NormalExit;
    return Run{finished ? p.exitCode() : -1,
               QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError())};
}

// Lays `module` (a file to copy, or kNotALibrary) into `dir` as the host's plug-in file.
bool LayModule(const QString& dir, const QString& module) {
    const QString target = dir + QStringLiteral("/libQzLv2Quoter.so");
    if (module == kNotALibrary) {
        QFile file(target);
        return file.open(QIODevice::WriteOnly) && file.write("#!/bin/sh\n") > 0;
    }
    return QFile::copy(module, target);
}

}  // namespace

class TstMinimalHost : public QObject {
    Q_OBJECT

private slots:
    void runs_data() {
        QTest::addColumn<QString>("module");
        QTest::addColumn<QStringList>("moreArgs");  // after PLUGIN_DIR
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("expected");  // a pattern of a line of the output
        const QString book =
            QStringLiteral("^%1 prev close %2 buy 1 [0-9]+\\.[0-9][0-9] x [1-9][0-9]* shares$");
        QTest::newRow("the plug-in") << QStringLiteral(QZ_PLUGIN_FILE) << QStringList{} << 0
                                     << book.arg("SH600000", "10\\.52");
        QTest::newRow("a file that is no library")
            << kNotALibrary << QStringList{} << 1
            << QStringLiteral("^minimal-host: cannot load the plug-in QzLv2Quoter from ");
        QTest::newRow("a Qt plug-in of another kind")
            << QStringLiteral(QZ_WRONG_KIND_PLUGIN) << QStringList{} << 1
            << QStringLiteral(
                   "of another kind \\(IID org\\.example\\.NotAQuoterFactory/1\\.0\\), "
                   "not a com\\.mervox\\.lib\\.quoter\\.QuoterFactoryInterface/1\\.0");
        QTest::newRow("a factory that makes no handler")
            << QStringLiteral(QZ_NO_HANDLER_PLUGIN) << QStringList{} << 1
            << QStringLiteral("^minimal-host: the plug-in's factory made no handler$");
        QTest::newRow("a handler that registers no controller")
            << QStringLiteral(QZ_NO_CONTROLLER_PLUGIN) << QStringList{} << 1
            << QStringLiteral("^minimal-host: the handler registered no data source controller$");
        QTest::newRow("one argument too many")
            << QStringLiteral(QZ_PLUGIN_FILE) << QStringList{"SH600000", "SZ300750"} << 2
            << QStringLiteral("^usage: qzlv2-minimal-host \\[PLUGIN_DIR \\[CODE\\]\\]$");
    }
    void runs() {
        QFETCH(QString, module);
        QFETCH(QStringList, moreArgs);
        QFETCH(int, exitCode);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(LayModule(dir.path(), module));

        const Run run = RunHost(QStringList{dir.path()} + moreArgs);
        const QRegularExpression line(expected, QRegularExpression::MultilineOption);
        QVERIFY2(line.match(run.output).hasMatch(), qPrintable(run.output));
        QCOMPARE(run.exit_code, exitCode);
    }
};

QTEST_GUILESS_MAIN(TstMinimalHost)
#include "tst_minimalhost.moc"
