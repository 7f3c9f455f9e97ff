#include <QtTest>

#include <QThread>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "framework/ResponseCache.h"

namespace {

using Cache = ResponseCache<std::string, int>;

std::string Key(int i) {
    return "SH" + std::to_string(600000 + i);
}

}  // namespace

class TestResponseCache : public QObject {
    Q_OBJECT

private slots:
    void evictsLeastRecentlyUsedBeyondCapacity();
    void getCountsAsUse();
    void putOfExistingKeyReplacesAndMovesToFront();
    void missThrowsRangeError();
    void removeAndContains();
    void loaderFillsMissWithoutSaving();
    void failingLoaderStillThrows();
    void saverRunsInBackgroundWithCopy();
    void capacityTenKeepsTenMostRecent();
};

void TestResponseCache::evictsLeastRecentlyUsedBeyondCapacity() {
    Cache cache(100);
    for (int i = 0; i < 101; ++i) {
        cache.Put(Key(i), i);
    }
    QCOMPARE(cache.Size(), 100);
    QVERIFY(!cache.Contains(Key(0)));
    QVERIFY(cache.Contains(Key(1)));
    QVERIFY(cache.Contains(Key(100)));
    QCOMPARE(cache.Keys().first(), Key(100));
    QCOMPARE(cache.Keys().last(), Key(1));
}

void TestResponseCache::getCountsAsUse() {
    Cache cache(100);
    for (int i = 0; i < 100; ++i) {
        cache.Put(Key(i), i);
    }
    QCOMPARE(cache.Get(Key(0)), 0);  // now the most recent: Key(1) is the oldest
    cache.Put(Key(100), 100);
    QVERIFY(cache.Contains(Key(0)));
    QVERIFY(!cache.Contains(Key(1)));
    QCOMPARE(cache.Keys().at(1), Key(0));
}

void TestResponseCache::putOfExistingKeyReplacesAndMovesToFront() {
    Cache cache(3);
    cache.Put("a", 1);
    cache.Put("b", 2);
    cache.Put("c", 3);
    cache.Put("a", 10);
    QCOMPARE(cache.Size(), 3);
    QCOMPARE(cache.Keys(), (QList<std::string>{"a", "c", "b"}));
    QCOMPARE(cache.Get("a"), 10);
    cache.Put("d", 4);  // evicts b, the least recently used
    QCOMPARE(cache.Keys(), (QList<std::string>{"d", "a", "c"}));
}

void TestResponseCache::missThrowsRangeError() {
    Cache cache(2);
    cache.Put("a", 1);
    try {
        cache.Get("b");
        QFAIL("a miss must throw");
    } catch (const std::range_error& error) {
        QCOMPARE(QString(error.what()), QString("There is no such key in cache"));
    }
    QCOMPARE(cache.Keys(), (QList<std::string>{"a"}));
}

void TestResponseCache::removeAndContains() {
    Cache cache(2);
    cache.Put("a", 1);
    cache.Put("b", 2);
    cache.Remove("a");
    cache.Remove("zz");  // absent: nothing happens
    QVERIFY(!cache.Contains("a"));
    QCOMPARE(cache.Size(), 1);
    cache.Put("c", 3);
    cache.Put("d", 4);  // with "a" gone, "b" is the one evicted
    QCOMPARE(cache.Keys(), (QList<std::string>{"d", "c"}));
}

void TestResponseCache::loaderFillsMissWithoutSaving() {
    Cache cache(2);
    int loads = 0;
    std::atomic<int> saves{0};
    cache.SetLoader(std::make_shared<cache::LambdaOnLoadFromDiskCacheListener<std::string, int>>(
        [&loads](const std::string& key, int& value) {
            ++loads;
            value = static_cast<int>(key.size());
            return true;
        }));
    cache.SetSaver(std::make_shared<cache::LambdaOnSaveToDiskCacheListener<std::string, int>>(
        [&saves](const std::string&, const int&) {
            ++saves;
            return true;
        }));
    QCOMPARE(cache.Get("abcd"), 4);
    QCOMPARE(cache.Get("abcd"), 4);  // second time from memory
    QCOMPARE(loads, 1);
    cache.WaitForSaves();
    QCOMPARE(saves.load(), 0);
    cache.Put("x", 1);
    cache.WaitForSaves();
    QCOMPARE(saves.load(), 1);
}

void TestResponseCache::failingLoaderStillThrows() {
    Cache cache(2);
    cache.SetLoader(std::make_shared<cache::LambdaOnLoadFromDiskCacheListener<std::string, int>>(
        [](const std::string&, int&) { return false; }));
    QVERIFY_EXCEPTION_THROWN(cache.Get("a"), std::range_error);
    QCOMPARE(cache.Size(), 0);
}

void TestResponseCache::saverRunsInBackgroundWithCopy() {
    ResponseCache<int, std::vector<int>> cache(4);
    std::vector<int> seen;
    std::thread::id saverThread;
    cache.SetSaver(std::make_shared<cache::LambdaOnSaveToDiskCacheListener<int, std::vector<int>>>(
        [&](const int&, const std::vector<int>& value) {
            saverThread = std::this_thread::get_id();
            seen = value;
            return true;
        }));
    std::vector<int> value{1, 2, 3};
    cache.Put(7, value);
    value.push_back(4);  // the caller's later change must not reach the save
    cache.WaitForSaves();
    QCOMPARE(seen, (std::vector<int>{1, 2, 3}));
    QVERIFY(saverThread != std::this_thread::get_id());
    QVERIFY(saverThread != std::thread::id());
}

void TestResponseCache::capacityTenKeepsTenMostRecent() {
    Cache cache(10);
    for (int i = 0; i < 25; ++i) {
        cache.Put(Key(i % 12), i);
    }
    QCOMPARE(cache.Size(), 10);
    QCOMPARE(cache.Capacity(), 10);
    // The last puts were 13..24 -> keys 1..11 then 0; the two oldest of those (1, 2) are gone.
    QVERIFY(!cache.Contains(Key(1)));
    QVERIFY(!cache.Contains(Key(2)));
    QCOMPARE(cache.Get(Key(0)), 24);
}

QTEST_GUILESS_MAIN(TestResponseCache)
#include "tst_responsecache.moc"
