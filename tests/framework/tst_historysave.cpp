// Saving a history file when the disk says no. A fault at a chosen byte (tests/diskfault: the disk
// fills, turns read-only or fails) leaves on disk what was there, whole, and no temporary file, and
// the outcome names the file and the reason; the next save, with space again, is kept. The ledger
// reports a failed save once per file and run of failures; the cache's saver hook feeds it.
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>

#include "framework/HistoryDiskCache.h"
#include "framework/HistoryFilePath.h"
#include "framework/HistorySaveLedger.h"
#include "framework/ResponseCache.h"
#include "host/core/CDataStoreMgr.h"
#include "tests/diskfault/DiskFault.h"

using namespace historyfile;
using namespace diskfault;

namespace {

using Rec = qint64;  // laid out by the test's own codec: one i64

const HistoryFile<Rec>& RecFile() {
    static const HistoryFile<Rec> file(
        [](MemoryArchiveWriter& w, const Rec& r) { w.Write<qint64>(r); },
        [](CMemArchive& a) { return a.Read<qint64>(); });
    return file;
}

HistoryData<Rec> Records(int count, qint64 first) {
    HistoryData<Rec> data;
    for (int i = 0; i < count; ++i)
        data.records.push_back(first + i);
    return data;
}

QStringList g_warnings;

void CaptureWarnings(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtWarningMsg)
        g_warnings << text;
}

QString SaveWarning(const QString& path, const QString& reason) {
    return "qzLv2quoter {:SEPARATOR} save kline capitalflow cache failed: " + path + ": " + reason +
           " (served from memory)";
}

}  // namespace

class TestHistorySave : public QObject {
    Q_OBJECT

private slots:
    void init() {
        root_ = std::make_unique<QTemporaryDir>();
        CDataStoreMgr::GetDataStoreMgrInstance()->SetFilesRoot(root_->path());
        g_warnings.clear();
    }

    void cleanup() {
        diskfault::Disarm();
        qInstallMessageHandler(nullptr);
    }

    void faultAtAChosenByteLeavesTheDiskAsItWas_data() {
        QTest::addColumn<int>("error");
        QTest::addColumn<int>("atByte");  // -1: the new file's last byte
        QTest::addColumn<bool>("keptBefore");
        QTest::newRow("full at the first byte, no file yet") << ENOSPC << 0 << false;
        QTest::newRow("full inside a record over a kept file") << ENOSPC << 1001 << true;
        QTest::newRow("full at the last byte over a kept file") << ENOSPC << -1 << true;
        QTest::newRow("read-only at the first byte over a kept file") << EROFS << 0 << true;
        QTest::newRow("I/O error inside a record, no file yet") << EIO << 1001 << false;
    }

    void faultAtAChosenByteLeavesTheDiskAsItWas() {
        QFETCH(int, error);
        QFETCH(int, atByte);
        QFETCH(bool, keptBefore);
        const QString path = FilePath("SH600000", "week");
        if (keptBefore)
            QVERIFY(RecFile().Save("SH600000", "week", Records(3, 1)));
        const QByteArray before = Contents(path);
        const HistoryData<Rec> next = Records(500, 100);
        const QByteArray nextBytes = RecFile().Encode(next);

        diskfault::Arm(error, atByte < 0 ? nextBytes.size() - 1 : atByte, root_->path());
        const SaveOutcome failed = RecFile().Save("SH600000", "week", next);
        diskfault::Disarm();
        QVERIFY(!failed);
        QCOMPARE(failed.path, path);
        QCOMPARE(failed.error, OsError(error));
        QCOMPARE(FilesUnder(root_->path()), keptBefore ? QStringList{path} : QStringList{});
        QCOMPARE(Contents(path), before);

        const SaveOutcome kept = RecFile().Save("SH600000", "week", next);
        QVERIFY2(kept, qPrintable(kept.error));
        QCOMPARE(Contents(path), nextBytes);
        QCOMPARE(FilesUnder(root_->path()), QStringList{path});
    }

    // A folder on the way that cannot be made (a file stands in its place): the reason is the
    // system's, and the file in the way is left alone.
    void folderThatCannotBeMadeIsNamed() {
        QFile blocker(root_->path() + "/cache");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.write("not a folder");
        blocker.close();
        const SaveOutcome outcome = RecFile().Save("SH600000", "week", Records(1, 1));
        QVERIFY(!outcome);
        QCOMPARE(outcome.error, "cannot create its folder: " + OsError(ENOTDIR));
        QCOMPARE(Contents(blocker.fileName()), QByteArray("not a folder"));
    }

    // Steps: "A-" a failed save of file A (no space), "A~" failed another way (read-only),
    // "A+" a kept save. Expected: the files reported, in order, and those not kept at the end.
    void reportsOncePerFileAndRunOfFailures_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("reported");
        QTest::addColumn<QStringList>("notKept");  // "file reason-mark"
        QTest::newRow("a second failure of a file is not reported")
            << QStringList{"A-", "A-", "A-"} << QStringList{"A-"} << QStringList{"A-"};
        QTest::newRow("kept, then failing again: reported again")
            << QStringList{"A-", "A+", "A-"} << QStringList{"A-", "A-"} << QStringList{"A-"};
        QTest::newRow("a kept save ends the run")
            << QStringList{"A-", "A-", "A+"} << QStringList{"A-"} << QStringList{};
        QTest::newRow("each file its own run")
            << QStringList{"A-", "B-", "A-", "B+", "B-"} << QStringList{"A-", "B-", "B-"}
            << QStringList{"A-", "B-"};
        QTest::newRow("another reason within a run: no report, the latest reason kept")
            << QStringList{"A-", "A~"} << QStringList{"A-"} << QStringList{"A~"};
    }

    void reportsOncePerFileAndRunOfFailures() {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, reported);
        QFETCH(QStringList, notKept);
        auto path = [](const QString& step) { return "/files/" + step.left(1) + ".dat"; };
        auto reason = [](const QString& step) { return OsError(step[1] == '-' ? ENOSPC : EROFS); };
        HistorySaveLedger ledger;
        qInstallMessageHandler(CaptureWarnings);
        for (const QString& step : steps) {
            ledger.Record(step.endsWith('+') ? SaveOutcome::Kept(path(step))
                                             : SaveOutcome::NotKept(path(step), reason(step)));
        }
        qInstallMessageHandler(nullptr);
        QStringList expectedWarnings;
        for (const QString& step : reported)
            expectedWarnings << SaveWarning(path(step), reason(step));
        QCOMPARE(g_warnings, expectedWarnings);
        QCOMPARE(ledger.FailureCount(), qint64(reported.size()));
        QMap<QString, QString> expectedNotKept;
        for (const QString& step : notKept)
            expectedNotKept.insert(path(step), reason(step));
        QCOMPARE(ledger.FilesNotKept(), expectedNotKept);
    }

private:
    std::unique_ptr<QTemporaryDir> root_;
};

QTEST_GUILESS_MAIN(TestHistorySave)
#include "tst_historysave.moc"
