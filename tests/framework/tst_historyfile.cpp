#include <QtTest>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>

#include <future>
#include <tuple>

#include "framework/HistoryDiskCache.h"
#include "framework/HistoryFile.h"
#include "framework/ResponseCache.h"
#include "host/core/CDataStoreMgr.h"

namespace {

using namespace historyfile;

// A small record laid out by hand for the test: i32 time, i64 amount.
struct Rec {
    qint32 time = 0;
    qint64 amount = 0;
    bool operator==(const Rec& o) const { return time == o.time && amount == o.amount; }
};

HistoryFile<Rec> RecFile() {
    return HistoryFile<Rec>(
        [](MemoryArchiveWriter& w, const Rec& r) {
            w.Write<qint32>(r.time);
            w.Write<qint64>(r.amount);
        },
        [](CMemArchive& a) {
            Rec r;
            r.time = a.Read<qint32>();
            r.amount = a.Read<qint64>();
            return r;
        });
}

HistoryData<Rec> Sample() {
    HistoryData<Rec> data;
    data.flag = true;
    data.value8 = 0xAB;
    data.records = {{930, 1000000}, {931, -42}};
    return data;
}

// The table walk the file format is defined by: reflected 0xEDB88320, from 0, no final complement.
quint32 HandCrc(const QByteArray& bytes) {
    quint32 table[256];
    for (quint32 i = 0; i < 256; ++i) {
        quint32 c = i;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
        table[i] = c;
    }
    quint32 crc = 0;
    for (char byte : bytes) {
        crc = (crc >> 8) ^ table[(crc ^ static_cast<quint8>(byte)) & 0xFF];
    }
    return crc;
}

QByteArray U32(quint32 v) {
    return QByteArray(reinterpret_cast<const char*>(&v), 4);
}
QByteArray U16(quint16 v) {
    return QByteArray(reinterpret_cast<const char*>(&v), 2);
}

// The Sample() data block as laid out on disk, written field by field.
QByteArray SampleDataBlock() {
    QByteArray b;
    b += U32(1) + U32(0xAB) + U16(2);
    b += U32(930) + U32(1000000) + U32(0);
    b += U32(931) + U32(quint32(-42)) + U32(0xFFFFFFFF);
    return b;
}

// A whole file made by hand, with any versions; the checksum is computed over the content.
QByteArray HandFile(quint32 formatVersion, quint32 dataVersion, const QByteArray& dataBlock) {
    const QByteArray content =
        U32(8) + U32(12844) + U32(dataVersion) + U32(dataBlock.size()) + dataBlock;
    const QByteArray banner("any banner");
    const QByteArray header =
        U32(formatVersion) + U16(banner.size()) + banner + U32(HandCrc(content));
    return U32(header.size()) + header + content;
}

void WriteRaw(const QString& path, const QByteArray& bytes) {
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

QByteArray ReadRaw(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

using Key = std::tuple<QString, QString>;  // (code, cycle)

}  // namespace

class TestHistoryFile : public QObject {
    Q_OBJECT

private slots:
    void init();

    void checksumMatchesTableWalk_data();
    void checksumMatchesTableWalk();
    void pathFollowsPattern_data();
    void pathFollowsPattern();
    void hostileNamesAreRefused_data();
    void hostileNamesAreRefused();
    void roundTrip();
    void fileBytesFollowLayout();
    void handWrittenFileLoads();
    void missingFileIsMiss();
    void flippedContentByteIsDestroyed_data();
    void flippedContentByteIsDestroyed();
    void wrongDataVersionIsRejected();
    void wrongFormatVersionIsRejected();
    void truncatedFileWarnsWithStockAndCycle_data();
    void truncatedFileWarnsWithStockAndCycle();
    void interruptedSaveKeepsPreviousFile();
    void cacheLoadsFromAndSavesToDisk();

private:
    std::unique_ptr<QTemporaryDir> root_;
};

void TestHistoryFile::init() {
    root_ = std::make_unique<QTemporaryDir>();
    QVERIFY(root_->isValid());
    CDataStoreMgr::GetDataStoreMgrInstance()->SetFilesRoot(root_->path());
}

void TestHistoryFile::checksumMatchesTableWalk_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("one byte") << QByteArray("a");
    QTest::newRow("digits") << QByteArray("123456789");
    QTest::newRow("binary") << QByteArray("\x00\xFF\x80\x01\x7F", 5);
}

void TestHistoryFile::checksumMatchesTableWalk() {
    QFETCH(QByteArray, bytes);
    QCOMPARE(Checksum(bytes), HandCrc(bytes));
}

void TestHistoryFile::pathFollowsPattern_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("cycle");
    QTest::addColumn<QString>("tail");
    QTest::newRow("code and cycle") << "SH600000"
                                    << "day"
                                    << "/history/v20200101/SH/day/2-12844/SH600000.dat";
    QTest::newRow("empty cycle") << "SZ000001"
                                 << ""
                                 << "/history/v20200101/SZ/default/2-12844/SZ000001.dat";
    QTest::newRow("empty code") << ""
                                << "week"
                                << "/history/v20200101//week/2-12844/default.dat";
    QTest::newRow("percent in code") << "SH%1"
                                     << "day"
                                     << "/history/v20200101/SH/day/2-12844/SH%1.dat";
}

void TestHistoryFile::pathFollowsPattern() {
    QFETCH(QString, code);
    QFETCH(QString, cycle);
    QFETCH(QString, tail);
    QCOMPARE(FilePath(code, cycle), root_->path() + "/cache" + tail);
}

void TestHistoryFile::hostileNamesAreRefused_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("cycle");
    QTest::newRow("dot-dot code") << "../x"
                                  << "day";
    QTest::newRow("climbing code") << "SH/../.."
                                   << "day";
    QTest::newRow("backslash code") << "a\\b"
                                    << "day";
    QTest::newRow("NUL in code") << QString("SH") + QChar(0) + "x"
                                 << "day";
    QTest::newRow("dot-dot cycle") << "SH600000"
                                   << "..";
    QTest::newRow("slash cycle") << "SH600000"
                                 << "/etc";
}

void TestHistoryFile::hostileNamesAreRefused() {
    QFETCH(QString, code);
    QFETCH(QString, cycle);
    const char* warning =
        "qzLv2quoter {:SEPARATOR} refused a history file name that leaves the "
        "cache directory";
    QTest::ignoreMessage(QtWarningMsg, warning);
    QCOMPARE(FilePath(code, cycle), QString());
    QTest::ignoreMessage(QtWarningMsg, warning);
    QVERIFY(!RecFile().Save(code, cycle, Sample()));
    QTest::ignoreMessage(QtWarningMsg, warning);
    HistoryData<Rec> loaded;
    QVERIFY(!RecFile().Load(code, cycle, loaded));
    // Nothing was written under the files root.
    QDirIterator it(root_->path(), QDir::Files | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QVERIFY2(!it.next().endsWith(".dat"), qPrintable(it.filePath()));
    }
}

void TestHistoryFile::roundTrip() {
    QVERIFY(RecFile().Save("SH600000", "day", Sample()));
    HistoryData<Rec> loaded;
    loaded.records = {{1, 1}};  // loading appends
    QVERIFY(RecFile().Load("SH600000", "day", loaded));
    QCOMPARE(loaded.flag, true);
    QCOMPARE(loaded.value8, quint8(0xAB));
    QCOMPARE(loaded.records, (std::vector<Rec>{{1, 1}, {930, 1000000}, {931, -42}}));
}

void TestHistoryFile::fileBytesFollowLayout() {
    QVERIFY(RecFile().Save("SH600000", "day", Sample()));
    const QByteArray file = ReadRaw(FilePath("SH600000", "day"));
    const QByteArray banner(kBanner);
    const int headerLength = 4 + 2 + banner.size() + 4;
    QCOMPARE(file.left(4), U32(headerLength));
    QCOMPARE(file.mid(4, 4), QByteArray("\xa5\x3a\x34\x01", 4));  // 20200101
    QCOMPARE(file.mid(8, 2), U16(banner.size()));
    QCOMPARE(file.mid(10, banner.size()), banner);
    const QByteArray content = file.mid(4 + headerLength);
    QCOMPARE(file.mid(10 + banner.size(), 4), U32(HandCrc(content)));
    QCOMPARE(content.left(12), QByteArray("\x08\x00\x00\x00"
                                          "\x2c\x32\x00\x00"
                                          "\xd3\x3b\x34\x01",
                                          12));
    const QByteArray dataBlock = SampleDataBlock();
    QCOMPARE(content.mid(12, 4), U32(dataBlock.size()));
    QCOMPARE(content.mid(16), dataBlock);
}

void TestHistoryFile::handWrittenFileLoads() {
    WriteRaw(FilePath("SZ000001", ""), HandFile(20200101, 20200403, SampleDataBlock()));
    HistoryData<Rec> loaded;
    QVERIFY(RecFile().Load("SZ000001", "", loaded));
    QCOMPARE(loaded.records, Sample().records);
    QCOMPARE(loaded.value8, quint8(0xAB));
}

namespace {

int g_warnings = 0;  // warnings seen while CountWarnings is installed

void CountWarnings(QtMsgType type, const QMessageLogContext&, const QString&) {
    if (type == QtWarningMsg) {
        ++g_warnings;
    }
}

}  // namespace

void TestHistoryFile::missingFileIsMiss() {
    g_warnings = 0;
    const QtMessageHandler previous = qInstallMessageHandler(CountWarnings);
    HistoryData<Rec> loaded;
    const bool found = RecFile().Load("SH600000", "day", loaded);
    qInstallMessageHandler(previous);
    QVERIFY(!found);
    QVERIFY(loaded.records.empty());
    QCOMPARE(g_warnings, 0);  // a file never written is an ordinary miss
}

void TestHistoryFile::flippedContentByteIsDestroyed_data() {
    QTest::addColumn<int>("fromEnd");  // position counted back from the end of the file
    QTest::newRow("last record byte") << 1;
    QTest::newRow("record count") << 2 * 16 + 1;
    QTest::newRow("identity block length") << 16 + SampleDataBlock().size();
}

void TestHistoryFile::flippedContentByteIsDestroyed() {
    QFETCH(int, fromEnd);
    QVERIFY(RecFile().Save("SH600000", "day", Sample()));
    const QString path = FilePath("SH600000", "day");
    QByteArray file = ReadRaw(path);
    file[file.size() - fromEnd] = static_cast<char>(file[file.size() - fromEnd] ^ 0x10);
    WriteRaw(path, file);
    QTest::ignoreMessage(QtWarningMsg, "dataset {:SEPARATOR} stored content may be destroyed");
    HistoryData<Rec> loaded;
    QVERIFY(!RecFile().Load("SH600000", "day", loaded));
    QVERIFY(loaded.records.empty());
}

void TestHistoryFile::wrongDataVersionIsRejected() {
    WriteRaw(FilePath("SH600000", "day"), HandFile(20200101, 20200402, SampleDataBlock()));
    QTest::ignoreMessage(QtWarningMsg, "dataset {:SEPARATOR} data version not matched");
    HistoryData<Rec> loaded;
    QVERIFY(!RecFile().Load("SH600000", "day", loaded));
}

void TestHistoryFile::wrongFormatVersionIsRejected() {
    WriteRaw(FilePath("SH600000", "day"), HandFile(20190101, 20200403, SampleDataBlock()));
    QTest::ignoreMessage(QtWarningMsg, "dataset {:SEPARATOR} stored content version not matched");
    HistoryData<Rec> loaded;
    QVERIFY(!RecFile().Load("SH600000", "day", loaded));
}

void TestHistoryFile::truncatedFileWarnsWithStockAndCycle_data() {
    QTest::addColumn<QByteArray>("file");
    const QByteArray whole = HandFile(20200101, 20200403, SampleDataBlock());
    QTest::newRow("header length only") << whole.left(4);
    // The data block claims two records but holds one and a half: the checksum still matches
    // because it is computed over what is there.
    QByteArray cutBlock = SampleDataBlock();
    cutBlock.chop(6);
    QTest::newRow("cut in a record") << HandFile(20200101, 20200403, cutBlock);
    QTest::newRow("data block shorter than its length") << [] {
        // Rebuild with a data length that claims 100 more bytes than follow.
        QByteArray content = U32(8) + U32(12844) + U32(20200403) +
                             U32(SampleDataBlock().size() + 100) + SampleDataBlock();
        const QByteArray banner("b");
        const QByteArray header = U32(20200101) + U16(1) + banner + U32(HandCrc(content));
        return U32(header.size()) + header + content;
    }();
}

void TestHistoryFile::truncatedFileWarnsWithStockAndCycle() {
    QFETCH(QByteArray, file);
    WriteRaw(FilePath("SH600000", "day"), file);
    QTest::ignoreMessage(QtWarningMsg,
                         "qzLv2quoter {:SEPARATOR} read kline capitalflow cache "
                         "error. stock= SH600000 cycle= day");
    HistoryData<Rec> loaded;
    QVERIFY(!RecFile().Load("SH600000", "day", loaded));
    QVERIFY(loaded.records.empty());
}

void TestHistoryFile::interruptedSaveKeepsPreviousFile() {
    QVERIFY(RecFile().Save("SH600000", "day", Sample()));
    const QString path = FilePath("SH600000", "day");
    {
        // A save that dies before committing: its bytes never reach the target.
        QSaveFile interrupted(path);
        QVERIFY(interrupted.open(QIODevice::WriteOnly));
        interrupted.write("half a file");
    }
    // A temporary left behind by a crashed process sits beside the target.
    WriteRaw(path + ".aB3xYz", QByteArray("garbage"));
    HistoryData<Rec> loaded;
    QVERIFY(RecFile().Load("SH600000", "day", loaded));
    QCOMPARE(loaded.records, Sample().records);
    // The next save still replaces the target whole.
    HistoryData<Rec> next = Sample();
    next.records.pop_back();
    QVERIFY(RecFile().Save("SH600000", "day", next));
    HistoryData<Rec> reloaded;
    QVERIFY(RecFile().Load("SH600000", "day", reloaded));
    QCOMPARE(reloaded.records, next.records);
}

void TestHistoryFile::cacheLoadsFromAndSavesToDisk() {
    QMutex callLock(QMutex::Recursive);
    std::vector<bool> lockFreeElsewhere;
    int saves = 0;
    HistoryBinding<Key, HistoryData<Rec>, Rec> binding;
    binding.stockCode = [](const Key& k) { return std::get<0>(k); };
    binding.cycle = [](const Key& k) { return std::get<1>(k); };
    binding.toData = [&](const HistoryData<Rec>& v) {
        ++saves;
        auto probe = std::async(std::launch::async, [&callLock] {
            const bool got = callLock.tryLock();
            if (got) {
                callLock.unlock();
            }
            return got;
        });
        lockFreeElsewhere.push_back(probe.get());
        return v;
    };
    binding.fromData = [](const HistoryData<Rec>& d, HistoryData<Rec>& v) { v = d; };

    const Key key{"SH600000", "day"};
    {
        ResponseCache<Key, HistoryData<Rec>> writer(10);
        writer.SetSaver(MakeHistorySaver(&callLock, RecFile(), binding));
        writer.Put(key, Sample());
        writer.WaitForSaves();
    }
    QCOMPARE(saves, 1);
    QCOMPARE(lockFreeElsewhere, std::vector<bool>{false});  // the save held the call lock

    ResponseCache<Key, HistoryData<Rec>> reader(10);
    reader.SetLoader(MakeHistoryLoader(&callLock, RecFile(), binding));
    reader.SetSaver(MakeHistorySaver(&callLock, RecFile(), binding));
    QCOMPARE(reader.Get(key).records, Sample().records);
    reader.WaitForSaves();
    QCOMPARE(saves, 1);  // a value loaded from disk is not written back
    QVERIFY_EXCEPTION_THROWN(reader.Get(Key{"SZ000001", "day"}), std::range_error);

    // A truncated file on disk is a miss for the cache, with the stock/cycle warning.
    WriteRaw(FilePath("SZ000002", "day"), ReadRaw(FilePath("SH600000", "day")).left(40));
    QTest::ignoreMessage(QtWarningMsg,
                         "qzLv2quoter {:SEPARATOR} read kline capitalflow cache "
                         "error. stock= SZ000002 cycle= day");
    QVERIFY_EXCEPTION_THROWN(reader.Get(Key{"SZ000002", "day"}), std::range_error);
}

QTEST_GUILESS_MAIN(TestHistoryFile)
#include "tst_historyfile.moc"
