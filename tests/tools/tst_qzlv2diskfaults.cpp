// The qzlv2 tool when the disk says no, run as a user runs it. `history`: a disk that fills or
// turns read-only at a chosen byte (tests/diskfault, preloaded into the tool; every byte of the
// save itself: tst_historysave); a cached file that is damaged. `record`: a recording that cannot
// be written. Exit codes, the one line that says why, the files on disk afterwards (a kept file
// never harmed, no temporary file left), and the next run once the disk takes writes again.
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>

#include "tests/diskfault/DiskFault.h"
#include "tests/tools/ToolRun.h"
#include "tools/qzlv2/cache/HistoryFileReport.h"

using tooltest::Run;
using tooltest::RunTool;
using namespace diskfault;

namespace {

constexpr qint64 kFirstPageBytes = 38478;  // the file of the first page: 200 weeks

QStringList History(const QString& dir, const QStringList& more = {}) {
    return QStringList{"history", "SH600000", "--cycle", "week", "--cache-dir", dir} + more;
}

QString WeekFile(const QString& dir) {
    return dir + "/cache/history/v20200101/SH/week/2-12844/SH600000.dat";
}

QList<QByteArray> Lines(const QByteArray& text) {
    return text.trimmed().isEmpty() ? QList<QByteArray>() : text.trimmed().split('\n');
}

}  // namespace

class TestQzLv2DiskFaults : public QObject {
    Q_OBJECT

    // One run fills a history that rows lay down as the one kept before theirs.
    QTemporaryDir filled_;
    Run first_;
    QByteArray kept_;

    static void LayHistory(const QString& dir, const QByteArray& bytes) {
        QVERIFY(QDir().mkpath(QFileInfo(WeekFile(dir)).path()));
        QFile file(WeekFile(dir));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }

private slots:
    void initTestCase() {
        first_ = RunTool(History(filled_.path()));
        QCOMPARE(first_.exit_code, 0);
        kept_ = Contents(WeekFile(filled_.path()));
        QVERIFY(!kept_.isEmpty());
    }

    void historyNotKeptSaysWhyAndHarmsNoKeptFile_data() {
        QTest::addColumn<qint64>("room");  // bytes the disk takes when the failing run starts
        QTest::addColumn<bool>("keptBefore");
        QTest::addColumn<int>("error");
        QTest::addColumn<int>("recordsLeft");  // in the file afterwards: -1 none, 0 as before
        QTest::newRow("disk full at the first byte, nothing kept before")
            << qint64(0) << false << ENOSPC << -1;
        QTest::newRow("disk full after the first page")
            << kFirstPageBytes + 1500 << false << ENOSPC << 200;
        QTest::newRow("read-only at the first byte over a kept history")
            << qint64(0) << true << EROFS << 0;
    }

    void historyNotKeptSaysWhyAndHarmsNoKeptFile() {
        QFETCH(qint64, room);
        QFETCH(bool, keptBefore);
        QFETCH(int, error);
        QFETCH(int, recordsLeft);
        QTemporaryDir dir;
        const QString path = WeekFile(dir.path());
        if (keptBefore)
            LayHistory(dir.path(), kept_);
        const QByteArray before = Contents(path);
        const Run failed = RunTool(History(dir.path()), QByteArray(),
                                   diskfault::Environment(error, room, dir.path()));
        QCOMPARE(failed.exit_code, 1);
        QVERIFY(Lines(failed.out).size() > 1200);  // the series, served from memory
        const QList<QByteArray> err = Lines(failed.err);
        QVERIFY2(
            !err.isEmpty() &&
                QRegularExpression("^qzlv2 history: \\d+ records, \\d+ pages, \\d+ requests "
                                   "to the server; not kept: " +
                                   QRegularExpression::escape(path + ": " + OsError(error)) + "$")
                    .match(QString::fromUtf8(err.last()))
                    .hasMatch(),
            failed.err.constData());
        QVERIFY2(!failed.err.contains("kept in") && !failed.err.contains("{:SEPARATOR}"),
                 failed.err.constData());
        QCOMPARE(FilesUnder(dir.path()), recordsLeft < 0 ? QStringList{} : QStringList{path});
        if (recordsLeft == 0) {
            QCOMPARE(Contents(path), before);
        } else if (recordsLeft > 0) {
            const qzlv2::HistoryFileReport left = qzlv2::InspectHistoryFile(path);
            QVERIFY2(left.good, qPrintable(left.problem));
            QCOMPARE(int(left.records.size()), recordsLeft);
            QVERIFY(!left.complete);
        } else {
            return;  // the disk as before the run: the next run is every other run
        }

        // The next run goes on from the first pages kept.
        const Run again = RunTool(History(dir.path()));
        QCOMPARE(again.exit_code, 0);
        QVERIFY2(again.err.endsWith("; kept in " + path.toUtf8() + "\n"), again.err.constData());
        const qzlv2::HistoryFileReport kept = qzlv2::InspectHistoryFile(path);
        QVERIFY2(kept.good, qPrintable(kept.problem));
        QVERIFY(kept.complete);
        QCOMPARE(int(kept.records.size()), Lines(again.out).size() - 1);  // a heading line
        QCOMPARE(FilesUnder(dir.path()), QStringList{path});
    }

    // A damaged file is refused by the plug-in and fetched again in full; the user is told which
    // file and why, unless --quiet, which leaves stderr empty on success.
    void refusedCachedFileIsNamed_data() {
        QTest::addColumn<int>("cut");     // bytes cut off the end
        QTest::addColumn<int>("flipAt");  // from the end; 0: none
        QTest::addColumn<bool>("quiet");
        QTest::newRow("one flipped byte") << 0 << 7 << false;
        QTest::newRow("cut 100 bytes short, quiet") << 100 << 0 << true;
    }

    void refusedCachedFileIsNamed() {
        QFETCH(int, cut);
        QFETCH(int, flipAt);
        QFETCH(bool, quiet);
        QTemporaryDir dir;
        const QString path = WeekFile(dir.path());
        QByteArray bytes = kept_;
        bytes.chop(cut);
        if (flipAt > 0)
            bytes[bytes.size() - flipAt] = char(bytes[bytes.size() - flipAt] ^ 0x55);
        LayHistory(dir.path(), bytes);

        const Run refused =
            RunTool(History(dir.path(), quiet ? QStringList{"--quiet"} : QStringList{}));
        QCOMPARE(refused.exit_code, 0);
        QCOMPARE(refused.out, first_.out);
        if (quiet) {
            QCOMPARE(refused.err, QByteArray());
        } else {
            QVERIFY2(Lines(refused.err)
                         .contains("qzlv2 history: the cached " + path.toUtf8() +
                                   " was refused: stored content may be destroyed"),
                     refused.err.constData());
            const QByteArray summary = first_.err.mid(first_.err.lastIndexOf("qzlv2 history:"));
            QVERIFY(refused.err.endsWith(
                QByteArray(summary).replace(filled_.path().toUtf8(), dir.path().toUtf8())));
        }
        QVERIFY(qzlv2::InspectHistoryFile(path).good);
    }

    // A recording the disk does not take, from its header on or in the middle of the session.
    void recordingNotWrittenFailsTheCommand_data() {
        QTest::addColumn<qint64>("atByte");
        QTest::newRow("disk full inside the header") << qint64(10);
        QTest::newRow("disk full during the session") << qint64(4096);
    }

    void recordingNotWrittenFailsTheCommand() {
        QFETCH(qint64, atByte);
        QTemporaryDir dir;
        const QString path = dir.filePath("s.qzr");
        const Run run = RunTool({"record", path, "watch", "SH600000", "--seconds", "1", "--json"},
                                QByteArray(), diskfault::Environment(ENOSPC, atByte, dir.path()));
        QCOMPARE(run.exit_code, 1);
        const QList<QByteArray> err = Lines(run.err);
        QCOMPARE(err.size(), 1);
        QCOMPARE(QString::fromUtf8(err.first()),
                 "qzlv2 record: cannot write " + path + ": " + OsError(ENOSPC));
    }
};

QTEST_GUILESS_MAIN(TestQzLv2DiskFaults)
#include "tst_qzlv2diskfaults.moc"
