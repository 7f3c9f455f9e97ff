// The stock boards: the 10002, 12755 and 10012 decoders on hand-laid bytes, the board resolver
// and its joins, and the 10002 (with 10000/10001), 10012 and 12755 calls on a scripted server.
#include <QtTest>

#include "host/core/HostClock.h"
#include "host/quoter/BaseQuoteData.h"
#include "host/quoter/QuoteDataSourceHandlerConfiguration.h"
#include "host/quoter/ScopeResolveResult.h"
#include "services/stockboard/QzLv2RemoteApiCall_10002.h"
#include "services/stockboard/QzLv2RemoteApiCall_10012.h"
#include "services/stockboard/QzLv2RemoteApiCall_12755_Stock_Related.h"
#include "services/stockboard/QzLv2StockBoardScopeResolver.h"
#include "services/stockboard/ResponsePkgEntity_10002.h"
#include "services/stockboard/StockDataSetDecoder.h"
#include "services/stockboard/StockRelatedDecoder.h"
#include "services/stockboard/StockSnapshotDecoder.h"
#include "tests/services/CallTestSupport.h"
#include "tests/services/HandLaid.h"

using namespace calltest;
using Topic = ResponsePkgTopic_10002;
using SnapshotCall = QzLv2RemoteApiCall_10002;
using StockRelatedCall = QzLv2RemoteApiCall_12755_Stock_Related;

namespace {

// 10002 records, the first with every bit of all three masks set, laid out in table order.
HandLaid FullRecordBody(quint16 records = 1, quint16 auctionCountOpen = 2,
                        quint16 auctionCountClose = 1) {
    HandLaid b;
    b.header14().u16(records);
    b.u32(0x797FFFFF).u32(0x607E7E5F).u32(0x5004);
    // mask 1
    b.str("SZ000001").str(QString::fromUtf8("平安银行"));
    b.u8(2).u8(1).i32(1050).u16(0x0102);
    for (int i = 0; i < 10; ++i)
        b.i32(1049 - i).u32(100 + i);  // bids
    for (int i = 0; i < 10; ++i)
        b.i32(1051 + i).u32(200 + i);                        // asks
    b.i32(1040).i32(1080).i32(1030).i32(1060);               // open, high, low, last
    b.packed(0, 123456).packed(1, 0x3ABCDE00).packed(2, 5);  // volume, amount, current
    b.packed(0, 600).packed(0, 700);                         // inner, outer
    b.packed(3, 0x3FFFFFFF).packed(0, 900);                  // bid/ask totals
    b.u32(4321).i16(-1234).u16(150).u16(321).u16(243);
    b.i32(1055).i32(1155).i32(945).i32(-876).u32(143005).u32(20240315);
    // mask 2
    b.u32(1940592).u8(1).u32(1940555).u16(11).u16(22).u16(3);
    b.i32(125).i32(-250).i32(375).i32(-500).i32(625).i32(-750);
    b.i32(12345);                                             // 0x40
    b.str("BK0475").str(QString::fromUtf8("银行")).i32(-87);  // 0x200
    b.u8(1).i16(-321).i32(54321).i32(-12345).u8(9).u8(2);     // 0x400 .. 0x4000
    b.i32(234567).i32(-345678).i32(456789);                   // money flows 5/10/20d
    b.i16(4321).i16(-3).i32(65);                              // 0x100000, 0x200000, 0x400000
    b.u8(1).u8(25).u8(7);                                     // 0x20000000
    b.i32(1041).u32(12000).u16(auctionCountOpen);             // 0x40000000
    for (int i = 0; i < 2; ++i)
        b.u32(91500 + i).i32(1039 + i).u32(1000 * (i + 1));
    b.i32(1061).u32(34000).u16(auctionCountClose);
    b.u32(145700).i32(1062).u32(5555);
    // mask 3
    b.i32(1001).i32(-999);
    b.u8(2).u16(17).u32(56000).u32(690000).u16(1530);
    b.u8(1).u8(2).i32(1033);
    return b;
}

ScopeTreeNode BoardNode(const QString& code, const QStringList& keys) {
    ScopeTreeNode node(2);
    node.stock_list = StockListExpression::FromStockCode(code);
    node.key_list = KeyListExpression::FromKeyList(keys);
    node.shared_block = {{11, 22}};
    auto earlier = QSharedPointer<BaseQuoteData>::create();  // each key "earlier"
    for (const QString& key : keys)
        earlier->row.Set(key, nscell::UnsharedDataCell("earlier"));
    node.quote_data = earlier;
    return node;
}

// The quote data a join receives from a decoded record (null if the body was rejected).
template <typename Entity, typename Record>
QSharedPointer<QuoteData> DataOf(const DecodeResult<Record>& r) {
    return r.ok ? QSharedPointer<QuoteData>(new Entity(*r.record)) : QSharedPointer<QuoteData>();
}

QSharedPointer<QuoteData> StockRelatedData(const QString& code, int category) {
    return DataOf<ResponsePkgEntity_12755>(
        DecodeStockRelatedBody(StockRelatedBody(code, 105, 0x40000400, 0x20, quint8(category))));
}

double Single(qint32 v) {
    return double(float(v) / 10000.0f);
}

const char* const kRelated = "12755_stock_related";

// A one-record 10002 answer: code, name, optionally the stock type (snapshot kind), last price.
QByteArray SnapshotBody(const QString& code, bool stockType, qint32 last,
                        const QString& name = "N") {
    HandLaid b;
    const quint32 mask1 = 0x1 | 0x2 | (stockType ? 0x20 : 0) | 0x800;
    b.header14().u16(1).u32(mask1).u32(0).u32(0).str(code).str(name);
    if (stockType)
        b.u16(7);
    return b.i32(last).bytes();
}

// A 10001 push carrying only code and last price.
QByteArray LastPricePush(const QString& code, qint32 last) {
    HandLaid b;
    return b.header14().u16(1).u32(0x1 | 0x800).u32(0).u32(0).str(code).i32(last).bytes();
}

QByteArray StockRelated(const QString& code) {
    return StockRelatedBody(code, 107, 0x40000400, 0x20);
}

const StockSnapshot* SnapshotOf(const QuoteTaskExecMidResult& result) {
    const auto* entity = dynamic_cast<const ResponsePkgEntity_10002*>(result.data.data());
    return entity != nullptr ? &entity->snapshot : nullptr;
}

}  // namespace

class TestStockBoard : public CallTest {
    Q_OBJECT

private slots:
    void initTestCase() {
        configuration_.lv2_feature = PatternFeatureStatement(1, "LV2", "(SH|SZ)\\d{6}");
        configuration_.SetExcludedCodeSet({"SH600666"});
        resolver_ = std::make_unique<QzLv2StockBoardScopeResolver>(&configuration_);
        resolver_->Init();
    }

    void snapshotFullRecordFromHandLaidBytes() {
        // A second record, cut short, follows: only the first is read.
        HandLaid body = FullRecordBody(2);
        body.u32(0x3).u32(0).u32(0).str("SH600001");
        const DecodeResult<StockSnapshot> r = DecodeStockSnapshotBody(body.bytes());
        QVERIFY2(r.ok, qPrintable(r.error));
        QVERIFY(r.record.has_value());
        const StockSnapshot& s = *r.record;
        QCOMPARE((QList<quint32>{s.mask1, s.carried2, s.mask3}),
                 (QList<quint32>{0x797FFFFF, 0x607E7E5F, 0x5004}));
        QCOMPARE((QStringList{s.code, s.market(), s.name, s.industry_code, s.industry_name}),
                 (QStringList{"SZ000001", "SZ", QString::fromUtf8("平安银行"), "BK0475",
                              QString::fromUtf8("银行")}));
        QCOMPARE(s.bids[0], (PriceLevel{1049, 100}));
        QCOMPARE(s.bids[9], (PriceLevel{1040, 109}));
        QCOMPARE(s.asks[0], (PriceLevel{1051, 200}));
        QCOMPARE(s.asks[9], (PriceLevel{1060, 209}));
        QCOMPARE(s.period_changes, (std::array<qint32, 6>{{125, -250, 375, -500, 625, -750}}));
        QCOMPARE(s.open_auction_points, (AuctionPoints{{91500, 1039, 1000}, {91501, 1040, 2000}}));
        QCOMPARE(s.close_auction_points, (AuctionPoints{{145700, 1062, 5555}}));
        const QList<qint64> got = {
            s.price_precision, s.trade_status, s.base_price, s.prev_close, s.stock_type,
            s.open_price, s.high_price, s.low_price, s.last_price, s.volume, s.amount,
            s.current_volume, s.inner_volume, s.outer_volume, s.total_bid_volume,
            s.total_ask_volume, s.deal_count, s.order_ratio, s.volume_ratio, s.turnover_rate,
            s.amplitude, s.average_price, s.limit_up_price, s.limit_down_price, s.pe_ratio,
            s.update_time, s.trade_date,
            // mask 2
            s.total_shares, s.margin_flag, s.float_shares, s.rise_count, s.fall_count, s.flat_count,
            s.float_ratio_today, s.industry_change, s.connect_flag, s.turnover_ratio_5d,
            s.float_ratio_5d, s.money_flow_today, s.listing_board, s.transfer_type, s.money_flow_5d,
            s.money_flow_10d, s.money_flow_20d, s.big_order_ratio, s.streak_days, s.pb_ratio,
            s.board_market, s.board_category, s.board_subcategory, s.open_auction_price,
            s.open_auction_volume, s.close_auction_price, s.close_auction_volume,
            // mask 3
            s.iopv, s.prev_iopv, s.after_hours_status, s.after_hours_deal_count,
            s.after_hours_volume, s.after_hours_amount, s.after_hours_time, s.vcm_flag, s.vcm_stage,
            s.vcm_reference_price};
        const QList<qint64> want = {
            2, 1, 1050, 1050, 0x0102, 1040, 1080, 1030, 1060, 123456, qint64(0x3ABCDE00) << 4,
            5 << 8, 600, 700, qint64(0x3FFFFFFF) << 12, 900, 4321, -1234, 150, 321, 243, 1055, 1155,
            945, -876, 143005, 20240315,
            // mask 2
            1940592, 1, 1940555, 11, 22, 3, 12345, -87, 1, -321, 54321, -12345, 9, 2, 234567,
            -345678, 456789, 4321, -3, 65, 1, 25, 7, 1041, 12000, 1061, 34000,
            // mask 3
            1001, -999, 2, 17, 56000, 690000, 1530, 1, 2, 1033};
        QCOMPARE(got, want);
    }

    void stockRelatedGroupsFollowLayoutAndMasks() {
        const auto r = DecodeStockRelatedBody(StockRelatedBody("SZ300750", 105, 0x40000400, 0x20));
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(int(r.record->layout), 105);
        QCOMPARE(r.record->code, QString("SZ300750"));
        QCOMPARE(r.record->ratios, (std::array<qint32, 4>{{-11, 22, 12345, -6789}}));
        QCOMPARE(r.record->after_close, (std::array<qint32, 3>{{-150, 3210, 77}}));
        QCOMPARE(r.record->category_bytes, (std::array<quint8, 3>{{3, 25, 4}}));
        const auto part = DecodeStockRelatedBody(StockRelatedBody("SZ300750", 107, 0x40000000, 0));
        QVERIFY2(part.ok, qPrintable(part.error));
        QVERIFY(part.record->has_after_close && !part.record->has_ratios);
        QVERIFY(!part.record->has_category);
        QCOMPARE(part.record->after_close[1], 3210);
        QCOMPARE(part.record->ratios, (std::array<qint32, 4>{}));
    }

    void dataSetFromHandLaidBytes() {
        HandLaid b;
        b.header14().u16(1).str("SH600000").u32(0xE20);
        b.i32(1155).i32(945);                        // limits
        b.packed(1, 0x12345678).packed(0, 1000000);  // shares
        b.packed(2, 52).u8(1);                       // quota
        b.i32(12345).i32(-50000);                    // eps, nav
        const auto r = DecodeStockDataSetBody(b.bytes());
        QVERIFY2(r.ok, qPrintable(r.error));
        const ResponsePkgEntity_10012& e = *r.record;
        QCOMPARE(e.code, QString("SH600000"));
        QCOMPARE(
            (QList<qint64>{e.limit_up_price, e.limit_down_price, e.total_shares, e.float_shares,
                           e.quota_balance, e.quota_status, e.eps, e.nav_per_share}),
            (QList<qint64>{1155, 945, qint64(0x12345678) << 4, 1000000, 52 << 8, 1, 12345,
                           -50000}));
        QCOMPARE(e.row.Get("limit_up_price").DisplayText(), QString("11.55"));
        QCOMPARE(e.row.Get("eps").DisplayText(), QString("1.2345"));
        QCOMPARE(e.row.Get("nav_per_share").DisplayText(), QString("-5.0000"));
        QCOMPARE(e.row.Get("float_shares").ToInt64(), qint64(1000000));
    }

    void badBodiesRejectedWholeEmptyOnesOk_data() {
        QTest::addColumn<int>("function");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("ok");  // well formed, announcing no record
        const auto row = [](const QString& name, int function, const QByteArray& body, bool ok) {
            QTest::newRow(qPrintable(name)) << function << body << ok;
        };
        const QByteArray none = HandLaid().header14().u16(0).bytes();
        row("10002 no record", 10002, none, true);
        row("10012 no record", 10012, none, true);
        row("12755 no record", 12755, StockRelatedBody("", 107, 0x400, 0, 25, 0), true);
        row("12755 negative count", 12755, StockRelatedBody("", 107, 0, 0, 25, -1), true);
        const QByteArray full = FullRecordBody().bytes();
        row("10002 empty", 10002, QByteArray(), false);
        for (int cut : {1, 2, 3, 5, 13, 40, 100})
            row(QString("10002 minus %1").arg(cut), 10002, full.chopped(cut), false);
        row("10002 open auctions 65535", 10002, FullRecordBody(1, 0xFFFF, 1).bytes(), false);
        row("10002 close auctions one too many", 10002, FullRecordBody(1, 2, 2).bytes(), false);
        for (int layout : {105, 107}) {
            const QByteArray body = StockRelatedBody("SZ300750", quint16(layout), 0x40000400, 0x20);
            for (int cut : {1, 3, 12, 30})
                row(QString("12755 V %1 minus %2").arg(layout).arg(cut), 12755, body.chopped(cut),
                    false);
        }
        HandLaid quota;  // the quota group without its status byte
        quota.header14().u16(1).str("HH600000").u32(0x400).packed(0, 5);
        row("10012 quota cut short", 10012, quota.bytes(), false);
    }

    void badBodiesRejectedWholeEmptyOnesOk() {
        QFETCH(int, function);
        QFETCH(QByteArray, body);
        QFETCH(bool, ok);
        const auto check = [&](const auto& r, const QString& decoder) {
            QCOMPARE(r.ok, ok);
            QVERIFY(!r.record);
            const QString tail = QString(" exceeds body length %1").arg(body.size());
            QVERIFY2(ok || (r.error.startsWith(decoder + ": read of ") && r.error.endsWith(tail)),
                     qPrintable(r.error));
        };
        if (function == 10002)
            check(DecodeStockSnapshotBody(body), "DecodeStockSnapshotBody");
        else if (function == 12755)
            check(DecodeStockRelatedBody(body), "DecodeStockRelatedBody");
        else
            check(DecodeStockDataSetBody(body), "DecodeStockDataSetBody");
    }

    // Code, keys -> the children ("API type:keys"; none: refused), the keys left over.
    void resolveSplitsByCall_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("children");
        QTest::addColumn<QString>("leftover");
        const auto row = [](const char* name, const char* code, const char* keys,
                            const char* children, const char* leftover) {
            QTest::newRow(name) << QString(code) << QString(keys) << QString(children)
                                << QString(leftover);
        };
        row("two calls and leftovers", "SZ000001",
            "money_flow_today,float_ratio_day_20,name,big_order_ratio,price",
            "10002:money_flow_today,big_order_ratio 12755_stock_related:float_ratio_day_20",
            "name,price");
        row("call-name order, not key order", "SZ000001",
            "gem_deal_volume_after_close,float_ratio_day_0",
            "10002:float_ratio_day_0 12755_stock_related:gem_deal_volume_after_close", "");
        row("one call", "SZ000001", "money_flow_5d,money_flow_20d",
            "10002:money_flow_5d,money_flow_20d", "");
        row("no known key", "SZ000001", "name,price", "", "");
        row("excluded code", "SH600666", "money_flow_5d", "", "");
        row("no Level-2 data", "HK00700", "money_flow_5d", "", "");
    }

    void resolveSplitsByCall() {
        QFETCH(QString, code);
        QFETCH(QString, keys);
        QFETCH(QString, children);
        QFETCH(QString, leftover);
        const ScopeTreeNode node = BoardNode(code, keys.split(','));
        ScopeResolveResult result;
        QCOMPARE(resolver_->Resolve(result, node), !children.isEmpty());
        QCOMPARE(result.IsEmpty(), children.isEmpty());
        QStringList got;
        for (const ScopeTreeNode& child : result.fetch_nodes) {
            QCOMPARE(child.scope_type,
                     ScopeTypeVariant("qz_Lv2_quoter_" + child.api_type.ToQString()));
            QCOMPARE(child.stock_list.GetStockCode(), code);
            got << child.api_type.ToQString() + ":" + child.key_list.ToText();
        }
        QCOMPARE(got.join(' '), children);
        QStringList rest;
        for (const ScopeTreeNode& node : result.unhandled_nodes)
            rest << node.scope_type.ToQString() + ":" + node.key_list.ToText();
        QCOMPARE(rest, leftover.isEmpty() ? QStringList() : QStringList{"2:" + leftover});
    }

    void snapshotTranscodersJoinOntoEarlierSources() {
        ScopeTreeNode parent = BoardNode("SZ300750", {"money_flow_today"});
        QVERIFY(Join("qz_Lv2_quoter_12755_stock_related", parent, StockRelatedData("SZ300750", 25))
                    .IsSuccess());
        const auto snapshot = DecodeStockSnapshotBody(FullRecordBody().bytes());
        QVERIFY(Join("qz_Lv2_quoter_10002", parent, DataOf<ResponsePkgEntity_10002>(snapshot))
                    .IsSuccess());
        QVERIFY(!Join("qz_Lv2_quoter_10001", parent, nullptr).IsSuccess());
        const auto* data = dynamic_cast<const BaseQuoteData*>(parent.quote_data.data());
        QVERIFY(data != nullptr);
        QCOMPARE(data->sources.keys(), (QList<QString>{"10002", "12755_stock_related"}));
        const nscell::DataRow& row = data->row;
        QVERIFY(row.Contains("float_ratio_day_20"));  // joined before, kept
        using Kind = nscell::UnsharedDataCell::Kind;
        QCOMPARE(row.Get("float_ratio_day_0").kind(), Kind::PercentFloatRatio);
        QCOMPARE(row.Get("float_ratio_day_0").ToDouble(), Single(12345));
        QCOMPARE(row.Get("turnover_ratio_day_5").ToDouble(), Single(-321));
        QCOMPARE(row.Get("float_ratio_day_5").ToDouble(), Single(54321));
        QCOMPARE(row.Get("money_flow_today").kind(), Kind::BigInteger);
        QList<qint64> flows;  // x 10000, 64 bits wide
        for (const char* key :
             {"money_flow_today", "money_flow_5d", "money_flow_10d", "money_flow_20d"})
            flows << row.Get(key).ToInt64();
        QCOMPARE(flows, (QList<qint64>{-123450000, 2345670000, -3456780000, 4567890000}));
        QCOMPARE(row.Get("big_order_ratio").kind(), Kind::RealPrice);
        QCOMPARE(row.Get("big_order_ratio").Decimals(), 2);
        QCOMPARE(row.Get("big_order_ratio").ToDouble(), Single(4321));
        QCOMPARE((QStringList{row.Get("listing_board_code").ToString(),
                              row.Get("transfer_type_code").ToString(),
                              row.Get("board_category_code").ToString()}),
                 (QStringList{"kcb", "zszr", "nymex+wti"}));
    }

    void stockRelatedTranscoders_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("category");
        QTest::addColumn<bool>("afterClose");
        QTest::newRow("SZ growth board") << "SZ300750" << 25 << true;
        QTest::newRow("SZ other category") << "SZ000001" << 24 << false;
        QTest::newRow("SH category 25") << "SH688001" << 25 << false;
    }

    void stockRelatedTranscoders() {
        QFETCH(QString, code);
        QFETCH(int, category);
        QFETCH(bool, afterClose);
        ScopeTreeNode parent = BoardNode(code, {"gem_deal_volume_after_close"});
        const QSharedPointer<QuoteData> before = parent.quote_data;
        QVERIFY(Join("qz_Lv2_quoter_12755_stock_related", parent, StockRelatedData(code, category))
                    .IsSuccess());
        const nscell::DataRow& row = parent.quote_data->row;
        QCOMPARE(row.Get("float_ratio_day_20").ToDouble(), Single(12345));
        QCOMPARE(row.Get("turnover_ratio_day_20").ToDouble(), Single(-6789));
        if (afterClose) {
            QCOMPARE(row.Get("gem_deal_volume_after_close").ToInt64(), qint64(-150));
            QCOMPARE(row.Get("gem_deal_capital_after_close").ToInt64(), qint64(32100000));
        } else {
            QCOMPARE(row.Get("gem_deal_volume_after_close").ToString(), QString("earlier"));
            QVERIFY(!row.Contains("gem_deal_capital_after_close"));
        }
        QCOMPARE(before->row.Get("gem_deal_volume_after_close").ToString(), QString("earlier"));
    }

    void keysOfAbsentGroupsWriteTheirDefault_data() {
        QTest::addColumn<QString>("childType");
        QTest::addColumn<QByteArray>("body");  // hand-laid: no optional group but the category
        QTest::addColumn<QStringList>("keys");
        HandLaid snapshot;  // code only
        snapshot.header14().u16(1).u32(0x1).u32(0).u32(0).str("SZ300750");
        QTest::newRow("10002 without mask-2 groups")
            << "qz_Lv2_quoter_10002" << snapshot.bytes()
            << QStringList{"float_ratio_day_0", "turnover_ratio_day_5", "float_ratio_day_5",
                           "money_flow_today",  "money_flow_5d",        "money_flow_10d",
                           "money_flow_20d",    "big_order_ratio"};
        QTest::newRow("12755 with only the category (growth board)")
            << "qz_Lv2_quoter_12755_stock_related" << StockRelatedBody("SZ300750", 107, 0, 0x20)
            << QStringList{"float_ratio_day_20", "turnover_ratio_day_20",
                           "gem_deal_volume_after_close", "gem_deal_capital_after_close"};
    }

    void keysOfAbsentGroupsWriteTheirDefault() {
        QFETCH(QString, childType);
        QFETCH(QByteArray, body);
        QFETCH(QStringList, keys);
        ScopeTreeNode parent = BoardNode("SZ300750", keys);
        const QSharedPointer<QuoteData> data =
            childType.endsWith("10002")
                ? DataOf<ResponsePkgEntity_10002>(DecodeStockSnapshotBody(body))
                : DataOf<ResponsePkgEntity_12755>(DecodeStockRelatedBody(body));
        QVERIFY(data != nullptr);
        QVERIFY(Join(childType, parent, data).IsSuccess());
        for (const QString& key : keys) {
            const nscell::UnsharedDataCell cell = parent.quote_data->row.Get(key);
            QVERIFY2(cell.kind() != nscell::UnsharedDataCell::Kind::Text, qPrintable(key));
            QVERIFY2(cell.ToDouble() == 0.0, qPrintable(key));
        }
    }

    void requestFlagsAndParams_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("function");
        QTest::addColumn<int>("flags");
        QTest::addColumn<QString>("params");  // comma-separated
        const auto row = [](const char* name, const char* kind, const QString& code, int function,
                            int flags, const QString& params) {
            QTest::newRow(name) << QString(kind) << code << function << flags << params.arg(code);
        };
        const auto snapshot = [](const char* masks) {
            return QString("Int16U=0,Int16U=0,Strings=%1,") + masks;
        };
        const char* const snapshotKind = "Int32U=1612705839,Int32U=540966474,Int32U=20484";
        row("10001, push kind, LV2", "10001", "SZ000001", 10002, 0x80,
            snapshot("Int32U=425725919,Int32U=1614808085,Int32U=16384"));
        row("10002, snapshot kind, LV2", "10002", "SH600000", 10002, 0x80, snapshot(snapshotKind));
        row("10002, no LV2", "10002", "HK00700", 10002, 0, snapshot(snapshotKind));
        row("10000, zero masks", "10000", "SH600000", 10002, 0x80,
            snapshot("Int32U=0,Int32U=0,Int32U=0"));
        const QString dataSet = "Int16U=0,Int16U=1,Strings=%1,Int32U=%2,Int32U=0,Int32U=0";
        row("10012, SZ", "10012", "SZ000001", 10012, 0x80, dataSet.arg("%1", "3616"));  // 0xE20
        row("10012, HH", "10012", "HH600000", 10012, 0, dataSet.arg("%1", "1024"));     // 0x400
        row("10012, other", "10012", "SO10000001", 10012, 0, dataSet.arg("%1", "32"));  // 0x20
        row("12755, LV2 or not", kRelated, "SZ300750", 12755, 0,
            "Int16=107,Int32=1073742848,Int32=32,Int32=0,Strings=%1");
    }

    void requestFlagsAndParams() {
        QFETCH(QString, kind);
        QFETCH(QString, code);
        QFETCH(int, function);
        QFETCH(int, flags);
        QFETCH(QString, params);
        const auto snapshot = h_.Make<SnapshotCall>();
        const auto dataSet = h_.Make<QzLv2RemoteApiCall_10012>();
        const auto related = h_.Make<StockRelatedCall>();
        for (RemoteApiCall* call :
             QList<RemoteApiCall*>{snapshot.get(), dataSet.get(), related.get()})
            if (call->GetSupportedTypeSet().count(kind) != 0)
                call->AttachNode(NodeFor(code, kind));
        const ServerRequest request = h_.WaitForRequestOf(function, 1);
        QCOMPARE(int(request.flags), flags);
        QVERIFY(request.context.isNull());
        QCOMPARE(Flatten(request.params), params.split(','));
    }

    void snapshotAnswersDeliveredAndPolledLyingOneRefused() {
        const auto call = h_.Make<SnapshotCall>();
        call->AttachNode(NodeFor("SZ000001", "10002"));
        const ServerRequest first = h_.WaitForRequestOf(10002, 1);
        const ScopeTreeNode node = NodeFor("SH600000", "10002");
        call->AttachNode(node);
        const ServerRequest second = h_.WaitForRequestOf(10002, 2);
        HandLaid lying;  // mask 2 auctions announce 500 points that are not there
        lying.header14().u16(1).u32(0x1 | 0x20).u32(0x40000000).u32(0).str("SZ000001").u16(7);
        lying.i32(1).u32(2).u16(500).i32(0).u32(0).u32(0);
        ExpectWarning("lv2-10002", "DecodeStockSnapshotBody.*offset \\d+.*body length \\d+");
        QVERIFY(h_.backend->Answer(first, lying.bytes()));
        const Topic topic("SH600000", "10002");
        Answer(*call, second, SnapshotBody("SH600000", true, 1234), topic);
        QCOMPARE(call->Cache().Keys(), QList<Topic>{topic});
        const QuoteTaskExecMidResult result = h_.Next();
        QCOMPARE(result.scope_id, node.scope_id);
        QCOMPARE(SnapshotOf(result)->last_price, 1234);
        QVERIFY(call->GetDriver()->AwaitingSet().Contains(Topic("SZ000001", "10002")));
        QTRY_VERIFY_WITH_TIMEOUT(call->GetDriver()->PollingSet().Contains(topic), kWaitMs);
        call->GetDriver()->OnPollingTick();
        QCOMPARE(h_.RequestsOf(10002).size(), 3);
        QVERIFY(h_.RequestsOf(10000).isEmpty());
    }

    void pushKindJoinsPushListAndPushesMerge() {
        const auto call = h_.Make<SnapshotCall>();
        QVERIFY(h_.accessor->IsSerial(10000) && h_.accessor->IsSerial(10002));
        QVERIFY(h_.accessor->IsPush(10001));
        call->GetDriver()->OnPushRefreshTick();  // an empty push list is mode 1
        QCOMPARE(
            Flatten(h_.WaitForRequestOf(10000, 1).params),
            (QStringList{"Int16U=0", "Int16U=1", "Strings=", "Int32U=0", "Int32U=0", "Int32U=0"}));

        const ScopeTreeNode node = NodeFor("SZ000001", "10001");
        call->AttachNode(node);
        const Topic topic("SZ000001", "10001");
        Answer(*call, h_.WaitForRequestOf(10002, 1), SnapshotBody("SZ000001", false, 100, "Bank"),
               topic);
        QTRY_VERIFY_WITH_TIMEOUT(call->GetDriver()->PushSet().Contains(topic), kWaitMs);
        const ServerRequest list = h_.WaitForRequestOf(10000, 2);
        QCOMPARE(list.flags, quint16(0));
        QCOMPARE(Flatten(list.params),
                 (QStringList{"Int16U=0", "Int16U=4", "Strings=SZ000001", "Int32U=425725919",
                              "Int32U=1614808085", "Int32U=0"}));
        QCOMPARE(h_.Next().scope_id, node.scope_id);
        QVERIFY(!call->Cache().Contains(Topic("SZ000001", "10002")));

        const int requestsBefore = h_.backend->Requests().size();
        h_.backend->Push(10001, LastPricePush("SZ000001", 101));
        h_.backend->Push(10001, LastPricePush("SH600009", 55));  // nobody subscribes: still cached
        QTRY_VERIFY_WITH_TIMEOUT(call->Cache().Contains(Topic("SH600009", "10001")), kWaitMs);
        QCOMPARE(h_.Queued(), 1);
        const StockSnapshot* merged = SnapshotOf(h_.Next());
        QCOMPARE(merged->last_price, 101);
        QCOMPARE(merged->name, QString("Bank"));  // not carried by the push: kept
        QCOMPARE(merged->mask1, 0x801u);          // the push's masks; carried keeps the answer's
        QVERIFY(merged->Has1(snapshot::kName));
        QCOMPARE(h_.backend->Requests().size(), requestsBefore);
        QVERIFY(!call->GetDriver()->PushSet().Contains(Topic("SH600009", "10001")));
    }

    void clearingMarketsDropsAndAsksSubscribedAgain() {
        const auto call = h_.Make<SnapshotCall>();
        const auto related = h_.Make<StockRelatedCall>();
        for (const char* code : {"SZ000001", "SH600000"}) {
            call->AttachNode(NodeFor(code, "10002"));
            Answer(*call, h_.RequestsOf(10002).last(), SnapshotBody(code, true, 1),
                   Topic(code, "10002"));
            related->AttachNode(NodeFor(code, kRelated));
            Answer(*related, h_.RequestsOf(12755).last(), StockRelated(code),
                   Topic(code, kRelated));
        }
        h_.backend->Push(10001, LastPricePush("SZ000002", 3));  // cached, not subscribed
        QTRY_VERIFY_WITH_TIMEOUT(call->Cache().Contains(Topic("SZ000002", "10001")), kWaitMs);

        for (const char* dropped : {"lv2-10002 .*10002 - SZ000001", "lv2-10002 .*10001 - SZ000002",
                                    "lv2-12755 .*12755_stock_related - SZ000001"}) {
            QTest::ignoreMessage(QtInfoMsg, QRegularExpression(dropped));
        }
        h_.context->GetBroadcaster()->Publish(QString::fromUtf8("清理个股实时缓存(市场缩码)"),
                                              QByteArray("SZ"));
        QCOMPARE(call->Cache().Keys(), QList<Topic>{Topic("SH600000", "10002")});
        QCOMPARE(related->Cache().Keys(), QList<Topic>{Topic("SH600000", kRelated)});
        for (int function : {10002, 12755}) {
            const QList<ServerRequest> requests = h_.RequestsOf(function);
            QCOMPARE(requests.size(), 3);
            QCOMPARE(Flatten(requests.last().params).filter("Strings=").join(""),
                     QString("Strings=SZ000001"));
        }
        QVERIFY(call->GetDriver()->AwaitingSet().Contains(Topic("SZ000001", "10002")));

        // A list of markets: i16 count, then per item an i16 length and its bytes.
        h_.backend->Push(10001, LastPricePush("HH600000", 3));
        QTRY_VERIFY_WITH_TIMEOUT(call->Cache().Contains(Topic("HH600000", "10001")), kWaitMs);
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression("lv2-10002 .*10001 - HH600000"));
        HandLaid markets;
        h_.context->GetBroadcaster()->Publish(QString::fromUtf8("清理个股实时缓存(市场缩码列表)"),
                                              markets.i16(2).str("SZ").str("HH").bytes());
        QCOMPARE(call->Cache().Keys(), QList<Topic>{Topic("SH600000", "10002")});
        QCOMPARE(related->Cache().Keys(), QList<Topic>{Topic("SH600000", kRelated)});
    }

    void stockRelatedAnswersMergeBadOneRefusedActiveTopics() {
        const auto call = h_.Make<StockRelatedCall>();
        QVERIFY(h_.accessor->IsSerial(12755));
        const ScopeTreeNode node = NodeFor("SZ300750", kRelated);
        const ScopeTreeNode twin = NodeFor("SZ300750", kRelated);
        for (const ScopeTreeNode& n : {node, twin, NodeFor("SH600000", kRelated)})
            call->AttachNode(n);  // the twin asks nothing
        const ServerRequest first = h_.WaitForRequestOf(12755, 1);
        const ServerRequest second = h_.WaitForRequestOf(12755, 2);
        QCOMPARE(h_.RequestsOf(12755).size(), 2);
        ExpectWarning("lv2-12755", "DecodeStockRelatedBody");
        QVERIFY(h_.backend->Answer(second, StockRelated("SH600000").left(60)));
        QVERIFY(h_.backend->Answer(first, StockRelated("SZ300750")));
        const QList<QuoteTaskExecMidResult> results = h_.Take(2);  // one per node of the stock
        QCOMPARE(results.size(), 2);
        QCOMPARE(call->Cache().Keys(), QList<Topic>{Topic("SZ300750", kRelated)});
        QCOMPARE(results[0].scope_id, node.scope_id);
        // Only the after-close group: the cached ratios and category stay, the masks are new.
        QVERIFY(h_.backend->Answer(first, StockRelatedBody("SZ300750", 107, 0x40000000, 0)));
        const QList<QuoteTaskExecMidResult> again = h_.Take(2);
        QCOMPARE(again.size(), 2);
        const auto* earlier = dynamic_cast<const ResponsePkgEntity_12755*>(results[0].data.data());
        const auto* merged = dynamic_cast<const ResponsePkgEntity_12755*>(again[0].data.data());
        QVERIFY(earlier && merged && earlier != merged);
        QVERIFY(merged->has_ratios && merged->has_after_close && merged->has_category);
        QCOMPARE((QList<qint64>{merged->FloatRatio20d(), merged->AfterCloseVolume(),
                                merged->Category(), merged->mask1, earlier->mask1}),
                 (QList<qint64>{12345, -150, 25, 0x40000000, 0x40000400}));
        QCOMPARE((*call->Cache().Get(Topic("SZ300750", kRelated))).FloatRatio20d(), 12345);
        call->DetachNode(node);
        QCOMPARE(call->ActiveTopics().size(), std::size_t(2));
        call->DetachNode(twin);
        QCOMPARE(call->ActiveTopics(), (std::set<Topic>{Topic("SH600000", kRelated)}));
    }

private:
    JoinMethodResult Join(const QString& childType, ScopeTreeNode& parent,
                          QSharedPointer<QuoteData> data) {
        ScopeTreeNode child = ScopeTreeNode::FromParentNode(parent);
        child.scope_type = childType;
        child.quote_data = data;
        for (const JoinMethodValue& method : resolver_->GetJoinMethodList()) {
            if (method.Key() == JoinMethodKey(2, ScopeSplitTypeVariant(8), childType))
                return method.Run(parent, child);
        }
        return JoinMethodResult(false);
    }

    QuoteDataSourceHandlerConfiguration configuration_;
    std::unique_ptr<QzLv2StockBoardScopeResolver> resolver_;

    template <typename Call>
    void Answer(Call& call, const ServerRequest& request, const QByteArray& body,
                const Topic& topic) {
        QVERIFY(h_.backend->Answer(request, body));
        QTRY_VERIFY_WITH_TIMEOUT(call.Cache().Contains(topic), kWaitMs);
    }
};

QTEST_GUILESS_MAIN(TestStockBoard)
#include "tst_stockboard.moc"
