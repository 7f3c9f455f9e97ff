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
#include "services/stockboard/ResponsePkgEntity_10012.h"
#include "services/stockboard/StockDataSetDecoder.h"
#include "services/stockboard/StockRelatedDecoder.h"
#include "services/stockboard/StockSnapshotDecoder.h"
#include "tests/services/CallTestSupport.h"
#include "tests/services/HandLaid.h"

using namespace calltest;
using Topic = ResponsePkgTopic_10002;
using SnapshotCall = QzLv2RemoteApiCall_10002;
using StockRelatedCall = QzLv2RemoteApiCall_12755_Stock_Related;

using SnapshotMasks = std::array<quint32, 3>;  // masks 1, 2 and 3 of a record
Q_DECLARE_METATYPE(SnapshotMasks)

namespace {

template <typename... T>
QString N(T... values) {
    return QStringList{QString::number(values)...}.join(' ');
}

// `open` and `close` auction points (time, price, volume) after each price and volume.
QByteArray AuctionBytes(int open, int close) {
    HandLaid b;
    b.i32(-1041).u32(0x80000000u + 12000).u16(quint32(open));
    for (int i = 0; i < open; ++i)
        b.u32(0x80000000u + 91500 + i).i32(-1039 - i).u32(0x80000000u + 1000 * (i + 1));
    b.i32(-1061).u32(0x80000000u + 34000).u16(quint32(close));
    for (int i = 0; i < close; ++i)
        b.u32(0x80000000u + 145700 + i).i32(-1062 - i).u32(0x80005555u);
    return b.bytes();
}

QString Auctions(const StockSnapshot& s) {
    const auto point = [](const AuctionPoints& points, int i) {
        return points.isEmpty() ? QString("-")
                                : N(points[i].time, points[i].price, points[i].volume);
    };
    return QStringList{
        N(s.open_auction_price, s.open_auction_volume, s.open_auction_points.size()),
        point(s.open_auction_points, 0),
        point(s.open_auction_points, s.open_auction_points.size() - 1),
        N(s.close_auction_price, s.close_auction_volume, s.close_auction_points.size()),
        point(s.close_auction_points, 0)}
        .join(" | ");
}

// One optional group of a 10001/10002 record: its mask (1 to 3) and bit, the bytes the layout
// table gives it, the record's fields it fills and what they hold then. Signed fields carry a
// negative value, unsigned ones a value above 2^31 (2^15, 2^7); packed words use every exponent.
struct SnapshotGroup {
    int mask;
    quint32 bit;
    QByteArray bytes;
    QString (*fields)(const StockSnapshot&);
    QString values;
};

// The fields of a group, as numbers.
#define F(...) [](const StockSnapshot& s) { return N(__VA_ARGS__); }

const QList<SnapshotGroup>& SnapshotGroups() {
    using S = const StockSnapshot&;
    const auto levels = [](qint32 price, quint32 volume) {
        HandLaid b;
        for (int i = 0; i < 10; ++i)
            b.i32(price - i).u32(volume + quint32(i));
        return b.bytes();
    };
    static const QList<SnapshotGroup> groups = {
        {1, 0x1, HandLaid().str("SZ000001").bytes(), [](S s) { return s.code; }, "SZ000001"},
        {1, 0x2, HandLaid().str(QString::fromUtf8("平安银行")).bytes(), [](S s) { return s.name; },
         QString::fromUtf8("平安银行")},
        {1, 0x4, HandLaid().u8(0xF2).bytes(), F(s.price_precision), "242"},
        {1, 0x8, HandLaid().u8(0x81).bytes(), F(s.trade_status), "129"},
        {1, 0x10, HandLaid().i32(-1050).bytes(), F(s.base_price, s.prev_close), "-1050 -1050"},
        {1, 0x20, HandLaid().u16(0x8102).bytes(), F(s.stock_type), "33026"},
        {1, 0x40, levels(-1000, 0x80000000u),
         F(s.bids[0].price, s.bids[0].volume, s.bids[9].price, s.bids[9].volume),
         N(-1000, 0x80000000u, -1009, 0x80000009u)},
        {1, 0x80, levels(-2000, 0x90000000u),
         F(s.asks[0].price, s.asks[0].volume, s.asks[9].price, s.asks[9].volume),
         N(-2000, 0x90000000u, -2009, 0x90000009u)},
        {1, 0x100, HandLaid().i32(-1040).bytes(), F(s.open_price), "-1040"},
        {1, 0x200, HandLaid().i32(-1080).bytes(), F(s.high_price), "-1080"},
        {1, 0x400, HandLaid().i32(-1030).bytes(), F(s.low_price), "-1030"},
        {1, 0x800, HandLaid().i32(-1060).bytes(), F(s.last_price), "-1060"},
        {1, 0x1000, HandLaid().packed(0, 123456).bytes(), F(s.volume), "123456"},
        {1, 0x2000, HandLaid().packed(1, 0x3ABCDE00).bytes(), F(s.amount),
         N(qint64(0x3ABCDE00) << 4)},
        {1, 0x4000, HandLaid().packed(2, 5).bytes(), F(s.current_volume), N(5 << 8)},
        {1, 0x8000, HandLaid().packed(3, 0x3FFFFFFF).packed(0, 700).bytes(),
         F(s.inner_volume, s.outer_volume), N(qint64(0x3FFFFFFF) << 12, 700)},
        {1, 0x10000, HandLaid().packed(0, 800).packed(1, 900).bytes(),
         F(s.total_bid_volume, s.total_ask_volume), N(800, 900 << 4)},
        {1, 0x20000, HandLaid().u32(0x80000001u).bytes(), F(s.deal_count), N(0x80000001u)},
        {1, 0x40000, HandLaid().i16(-1234).bytes(), F(s.order_ratio), "-1234"},
        {1, 0x80000, HandLaid().u16(0x8001).bytes(), F(s.volume_ratio), N(0x8001)},
        {1, 0x100000, HandLaid().u16(0x9002).bytes(), F(s.turnover_rate), N(0x9002)},
        {1, 0x200000, HandLaid().u16(0xA003).bytes(), F(s.amplitude), N(0xA003)},
        {1, 0x400000, HandLaid().i32(-1055).bytes(), F(s.average_price), "-1055"},
        {1, 0x1000000, HandLaid().i32(-1155).bytes(), F(s.limit_up_price), "-1155"},
        {1, 0x8000000, HandLaid().i32(-945).bytes(), F(s.limit_down_price), "-945"},
        {1, 0x10000000, HandLaid().i32(-876).bytes(), F(s.pe_ratio), "-876"},
        {1, 0x20000000, HandLaid().u32(0x80000000u + 143005).bytes(), F(s.update_time),
         N(0x80000000u + 143005)},
        {1, 0x40000000, HandLaid().u32(0x80000000u + 20240315).bytes(), F(s.trade_date),
         N(0x80000000u + 20240315)},
        {2, 0x1, HandLaid().u32(0x80000002u).bytes(), F(s.total_shares), N(0x80000002u)},
        {2, 0x2, HandLaid().u8(0x82).bytes(), F(s.margin_flag), N(0x82)},
        {2, 0x4, HandLaid().u32(0x80000003u).bytes(), F(s.float_shares), N(0x80000003u)},
        {2, 0x8, HandLaid().u16(0x8004).u16(0x8005).u16(0x8006).bytes(),
         F(s.rise_count, s.fall_count, s.flat_count), N(0x8004, 0x8005, 0x8006)},
        {2, 0x10, HandLaid().i32(-125).i32(-250).i32(-375).i32(-500).i32(-625).i32(-750).bytes(),
         [](S s) {
             const auto& c = s.period_changes;
             return N(c[0], c[1], c[2], c[3], c[4], c[5]);
         },
         "-125 -250 -375 -500 -625 -750"},
        {2, 0x40, HandLaid().i32(-12345).bytes(), F(s.float_ratio_today), "-12345"},
        {2, 0x200, HandLaid().str("BK0475").str(QString::fromUtf8("银行")).i32(-87).bytes(),
         [](S s) { return s.industry_code + " " + s.industry_name + " " + N(s.industry_change); },
         QString::fromUtf8("BK0475 银行 -87")},
        {2, 0x400, HandLaid().u8(0x83).bytes(), F(s.connect_flag), N(0x83)},
        {2, 0x800, HandLaid().i16(-321).bytes(), F(s.turnover_ratio_5d), "-321"},
        {2, 0x1000, HandLaid().i32(-54321).bytes(), F(s.float_ratio_5d), "-54321"},
        {2, 0x2000, HandLaid().i32(-23456).bytes(), F(s.money_flow_today), "-23456"},
        {2, 0x4000, HandLaid().u8(9).u8(2).bytes(), F(s.listing_board, s.transfer_type), "9 2"},
        {2, 0x20000, HandLaid().i32(-234567).bytes(), F(s.money_flow_5d), "-234567"},
        {2, 0x40000, HandLaid().i32(-345678).bytes(), F(s.money_flow_10d), "-345678"},
        {2, 0x80000, HandLaid().i32(-456789).bytes(), F(s.money_flow_20d), "-456789"},
        {2, 0x100000, HandLaid().i16(-4321).bytes(), F(s.big_order_ratio), "-4321"},
        {2, 0x200000, HandLaid().i16(-3).bytes(), F(s.streak_days), "-3"},
        {2, 0x400000, HandLaid().i32(-65).bytes(), F(s.pb_ratio), "-65"},
        {2, 0x20000000, HandLaid().u8(0x84).u8(25).u8(0x85).bytes(),
         F(s.board_market, s.board_category, s.board_subcategory), N(0x84, 25, 0x85)},
        {2, 0x40000000, AuctionBytes(2, 1), &Auctions,
         N(-1041, 0x80000000u + 12000, 2) + " | " +
             N(0x80000000u + 91500, -1039, 0x80000000u + 1000) + " | " +
             N(0x80000000u + 91501, -1040, 0x80000000u + 2000) + " | " +
             N(-1061, 0x80000000u + 34000, 1) + " | " +
             N(0x80000000u + 145700, -1062, 0x80005555u)},
        {3, 0x4, HandLaid().i32(-1001).i32(-999).bytes(), F(s.iopv, s.prev_iopv), "-1001 -999"},
        {3, 0x1000,
         HandLaid().u8(0x86).u16(0x8007).u32(0x80000004u).u32(0x80000005u).u16(0x8008).bytes(),
         F(s.after_hours_status, s.after_hours_deal_count, s.after_hours_volume,
           s.after_hours_amount, s.after_hours_time),
         N(0x86, 0x8007, 0x80000004u, 0x80000005u, 0x8008)},
        {3, 0x4000, HandLaid().u8(0x87).u8(0x88).i32(-1033).bytes(),
         F(s.vcm_flag, s.vcm_stage, s.vcm_reference_price), N(0x87, 0x88, -1033)},
    };
    return groups;
}
#undef F

const SnapshotMasks kPushKindMasks{0x19600FDF, 0x60400415, 0x4000};      // as the 10001 request
const SnapshotMasks kSnapshotKindMasks{0x601FF02F, 0x203E7E4A, 0x5004};  // as the 10002 request
const SnapshotMasks kEveryBit{0x797FFFFF, 0x607E7E5F, 0x5004};

// A 10001/10002 answer announcing `records`, its first record carrying the groups of `masks` in
// table order.
HandLaid SnapshotRecordBody(const SnapshotMasks& masks, quint16 records = 1) {
    HandLaid b;
    b.header14().u16(records).u32(masks[0]).u32(masks[1]).u32(masks[2]);
    for (const SnapshotGroup& g : SnapshotGroups()) {
        if (masks[size_t(g.mask - 1)] & g.bit)
            b.raw(g.bytes);
    }
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

// A one-record 10012 answer carrying the groups of `mask`, each value derived from `base` so that
// two answers tell apart: limits base, base - 200; shares (packed, exponents 1 and 2) 16 x base,
// 256 x base; quota (packed, exponent 3) 4096 x base and status 1; eps base + 7, nav per share
// -(base + 9).
QByteArray DataSetBody(const QString& code, quint32 mask, qint32 base) {
    HandLaid b;
    b.header14().u16(1).str(code).u32(mask);
    if (mask & 0x20)
        b.i32(base).i32(base - 200);
    if (mask & 0x200)
        b.packed(1, quint32(base)).packed(2, quint32(base));
    if (mask & 0x400)
        b.packed(3, quint32(base)).u8(1);
    if (mask & 0x800)
        b.i32(base + 7).i32(-(base + 9));
    return b.bytes();
}

// The eight values of a 10012 package, in field order.
QList<qint64> DataSetValues(const ResponsePkgEntity_10012& e) {
    return {e.limit_up_price, e.limit_down_price, e.total_shares, e.float_shares,
            e.quota_balance,  e.quota_status,     e.eps,          e.nav_per_share};
}

// The integers of the row cells named after the fields (-1: no cell).
QList<qint64> RowValues(const nscell::DataRow& row) {
    QList<qint64> values;
    for (const char* name : {"limit_up_price", "limit_down_price", "total_shares", "float_shares",
                             "quota_balance", "quota_status", "eps", "nav_per_share"})
        values << (row.Contains(name) ? row.Get(name).ToInt64() : -1);
    return values;
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

    void snapshotMasks_data() {
        QTest::addColumn<SnapshotMasks>("masks");
        for (const SnapshotGroup& g : SnapshotGroups()) {
            SnapshotMasks alone{};
            alone[size_t(g.mask - 1)] = g.bit;
            QTest::newRow(
                qPrintable(QString("mask %1 bit 0x%2 alone").arg(g.mask).arg(g.bit, 0, 16)))
                << alone;
        }
        QTest::newRow("push kind, as the 10001 request asks") << kPushKindMasks;
        QTest::newRow("snapshot kind, as the 10002 request asks") << kSnapshotKindMasks;
        QTest::newRow("every bit") << kEveryBit;
    }

    // The groups of the masks in table order, exactly their bytes read into their own fields, the
    // others left at zero; a second record, cut short, follows: only the first is read.
    void snapshotMasks() {
        QFETCH(SnapshotMasks, masks);
        HandLaid body = SnapshotRecordBody(masks, 2);
        const int first = body.bytes().size();
        body.u32(0x3).u32(0).u32(0).str("SH600001");
        const DecodeResult<StockSnapshot> r = DecodeStockSnapshotBody(body.bytes());
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.consumed, first);
        QCOMPARE(r.announced, 2);
        const StockSnapshot& s = *r.record;
        QCOMPARE((SnapshotMasks{s.mask1, s.mask2, s.mask3}), masks);
        QCOMPARE((SnapshotMasks{s.carried1, s.carried2, s.carried3}), masks);
        const StockSnapshot none;
        for (const SnapshotGroup& g : SnapshotGroups()) {
            const bool carried = masks[size_t(g.mask - 1)] & g.bit;
            QCOMPARE(g.fields(s), carried ? g.values : g.fields(none));
        }
    }

    // The auction point counts are u16: past 2^15 every point is read.
    void auctionPointCountsAboveTwoToThe15() {
        HandLaid b;
        b.header14().u16(1).u32(0).u32(0x40000000).u32(0).raw(AuctionBytes(0x8000, 0x8001));
        const DecodeResult<StockSnapshot> r = DecodeStockSnapshotBody(b.bytes());
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.record->open_auction_points.size(), 0x8000);
        QCOMPARE(r.record->close_auction_points.size(), 0x8001);
        QCOMPARE(r.record->open_auction_points.last(),
                 (AuctionPoint{0x80000000u + 91500 + 0x7FFF, -1039 - 0x7FFF,
                               0x80000000u + 1000 * 0x8000}));
        QCOMPARE(r.consumed, b.bytes().size());
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
        const QByteArray full = SnapshotRecordBody(kEveryBit).bytes();
        row("10002 empty", 10002, QByteArray(), false);
        for (int cut : {1, 2, 3, 5, 13, 40, 100})
            row(QString("10002 minus %1").arg(cut), 10002, full.chopped(cut), false);
        // The auction group alone: open count at offset 36, close count 34 bytes after it.
        const QByteArray auctions = SnapshotRecordBody({0, 0x40000000, 0}).bytes();
        row("10002 open auctions 65535", 10002, QByteArray(auctions).replace(36, 2, "\xff\xff"),
            false);
        row("10002 close auctions one too many", 10002,
            QByteArray(auctions).replace(70, 2, QByteArray("\x02\x00", 2)), false);
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
        row("data-set keys go to 10012", "SZ000001", "eps,money_flow_5d,quota_status",
            "10002:money_flow_5d 10012:eps,quota_status", "");
        row("every key of the table", "SZ000001",
            "gem_deal_volume_after_close,gem_deal_capital_after_close,float_ratio_day_0,"
            "turnover_ratio_day_5,float_ratio_day_5,turnover_ratio_day_20,float_ratio_day_20,"
            "money_flow_today,money_flow_5d,money_flow_10d,money_flow_20d,big_order_ratio",
            "10002:float_ratio_day_0,turnover_ratio_day_5,float_ratio_day_5,money_flow_today,"
            "money_flow_5d,money_flow_10d,money_flow_20d,big_order_ratio "
            "12755_stock_related:gem_deal_volume_after_close,gem_deal_capital_after_close,"
            "turnover_ratio_day_20,float_ratio_day_20",
            "");
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
        const auto snapshot =
            DecodeStockSnapshotBody(SnapshotRecordBody(kSnapshotKindMasks).bytes());
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
        QCOMPARE(row.Get("float_ratio_day_0").ToDouble(), Single(-12345));
        QCOMPARE(row.Get("turnover_ratio_day_5").ToDouble(), Single(-321));
        QCOMPARE(row.Get("float_ratio_day_5").ToDouble(), Single(-54321));
        QCOMPARE(row.Get("money_flow_today").kind(), Kind::BigInteger);
        QList<qint64> flows;  // x 10000, 64 bits wide
        for (const char* key :
             {"money_flow_today", "money_flow_5d", "money_flow_10d", "money_flow_20d"})
            flows << row.Get(key).ToInt64();
        QCOMPARE(flows, (QList<qint64>{-234560000, -2345670000, -3456780000, -4567890000}));
        QCOMPARE(row.Get("big_order_ratio").kind(), Kind::RealPrice);
        QCOMPARE(row.Get("big_order_ratio").Decimals(), 2);
        QCOMPARE(row.Get("big_order_ratio").ToDouble(), Single(-4321));
        QCOMPARE((QStringList{row.Get("listing_board_code").ToString(),
                              row.Get("transfer_type_code").ToString(),
                              row.Get("board_category_code").ToString()}),
                 (QStringList{"kcb", "zszr", "nymex+wti"}));
        // The push kind's masks carry the category without the board flags.
        ScopeTreeNode pushed = BoardNode("SZ300750", {"money_flow_today"});
        QVERIFY(Join("qz_Lv2_quoter_10002", pushed,
                     DataOf<ResponsePkgEntity_10002>(
                         DecodeStockSnapshotBody(SnapshotRecordBody(kPushKindMasks).bytes())))
                    .IsSuccess());
        QCOMPARE((QStringList{pushed.quote_data->row.Get("listing_board_code").ToString(),
                              pushed.quote_data->row.Get("board_category_code").ToString()}),
                 (QStringList{"", "nymex+wti"}));
    }

    // Every entry of the three board code tables, and a number none of them has; the category
    // and trading channel by market.
    void boardCodeTables_data() {
        QTest::addColumn<QString>("stock");
        QTest::addColumn<int>("byte");  // 0 listing board, 1 transfer type, 2 category
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("code");  // empty: no cell
        QTest::addColumn<QString>("channel");
        const auto table = [](int byte, const QList<QPair<int, const char*>>& entries) {
            const char* const cells[] = {"listing", "transfer", "category"};
            for (const auto& e : entries)
                QTest::newRow(qPrintable(QString("%1 %2").arg(cells[byte]).arg(e.first)))
                    << "SZ000001" << byte << e.first << QString(e.second) << "";
        };
        table(0, {{1, "jcc"}, {2, "cxc"}, {8, "hlt"}, {9, "kcb"}, {20, "kcb"}, {3, ""}, {0, ""}});
        table(1, {{1, "xyzr"}, {2, "zszr"}, {3, "jhjj+lxjjzr"}, {4, "jhjjzr"}, {5, ""}});
        table(2, {{1, "*st"},         {2, "ts"},           {3, "cyb30"},      {4, "zxb00"},
                  {5, "xsn+lw+ts"},   {6, "ggt+bdg"},      {7, "ggt+fbdg"},   {8, "mg+zgg"},
                  {9, "mg+zmmg"},     {10, "mg+zgg+zmmg"}, {11, "xsb+gp"},    {12, "xsb+qq"},
                  {13, "xsb+xz200"},  {14, "gg+zb"},       {15, "gg+cyb"},    {16, "wh+jbhl+my"},
                  {17, "wh+jchl+qt"}, {18, "rmb+rmb"},     {19, "wh+gjjs"},   {20, "sjzs+ozzs"},
                  {21, "sjzs+mzzs"},  {22, "sjzs+yzzs"},   {23, "sjzs+hbzs"}, {24, "xsb+fxyw"},
                  {25, "nymex+wti"},  {26, "nymex+bz"},    {27, ""}});
        QTest::newRow("SH") << "SH600000" << 2 << 25 << "nymex+wti"
                            << "";
        QTest::newRow("HH") << "HH600000" << 2 << 25 << "nymex+wti"
                            << "hgt";
        QTest::newRow("HZ") << "HZ000001" << 2 << 25 << "nymex+wti"
                            << "sgt";
        QTest::newRow("HK: a channel, but not a channel market") << "HK00700" << 2 << 25 << ""
                                                                 << "";
        QTest::newRow("SO") << "SO10000001" << 2 << 25 << ""
                            << "";
    }

    void boardCodeTables() {
        QFETCH(QString, stock);
        QFETCH(int, byte);
        QFETCH(int, number);
        QFETCH(QString, code);
        QFETCH(QString, channel);
        quint8 bytes[3] = {0, 0, 0};  // 0 is in no table
        bytes[byte] = quint8(number);
        HandLaid b;  // mask 2: 0x4000 listing board and transfer type, 0x20000000 category
        b.header14().u16(1).u32(0x1).u32(0x20004000).u32(0).str(stock);
        b.u8(bytes[0]).u8(bytes[1]).u8(0).u8(bytes[2]).u8(0);
        ScopeTreeNode parent = BoardNode(stock, {"money_flow_today"});
        QVERIFY(Join("qz_Lv2_quoter_10002", parent,
                     DataOf<ResponsePkgEntity_10002>(DecodeStockSnapshotBody(b.bytes())))
                    .IsSuccess());
        QStringList cells;
        for (const char* name :
             {"listing_board_code", "transfer_type_code", "board_category_code", "trading_channel"})
            cells << parent.quote_data->row.Get(name).ToString();
        QStringList expected{"", "", "", channel};
        expected[byte] = code;
        QCOMPARE(cells, expected);
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
        QCOMPARE(row.Get("float_ratio_day_20").ToDouble(), Single(-12345));
        QCOMPARE(row.Get("turnover_ratio_day_20").ToDouble(), Single(-6789));
        if (afterClose) {
            QCOMPARE(row.Get("gem_deal_volume_after_close").ToInt64(), qint64(-150));
            QCOMPARE(row.Get("gem_deal_capital_after_close").ToInt64(), qint64(3210000000));
        } else {
            QCOMPARE(row.Get("gem_deal_volume_after_close").ToString(), QString("earlier"));
            QVERIFY(!row.Contains("gem_deal_capital_after_close"));
        }
        QCOMPARE(before->row.Get("gem_deal_volume_after_close").ToString(), QString("earlier"));
    }

    void dataSetKeysCopyTheCarriedCells_data() {
        QTest::addColumn<quint32>("mask");
        QTest::addColumn<QList<qint64>>("values");  // of the eight keys; -1: no cell
        QTest::newRow("every group")
            << 0xE20u << QList<qint64>{1000, 800, 16000, 256000, 4096000, 1, 1007, -1009};
        QTest::newRow("quota only (connect codes)")
            << 0x400u << QList<qint64>{-1, -1, -1, -1, 4096000, 1, -1, -1};
        QTest::newRow("limits only (other codes)")
            << 0x20u << QList<qint64>{1000, 800, -1, -1, -1, -1, -1, -1};
        QTest::newRow("per-share figures only")
            << 0x800u << QList<qint64>{-1, -1, -1, -1, -1, -1, 1007, -1009};
    }

    // A data-set key takes the 10012 cell of its name; a group never carried has no cell, also
    // where the row held one before.
    void dataSetKeysCopyTheCarriedCells() {
        QFETCH(quint32, mask);
        QFETCH(QList<qint64>, values);
        ScopeTreeNode parent = BoardNode(
            "SH600000", {"limit_up_price", "limit_down_price", "total_shares", "float_shares",
                         "quota_balance", "quota_status", "eps", "nav_per_share"});
        QVERIFY(Join("qz_Lv2_quoter_10012", parent,
                     DataOf<ResponsePkgEntity_10012>(
                         DecodeStockDataSetBody(DataSetBody("SH600000", mask, 1000))))
                    .IsSuccess());
        QCOMPARE(RowValues(parent.quote_data->row), values);
        const nscell::DataRow& row = parent.quote_data->row;
        QCOMPARE((QStringList{row.Get("limit_up_price").DisplayText(), row.Get("eps").DisplayText(),
                              row.Get("nav_per_share").DisplayText()}),
                 (QStringList{mask & 0x20 ? "10.00" : "", mask & 0x800 ? "0.1007" : "",
                              mask & 0x800 ? "-0.1009" : ""}));
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
                 (QList<qint64>{-12345, -150, 25, 0x40000000, 0x40000400}));
        QCOMPARE((*call->Cache().Get(Topic("SZ300750", kRelated))).FloatRatio20d(), -12345);
        call->DetachNode(node);
        QCOMPARE(call->ActiveTopics().size(), std::size_t(2));
        call->DetachNode(twin);
        QCOMPARE(call->ActiveTopics(), (std::set<Topic>{Topic("SH600000", kRelated)}));
    }

    // An answer carrying some groups is merged into the cached one: its groups replace the
    // cached values, the others stay; the package published before is not touched.
    void dataSetAnswersMergeIntoTheCachedOne() {
        const auto call = h_.Make<QzLv2RemoteApiCall_10012>();
        QVERIFY(h_.accessor->IsSerial(10012));
        const ScopeTreeNode node = NodeFor("SH600000", "10012");
        call->AttachNode(node);
        const ServerRequest request = h_.WaitForRequestOf(10012, 1);
        const Topic topic("SH600000", "10012");
        Answer(*call, request, DataSetBody("SH600000", 0xE20, 1000), topic);
        const QuoteTaskExecMidResult full = h_.Next();
        QCOMPARE(full.scope_id, node.scope_id);
        QVERIFY(h_.backend->Answer(request, DataSetBody("SH600000", 0x20, 2000)));  // limits only
        const QuoteTaskExecMidResult partial = h_.Next();
        const auto* before = dynamic_cast<const ResponsePkgEntity_10012*>(full.data.data());
        const auto* merged = dynamic_cast<const ResponsePkgEntity_10012*>(partial.data.data());
        QVERIFY(before && merged && before != merged);
        const QList<qint64> mergedValues{2000, 1800, 16000, 256000, 4096000, 1, 1007, -1009};
        QCOMPARE(DataSetValues(*merged), mergedValues);
        QCOMPARE(RowValues(merged->row), mergedValues);
        QCOMPARE((QList<quint32>{merged->mask, merged->carried, before->mask}),
                 (QList<quint32>{0x20, 0xE20, 0xE20}));
        QCOMPARE(before->limit_up_price, 1000);
        QCOMPARE(DataSetValues(*call->Cache().Get(topic)), mergedValues);
        QVERIFY(call->GetDriver()->PollingSet().Contains(topic));
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
