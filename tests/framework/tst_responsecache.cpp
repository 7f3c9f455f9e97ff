// The response cache, checked against a plain list model, and the history file behind it: path,
// hand-laid layout, checksum, damaged or hostile files.
#include <QtTest>

#include <QDirIterator>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>

#include <algorithm>
#include <list>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/HistoryFile.h"
#include "framework/ResponseCache.h"
#include "host/core/CDataStoreMgr.h"

namespace {

using namespace historyfile;

using Rec = qint64;  // laid out by the test's own codec: one i64

HistoryFile<Rec> RecFile() {
    return HistoryFile<Rec>([](MemoryArchiveWriter& w, const Rec& r) { w.Write<qint64>(r); },
                            [](CMemArchive& a) { return a.Read<qint64>(); });
}

const HistoryData<Rec> kSample{true, 0xAB, {1000000, -42}};

QByteArray U32(quint32 v) {
    v = qToLittleEndian(v);
    return QByteArray(reinterpret_cast<const char*>(&v), 4);
}

const QByteArray kSampleBlock =
    U32(1) + U32(0xAB) + QByteArray("\x02\x00", 2) +              // flag, value, count
    U32(1000000) + U32(0) + U32(quint32(-42)) + U32(0xFFFFFFFF);  // records

// A whole file laid out by hand around a data block whose length field claims `extra` more bytes.
QByteArray HandFile(const QByteArray& block, quint32 formatVersion = 20200101,
                    quint32 dataVersion = 20200403, const QByteArray& banner = "any banner",
                    int extra = 0) {
    const QByteArray content =
        U32(8) + U32(12844) + U32(dataVersion) + U32(block.size() + extra) + block;
    const QByteArray header =
        U32(formatVersion) + U32(banner.size()).left(2) + banner + U32(Checksum(content));
    return U32(header.size()) + header + content;
}

QByteArray Flipped(QByteArray bytes, int index) {
    bytes[index] = static_cast<char>(bytes[index] ^ 0x10);
    return bytes;
}

void WriteRaw(const QString& path, const QByteArray& bytes) {
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

// A plain list LRU, the cache's behaviour spelled out, to check the cache against.
template <typename K>
class ReferenceLru {
public:
    explicit ReferenceLru(int capacity) : capacity_(capacity) {}
    bool Get(const K& key, int& value) {
        const auto it = std::find_if(entries_.begin(), entries_.end(),
                                     [&key](const std::pair<K, int>& e) { return e.first == key; });
        if (it == entries_.end())
            return false;
        value = it->second;
        entries_.splice(entries_.begin(), entries_, it);
        return true;
    }
    void Put(const K& key, int value) {
        Remove(key);
        entries_.emplace_front(key, value);
        if (static_cast<int>(entries_.size()) > capacity_)
            entries_.pop_back();
    }
    void Remove(const K& key) {
        entries_.remove_if([&key](const std::pair<K, int>& e) { return e.first == key; });
    }
    QList<K> Keys() const {
        QList<K> keys;
        for (const auto& e : entries_)
            keys.append(e.first);
        return keys;
    }

private:
    int capacity_;
    std::list<std::pair<K, int>> entries_;
};

// A topic type with neither qHash nor std::hash: the cache falls back to an ordered index.
struct OrderedOnlyKey {
    int id = 0;
    bool operator<(const OrderedOnlyKey& o) const { return id < o.id; }
    bool operator==(const OrderedOnlyKey& o) const { return id == o.id; }
};

// A key whose hashes fall into a few values: entries share chains, so lookups, evictions and
// removals happen in the middle of a chain as well as at its head.
struct CollidingKey {
    int id = 0;
    bool operator==(const CollidingKey& o) const { return id == o.id; }
};
uint qHash(const CollidingKey& key) {
    return static_cast<uint>(key.id % 3);
}

template <typename K, typename MakeKey>
void CheckAgainstReference(int capacity, quint32 seed, MakeKey makeKey) {
    ResponseCache<K, int> cache(capacity);
    ReferenceLru<K> reference(capacity);
    QRandomGenerator random(seed);
    for (int step = 0; step < 2000; ++step) {
        const K key = makeKey(static_cast<int>(random.bounded(3 * capacity)));
        const int op = static_cast<int>(random.bounded(10));
        if (op < 5) {
            cache.Put(key, step);
            reference.Put(key, step);
        } else if (op < 9) {
            int got = -1;
            int expected = -1;
            QCOMPARE(cache.TryGet(key, got), reference.Get(key, expected));
            QCOMPARE(got, expected);
        } else {
            cache.Remove(key);
            reference.Remove(key);
        }
        QCOMPARE(cache.Keys(), reference.Keys());
        QCOMPARE(cache.Size(), reference.Keys().size());
    }
}

const char kTruncated[] =
    "qzLv2quoter {:SEPARATOR} read kline capitalflow cache error. stock= SH600000 cycle= day";

}  // namespace

class TestResponseCache : public QObject {
    Q_OBJECT

private slots:
    void init() {
        root_ = std::make_unique<QTemporaryDir>();
        QVERIFY(root_->isValid());
        CDataStoreMgr::GetDataStoreMgrInstance()->SetFilesRoot(root_->path());
    }

    void behavesAsListWithIndex_data() {
        QTest::addColumn<int>("capacity");
        QTest::addColumn<quint32>("seed");
        QTest::newRow("capacity 1") << 1 << 1u;
        QTest::newRow("capacity 10") << 10 << 3u;
        QTest::newRow("capacity 100") << 100 << 4u;
    }

    // Random puts, gets and removes over three times the capacity's worth of keys, for every kind
    // of index the cache picks (qHash, std::hash, ordered) and for keys whose hashes collide: the
    // same keys in the same order as the plain list with an index, after every step.
    void behavesAsListWithIndex() {
        QFETCH(int, capacity);
        QFETCH(quint32, seed);
        CheckAgainstReference<QString>(capacity, seed, [](int i) { return QString::number(i); });
        CheckAgainstReference<std::string>(capacity, seed, [](int i) { return std::to_string(i); });
        CheckAgainstReference<OrderedOnlyKey>(capacity, seed,
                                              [](int i) { return OrderedOnlyKey{i}; });
        CheckAgainstReference<CollidingKey>(capacity, seed, [](int i) { return CollidingKey{i}; });
    }

    // A miss asks the loader once; what it loaded is cached and not handed back to the saver
    // (the file would be written again on every load); what is put is saved, once a put; a key
    // neither has is a miss, and Get's exception.
    void loadedValuesAreCachedNotSavedAgain() {
        ResponseCache<QString, int> cache(2);
        QStringList loads;
        QStringList saves;
        std::mutex savesLock;
        cache.SetLoader(std::make_shared<cache::LambdaOnLoadFromDiskCacheListener<QString, int>>(
            [&loads](const QString& key, int& value) {
                loads << key;
                value = 7;
                return key == "on disk";
            }));
        cache.SetSaver(std::make_shared<cache::LambdaOnSaveToDiskCacheListener<QString, int>>(
            [&saves, &savesLock](const QString& key, int value) {
                std::lock_guard<std::mutex> guard(savesLock);
                saves << QString("%1=%2").arg(key).arg(value);
                return true;
            }));
        int value = 0;
        QVERIFY(cache.TryGet("on disk", value));
        QCOMPARE(value, 7);
        QVERIFY(cache.TryGet("on disk", value));
        cache.Put("put", 3);
        QVERIFY(!cache.TryGet("nowhere", value));
        QVERIFY_EXCEPTION_THROWN(cache.Get("nowhere"), std::range_error);
        cache.WaitForSaves();
        QCOMPARE(loads, (QStringList{"on disk", "nowhere", "nowhere"}));
        QCOMPARE(saves, QStringList{"put=3"});
        QCOMPARE(cache.Keys(), (QList<QString>{"put", "on disk"}));
    }

    void checksumIsTheTableWalkFromZero() {
        // Reflected 0xEDB88320, started at 0, no final complement (values from a plain table walk).
        QCOMPARE(Checksum(QByteArray()), 0u);
        QCOMPARE(Checksum(QByteArray("123456789")), 0x2DFD2D88u);
        QCOMPARE(Checksum(QByteArray("\x00\xFF\x80\x01\x7F", 5)), 0xE691409Du);
    }

    void pathFollowsPatternRefusingHostileNames_data() {
        QTest::addColumn<QStringList>("codeAndCycle");
        QTest::addColumn<QString>("tail");  // empty: refused
        const QString v = "/history/v20200101/";
        QTest::newRow("code and cycle")
            << QStringList{"SH600000", "day"} << v + "SH/day/2-12844/SH600000.dat";
        QTest::newRow("empty cycle")
            << QStringList{"SZ000001", ""} << v + "SZ/default/2-12844/SZ000001.dat";
        QTest::newRow("dot-dot code") << QStringList{"../x", "day"} << QString();
        QTest::newRow("dot-dot cycle") << QStringList{"SH600000", ".."} << QString();
    }

    void pathFollowsPatternRefusingHostileNames() {
        QFETCH(QStringList, codeAndCycle);
        QFETCH(QString, tail);
        const QString code = codeAndCycle.at(0);
        const QString cycle = codeAndCycle.at(1);
        if (!tail.isEmpty()) {
            QCOMPARE(FilePath(code, cycle), root_->path() + "/cache" + tail);
            return;
        }
        for (int i = 0; i < 3; ++i)
            QTest::ignoreMessage(QtWarningMsg,
                                 "qzLv2quoter {:SEPARATOR} refused a history file name that leaves "
                                 "the cache directory");
        QCOMPARE(FilePath(code, cycle), QString());
        QVERIFY(!RecFile().Save(code, cycle, kSample));
        HistoryData<Rec> loaded;
        QVERIFY(!RecFile().Load(code, cycle, loaded));
        QDirIterator it(root_->path(), QDir::Files, QDirIterator::Subdirectories);
        QVERIFY2(!it.hasNext(), "nothing may be written anywhere");
    }

    void savedAndHandLaidFilesLoadMissingOneIsQuiet() {
        QVERIFY(RecFile().Save("SH600000", "day", kSample));
        QFile saved(FilePath("SH600000", "day"));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), HandFile(kSampleBlock, 20200101, 20200403, kBanner));
        HistoryData<Rec> loaded;
        loaded.records = {1};  // loading appends
        QVERIFY(RecFile().Load("SH600000", "day", loaded));
        QCOMPARE(loaded.flag, true);
        QCOMPARE(loaded.value8, quint8(0xAB));
        QCOMPARE(loaded.records, (std::vector<Rec>{1, 1000000, -42}));
        WriteRaw(FilePath("SZ000001", ""), HandFile(kSampleBlock));  // another banner
        HistoryData<Rec> hand;
        QVERIFY(RecFile().Load("SZ000001", "", hand));
        QCOMPARE(hand.records, kSample.records);
        static int warnings = 0;  // seen while the handler below is installed
        const QtMessageHandler previous =
            qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString&) {
                warnings += type == QtWarningMsg ? 1 : 0;
            });
        const bool found = RecFile().Load("SH600001", "day", hand);
        qInstallMessageHandler(previous);
        QVERIFY(!found);
        QCOMPARE(warnings, 0);  // a file never written is an ordinary miss
    }

    void recordCountIsAnUnsigned16BitField_data() {
        QTest::addColumn<int>("records");
        QTest::addColumn<bool>("kept");
        QTest::newRow("65535 records: the most a file holds") << 65535 << true;
        QTest::newRow("65536 records: not kept") << 65536 << false;
    }

    // Read as unsigned: 65535 records load back whole; one more is refused at the save, and the
    // file already there stays.
    void recordCountIsAnUnsigned16BitField() {
        QFETCH(int, records);
        QFETCH(bool, kept);
        QVERIFY(RecFile().Save("SH600000", "day", kSample));
        HistoryData<Rec> many{false, 1, {}};
        for (int i = 0; i < records; ++i)
            many.records.push_back(-i);
        const SaveOutcome outcome = RecFile().Save("SH600000", "day", many);
        QCOMPARE(outcome.error,
                 kept ? QString() : QString("65536 records, more than a file holds"));
        HistoryData<Rec> loaded;
        QVERIFY(RecFile().Load("SH600000", "day", loaded));
        QCOMPARE(loaded.records, kept ? many.records : kSample.records);
    }

    void rejectedFileWarns_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("warning");
        const QByteArray block = kSampleBlock;
        const QByteArray good = HandFile(block);
        const QString destroyed = "dataset {:SEPARATOR} stored content may be destroyed";
        QTest::newRow("last record byte flipped") << Flipped(good, good.size() - 1) << destroyed;
        QTest::newRow("data version") << HandFile(block, 20200101, 20200402)
                                      << "dataset {:SEPARATOR} data version not matched";
        QTest::newRow("format version")
            << HandFile(block, 20190101)
            << "dataset {:SEPARATOR} stored content version not matched";
        // Two records announced, one and a half there: the checksum matches what is there.
        QTest::newRow("cut in a record") << HandFile(block.left(block.size() - 3)) << kTruncated;
        QTest::newRow("data shorter than its length")
            << HandFile(block, 20200101, 20200403, "b", 100) << kTruncated;
    }

    void rejectedFileWarns() {
        QFETCH(QByteArray, file);
        QFETCH(QString, warning);
        WriteRaw(FilePath("SH600000", "day"), file);
        QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        HistoryData<Rec> loaded;
        QVERIFY(!RecFile().Load("SH600000", "day", loaded));
        QVERIFY(loaded.records.empty());
    }

private:
    std::unique_ptr<QTemporaryDir> root_;
};

QTEST_GUILESS_MAIN(TestResponseCache)
#include "tst_responsecache.moc"
