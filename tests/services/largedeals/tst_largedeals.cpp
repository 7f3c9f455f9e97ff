// Large deals (12990): the decoder, the paged merge, the one-row join and the call.
#include <QRegularExpression>
#include <QThread>
#include <QtTest>

#include <algorithm>
#include <atomic>

#include "host/core/HostClock.h"
#include "host/quoter/DealsQuoteData.h"
#include "services/largedeals/LargeDealDecoder.h"
#include "services/largedeals/QzLv2NewLargeScopeResolver.h"
#include "services/largedeals/QzLv2RemoteApiCall_12990.h"
#include "tests/services/CallTestSupport.h"
#include "tests/services/HandLaid.h"

using namespace calltest;
using Topic = ResponsePkgTopic_12990;
using Call = QzLv2RemoteApiCall_12990;

namespace {

struct Deal {
    quint32 time;
    qint32 price, number, in, out;
};

// 4 + 4 bytes, code, u16 header, i32 first sequence, u16 N, then 44-byte records: time, price,
// number, two 8-byte values (carried), in, out, two i32 (carried).
QByteArray Body(const QString& code, qint32 first, const QVector<Deal>& deals, int announced = -1) {
    HandLaid b;
    b.u32(0xCAFEBABE).u32(0x11223344).str(code).u16(0x1234).i32(first);
    b.u16(quint32(announced < 0 ? deals.size() : announced));
    for (const Deal& d : deals) {
        b.u32(d.time).i32(d.price).i32(d.number).u32(1).u32(2).u32(3).u32(4);
        b.i32(d.in).i32(d.out).i32(-5).i32(6);
    }
    return b.bytes();
}

QVector<qint32> Sequences(const QVector<LargeDealRecord>& records) {
    QVector<qint32> out;
    for (const LargeDealRecord& r : records)
        out << r.sequence;
    return out;
}

const ResponsePkgEntity_12990* Entity(const QuoteTaskExecMidResult& result) {
    return dynamic_cast<const ResponsePkgEntity_12990*>(result.data.data());
}

ScopeTreeNode LargeNode(const QString& code) {
    ScopeTreeNode node = NodeFor(code, "12990");
    node.scope_type = ScopeTypeVariant("lv2_cjdd");
    node.variant = QString("ddts");
    return node;
}

}  // namespace

Q_DECLARE_METATYPE(QVector<qint32>)

class TestLargeDeals : public CallTest {
    Q_OBJECT

private slots:
    void recordCountsAndBadBodies_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("records");
        const Deal d{93000, 100, 1, 1, 0};
        QTest::newRow("latest, announces 0, carries one") << 2 << Body("SH600000", 7, {d}, 0) << 1;
        QTest::newRow("paged, announces 0") << 1 << Body("SH600000", 7, {}, 0) << 0;
        QTest::newRow("paged, three") << 1 << Body("SH600000", 7, {d, d, d}) << 3;
        QTest::newRow("latest, announces 0, carries none") << 2 << Body("SH600000", 7, {}, 0) << -1;
        QTest::newRow("count says 3, two there") << 1 << Body("SH600000", 7, {d, d}, 3) << -1;
        QTest::newRow("count 65535, one there") << 1 << Body("SH600000", 7, {d}, 65535) << -1;
        QTest::newRow("count 0x8000, all there")
            << 1 << Body("SH600000", 7, QVector<Deal>(0x8000, d)) << 0x8000;
        QTest::newRow("record cut at 43 bytes") << 1 << Body("SH600000", 7, {d}).chopped(1) << -1;
        QTest::newRow("code longer than the body")
            << 1 << HandLaid().u32(0).u32(0).u16(200).bytes() << -1;
        QTest::newRow("empty") << 1 << QByteArray() << -1;
    }

    void recordCountsAndBadBodies() {
        QFETCH(int, kind);
        QFETCH(QByteArray, body);
        QFETCH(int, records);
        const auto decoded = largedeal::DecodeLargeDealBody(body, kind);
        QCOMPARE(decoded.ok, records >= 0);
        if (records < 0) {
            QVERIFY(decoded.error.startsWith("DecodeLargeDealBody: read of"));
            QVERIFY(decoded.error.contains(QString("body length %1").arg(body.size())));
            return;
        }
        QCOMPARE(decoded.record->records.size(), records);
        QCOMPARE(decoded.record->next_sequence, 7 + records);
    }

    void mergeAscendingNewReplacesSame_data() {
        QTest::addColumn<QVector<qint32>>("cached");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("count");
        QTest::addColumn<QVector<qint32>>("merged");
        QTest::newRow("into nothing") << QVector<qint32>{} << 5 << 3 << QVector<qint32>{5, 6, 7};
        QTest::newRow("after") << QVector<qint32>{1, 2} << 5 << 2 << QVector<qint32>{1, 2, 5, 6};
        QTest::newRow("before") << QVector<qint32>{8, 9} << 1 << 2 << QVector<qint32>{1, 2, 8, 9};
        QTest::newRow("overlapping")
            << QVector<qint32>{1, 2, 3, 4} << 3 << 3 << QVector<qint32>{1, 2, 3, 4, 5};
        QTest::newRow("inside a gap")
            << QVector<qint32>{1, 10} << 4 << 2 << QVector<qint32>{1, 4, 5, 10};
    }

    void mergeAscendingNewReplacesSame() {
        QFETCH(QVector<qint32>, cached);
        QFETCH(int, first);
        QFETCH(int, count);
        QFETCH(QVector<qint32>, merged);
        LargeDealCacheEntry entry;
        for (qint32 s : cached)
            entry.records.append(LargeDealRecord{s, 0, 0, 1, 0, 0, 0, 0, 0, 0});
        entry.total_bytes = 100;
        ResponsePkgEntity_12990 answer;
        for (int i = 0; i < count; ++i)
            answer.records.append(LargeDealRecord{first + i, 0, 0, 2, 0, 0, 0, 0, 0, 0});
        answer.next_sequence = first + count;
        const LargeDealCacheEntry result = entry.Merged(answer, 44);
        QCOMPARE(Sequences(result.records), merged);
        for (const LargeDealRecord& r : result.records)  // the answer's records won
            QCOMPARE(r.number, r.sequence >= first && r.sequence < first + count ? 2 : 1);
        QCOMPARE(result.next_sequence, first + count);
        QCOMPARE(result.total_bytes, qint64(144));
    }

    void mergeKeepsTheNewest4096_data() {
        QTest::addColumn<int>("cached");
        QTest::addColumn<int>("first");  // the lowest sequence kept
        QTest::newRow("4096 in all: none dropped") << 4095 << 0;
        QTest::newRow("4097 in all: the oldest dropped") << 4096 << 1;
    }

    void mergeKeepsTheNewest4096() {
        QFETCH(int, cached);
        QFETCH(int, first);
        LargeDealCacheEntry entry;
        for (int i = 0; i < cached; ++i)
            entry.records.append(LargeDealRecord{i, 0, 0, 0, 0, 0, 0, 0, 0, 0});
        ResponsePkgEntity_12990 answer;
        answer.records = {LargeDealRecord{5000, 0, 0, 0, 0, 0, 0, 0, 0, 0}};
        entry = entry.Merged(answer, 1);
        QCOMPARE(entry.records.size(), 4096);
        QCOMPARE(entry.records.first().sequence, first);
        QCOMPARE(entry.records.last().sequence, 5000);
    }

    void joinTakesExactlyOneRecord_data() {
        QTest::addColumn<int>("records");
        QTest::newRow("no data") << -1;
        QTest::newRow("none") << 0;
        QTest::newRow("one") << 1;
        QTest::newRow("two") << 2;
    }

    // From the wire: the time is unsigned (above 2^31 it stays positive), price and volumes are
    // signed, sequences count on from a negative first one.
    void joinTakesExactlyOneRecord() {
        QFETCH(int, records);
        ScopeTreeNode source = LargeNode("SZ300750");
        if (records >= 0) {
            const auto decoded = largedeal::DecodeLargeDealBody(
                Body("SZ300750", -2,
                     QVector<Deal>(records, {0x80000000u + 93000, -1234, -50000, -30000, -20000})),
                largedeal::kPagedKind);
            QVERIFY2(decoded.ok, qPrintable(decoded.error));
            QCOMPARE(Sequences(decoded.record->records), (QVector<qint32>{-2, -1}).mid(0, records));
            QCOMPARE(decoded.record->next_sequence, -2 + records);
            QCOMPARE(int(decoded.record->header_byte), 0x34);
            source.quote_data = QSharedPointer<ResponsePkgEntity_12990>::create(*decoded.record);
        }
        ScopeTreeNode target = ScopeTreeNode::NewRoot(ScopeTypeVariant(18));
        const auto earlier = QSharedPointer<DealsQuoteData>::create();
        target.quote_data = earlier;
        const bool joined = largedeal::JoinLatestLargeDeal(target, source).IsSuccess();
        QCOMPARE(joined, records == 1);
        if (!joined) {
            QCOMPARE(target.quote_data, QSharedPointer<QuoteData>(earlier));
            return;
        }
        const auto* table = dynamic_cast<const DealsQuoteData*>(target.quote_data.data());
        QVERIFY(table != nullptr);
        QCOMPARE(table->rows.size(), 1);
        const nscell::DataRow& row = table->rows[0];
        QCOMPARE(row.Names(),
                 (QStringList{"In_number", "Out_number", "deal_price", "number", "time"}));
        QCOMPARE(row.Get("time").ToInt64(), qint64(0x80000000u + 93000));
        QCOMPARE(row.Get("deal_price").DisplayText(), QString("-12.34"));
        QCOMPARE(row.Get("number"), nscell::UnsharedDataCell::FromBigInteger(-50000));
        QCOMPARE(row.Get("In_number"), nscell::UnsharedDataCell::FromBigInteger(-30000));
        QCOMPARE(row.Get("Out_number"), nscell::UnsharedDataCell::FromBigInteger(-20000));
    }

    void requestParamsOfBothKinds_data() {
        QTest::addColumn<QString>("indicator");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("params");
        const auto row = [](const char* name, const char* indicator, int index, int count,
                            int start, int number, int kind) {
            QTest::newRow(name) << QString(indicator) << index << count
                                << QStringList{"String=SZ300750", QString("Int32=%1").arg(start),
                                               QString("Int16=%1").arg(number),
                                               QString("Int16=%1").arg(kind)};
        };
        row("ddts ignores index and count", "ddts", 30, 40, 0, 1, 2);
        row("paged, index 0 becomes 1", "cjmx", 0, 20, 1, 20, 1);
        row("paged, index 7", "cjmx", 7, 20, 7, 20, 1);
        row("paged, last 20", "cjmx", -1, -20, 0, 20, 1);
        row("paged, last 20, positive count", "cjmx", -1, 20, 0, 20, 1);
        row("ddts is exact", "DDTS", 0, 5, 1, 5, 1);
    }

    void requestParamsOfBothKinds() {
        QFETCH(QString, indicator);
        QFETCH(int, index);
        QFETCH(int, count);
        QFETCH(QStringList, params);
        QCOMPARE(Flatten(Call::RequestParamsFor(Topic("SZ300750", indicator, index, count))),
                 params);
    }

    void latestDealsArePublishedUncached() {
        const auto call = h_.Make<Call>();
        QVERIFY(h_.accessor->IsSerial(12990));
        const ScopeTreeNode node = LargeNode("SZ300750");
        call->AttachNode(node);
        const ServerRequest request = h_.WaitForRequestOf(12990, 1);
        QVERIFY(
            h_.backend->Answer(request, Body("SZ300750", 3, {{93000, 1234, 500, 300, 200}}, 0)));
        const QuoteTaskExecMidResult delivered = h_.Next();
        QCOMPARE(delivered.scope_id, node.scope_id);
        QCOMPARE(Entity(delivered)->records.size(), 1);
        const Topic topic("SZ300750", "ddts");
        QTRY_VERIFY_WITH_TIMEOUT(call->GetDriver()->PollingSet().Contains(topic), kWaitMs);
        QVERIFY(!call->Cache().Contains(topic));
    }

    void pagedAnswersMergeCacheAndReplay() {
        const auto call = h_.Make<Call>();
        ScopeTreeNode node = LargeNode("SH600000");
        node.variant = QString("cjmx");
        call->AttachNode(node);
        const ServerRequest request = h_.WaitForRequestOf(12990, 1);
        const Topic topic("SH600000", "cjmx");
        const Deal d{93000, 1000, 100, 60, 40};
        const QByteArray first = Body("SH600000", 1, {d, d});
        const QByteArray second = Body("SH600000", 2, {{94000, 1001, 200, 0, 200}, d});
        ExpectWarning("lv2-12990", "DecodeLargeDealBody: read of 88 bytes at offset 26");
        QVERIFY(h_.backend->Answer(request, first));
        QVERIFY(h_.backend->Answer(request, Body("SH600000", 9, {d}, 2)));
        QVERIFY(h_.backend->Answer(request, second));
        QCOMPARE(h_.Take(2).size(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(call->Cache().Get(topic)->records.size(), 3, kWaitMs);
        const LargeDealCacheValue entry = call->Cache().Get(topic);
        QCOMPARE(Sequences(entry->records), (QVector<qint32>{1, 2, 3}));
        QCOMPARE(entry->records[1].number, 200);  // the second answer's record 2
        QCOMPARE(entry->total_bytes, qint64(first.size() + second.size()));

        ScopeTreeNode late = node;
        late.scope_id = ScopeTreeNode::NextScopeId();
        call->AttachNode(late);
        QCOMPARE(h_.Queued(), 1);
        const QuoteTaskExecMidResult replayed = h_.Next();
        QCOMPARE(replayed.scope_id, late.scope_id);
        QCOMPARE(Sequences(Entity(replayed)->records), (QVector<qint32>{1, 2, 3}));
    }

    void marketClearingDropsOnlyThatMarket_data() {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("SH") << QByteArray("SH") << QStringList{"SZ300750", "SZ000001"};
        const QStringList all{"SZ300750", "SH600000", "SZ000001"};
        QTest::newRow("three letters") << QByteArray("SZ3") << all;
        QTest::newRow("one letter") << QByteArray("S") << all;
        QTest::newRow("empty") << QByteArray() << all;
    }

    void marketClearingDropsOnlyThatMarket() {
        QFETCH(QByteArray, payload);
        QFETCH(QStringList, kept);
        const auto call = h_.Make<Call>();
        for (const char* code : {"SZ000001", "SH600000", "SZ300750"})
            QVERIFY(
                call->HandleAnswer(Topic(code, "cjmx"), 1, Body(code, 1, {{93000, 1, 1, 1, 0}})));
        for (const Topic& topic : call->Cache().Keys()) {
            if (!kept.contains(topic.Code()))
                QTest::ignoreMessage(
                    QtInfoMsg,
                    qPrintable("lv2-12990 {:SEPARATOR} clean cached cjmx - " + topic.Code()));
        }
        h_.context->GetBroadcaster()->Publish(QString::fromUtf8("清理个股实时缓存(市场缩码)"),
                                              payload);
        QStringList codes;
        for (const Topic& topic : call->Cache().Keys())
            codes << topic.Code();
        QCOMPARE(codes, kept);
    }
};

QTEST_GUILESS_MAIN(TestLargeDeals)
#include "tst_largedeals.moc"
