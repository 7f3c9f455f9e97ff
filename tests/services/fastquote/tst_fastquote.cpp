// The 12989 book: decoder, conversion, resolver and joins, the next book taking over what did
// not change, and the 12989 call on a scripted server.
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QtTest>

#include <memory>

#include "host/core/HostClock.h"
#include "host/quoter/QzSignalControlMgr.h"
#include "host/quoter/ResponsePkgEntity_12989.h"
#include "services/fastquote/DecodedFastQuote.h"
#include "services/fastquote/FastQuoteConversion.h"
#include "services/fastquote/FastQuoteDecoder.h"
#include "services/fastquote/FastQuoteJoins.h"
#include "services/fastquote/FastQuoteRows.h"
#include "services/fastquote/QzLv2FastQuoteNodeData.h"
#include "services/fastquote/QzLv2FastQuoteScopeResolver.h"
#include "services/fastquote/QzLv2RemoteApiCall_12989.h"
#include "services/stockboard/ResponsePkgEntity_10002.h"
#include "tests/services/CallTestSupport.h"
#include "tests/services/HandLaid.h"

using namespace calltest;
using nscell::DataRow;
using nscell::UnsharedDataCell;
using namespace fastquotebody;

Q_DECLARE_METATYPE(fastquotebody::Level)

namespace {

const auto Key = [](qint64 v) { return UnsharedDataCell::FromInteger(v); };
const auto Big = [](qint64 v) { return UnsharedDataCell::FromBigInteger(v); };
const auto Price = [](qint32 raw, int precision) {
    return UnsharedDataCell::FromPrice(raw, precision);
};

QSharedPointer<QuoteData> BasicQuoteData(quint32 carried, int precision, qint32 basePrice,
                                         quint16 stockType) {
    auto entity = QSharedPointer<ResponsePkgEntity_10002>::create();
    entity->snapshot.carried1 = entity->snapshot.mask1 = carried;
    entity->snapshot.price_precision = quint8(precision);
    entity->snapshot.base_price = basePrice;
    entity->snapshot.stock_type = stockType;
    return entity;
}

ScopeTreeNode Child(QSharedPointer<QuoteData> data) {
    ScopeTreeNode child;
    child.quote_data = data;
    return child;
}

const QzLv2FastQuoteNodeData* NodeData(const ScopeTreeNode& node) {
    return dynamic_cast<const QzLv2FastQuoteNodeData*>(node.quote_data.data());
}

QString Lots(const ResponsePkgEntity_12989* data) {
    return data->gears.buy_queues.value(Key(1050)).Get("will_volume_list").ToString();
}

QString Text(const DataRow& row, const char* column) {
    return row.Get(column).ToString();
}

ResponsePkgEntity_12989 Decoded(const QByteArray& body) {
    ResponsePkgEntity_12989 entity;
    QString code;
    FastQuoteDecoder::Decode(body, entity, code);  // a rejected body leaves the entity empty
    return entity;
}

QSharedPointer<QuoteData> FastQuoteData(qint8 flag = 1) {
    return QSharedPointer<ResponsePkgEntity_12989>::create(
        Decoded(Body("SH600000", {{1050, 58000, 2, 0, {30000, 28000}}}, {}, flag)));
}

using SideLevels = QVector<Level>;
using Prices = QList<qint32>;  // the raw prices of the levels expected to be taken over
using RowMap = ThousandGearsQuoteData::RowMap;

const SideLevels kBuy{{1050, 3000, 2, 0, {1000, 2000}},
                      {1049, 500, 1, 1, {500}},
                      {1048, 0, 0, 0, {}},
                      {1047, 700, 3, 0, {100, 200, 400}}};
const SideLevels kSell{{1051, 900, 2, 0, {400, 500}}, {1052, 60000, 1, 1, {60000}}};

SideLevels With(SideLevels levels, int index, const Level& level) {
    levels[index] = level;
    return levels;
}

// Whether a side takes over every level of the last book's side, which then lends its maps too
// (the rows of these tables keep the last book's order).
bool AllTaken(const Prices& taken, const SideLevels& side, const SideLevels& last) {
    return taken.size() == side.size() && side.size() == last.size();
}

// A book as the call publishes it: the package with the levels it was decoded from.
struct Book {
    DecodedFastQuote entity;
    FastQuoteLevelsPtr levels;
};

Book DecodedNext(const QByteArray& body, const FastQuoteLevels* previous) {
    Book book;
    QString code;
    FastQuoteDecoder::DecodeNext(body, previous, book.entity, code, book.levels);
    book.entity.levels = book.levels;
    return book;
}

bool Shared(const DataRow& a, const DataRow& b) {
    return a.GetCells().IsSharedWith(b.GetCells());
}

// Whether two books show the same: flag, row vectors and maps.
bool Same(const ResponsePkgEntity_12989& a, const ResponsePkgEntity_12989& b) {
    return a.fast_ten_flag == b.fast_ten_flag && a.wills.buy_rows == b.wills.buy_rows &&
           a.wills.sell_rows == b.wills.sell_rows && a.gears.buy_levels == b.gears.buy_levels &&
           a.gears.buy_queues == b.gears.buy_queues && a.gears.sell_levels == b.gears.sell_levels &&
           a.gears.sell_queues == b.gears.sell_queues;
}

// Rows at the prices in `taken` are the last book's; the maps too when the side is unchanged.
void CheckTakenOver(const SideLevels& side, bool unchanged, const Prices& taken,
                    const RowMap& levels, const RowMap& queues, const RowMap& lastLevels,
                    const RowMap& lastQueues) {
    for (const Level& l : side) {
        const auto expected = qMakePair(l.price, taken.contains(l.price));
        QCOMPARE(qMakePair(l.price, Shared(levels[Key(l.price)], lastLevels[Key(l.price)])),
                 expected);
        QCOMPARE(qMakePair(l.price, Shared(queues[Key(l.price)], lastQueues[Key(l.price)])),
                 expected);
    }
    QCOMPARE(levels.isSharedWith(lastLevels), unchanged);
    QCOMPARE(queues.isSharedWith(lastQueues), unchanged);
}

constexpr int kChainSteps = 400;  // books of a seeded chain
constexpr int kLowPrices = 16;    // prices 0 .. 15: the fillers' keys and more
constexpr int kMaxSide = 12;      // levels a random side may have

// A random level: mostly a low price (a filler's key or just above), else one near 1000.
Level RandomLevel(QRandomGenerator& random) {
    const qint32 price = random.bounded(2) != 0 ? qint32(random.bounded(kLowPrices))
                                                : qint32(990 + random.bounded(20));
    QVector<qint32> queued;
    for (int k = int(random.bounded(4)); k > 0; --k)
        queued << qint32(random.bounded(-100, 100000));
    return Level{price, qint32(random.bounded(100000)), qint32(random.bounded(30)),
                 quint16(random.bounded(3)), queued};
}

SideLevels RandomSide(QRandomGenerator& random) {
    SideLevels side;
    for (int n = int(random.bounded(kMaxSide + 1)); n > 0; --n)
        side << RandomLevel(random);
    return side;
}

// The next book's side, most often as a push makes it (the same prices, a level or two
// changed), else unchanged, one price moved, or a level added or dropped.
void Mutate(QRandomGenerator& random, SideLevels& side) {
    const int what = int(random.bounded(10));
    const int at = side.isEmpty() ? 0 : int(random.bounded(side.size()));
    if (what < 5 && !side.isEmpty()) {
        for (int n = 1 + int(random.bounded(2)); n > 0; --n) {
            Level& level = side[int(random.bounded(side.size()))];
            const Level other = RandomLevel(random);
            level = Level{level.price, other.volume, other.orders, other.big, other.queued};
        }
    } else if (what == 5 && !side.isEmpty()) {
        side[at].price = RandomLevel(random).price;
    } else if (what == 6 && side.size() < kMaxSide) {
        side.insert(at, RandomLevel(random));
    } else if (what == 7 && !side.isEmpty()) {
        side.remove(at);
    }
}

ResponsePkgEntity_12989 Converted(ResponsePkgEntity_12989 book, int precision) {
    FastQuoteConversion::ConvertBook(book.wills, book.gears, precision);
    return book;
}

const char* const kFastTen = "fast_ten_topic";

QByteArray BookBody(const QString& code, qint8 flag) {
    return fastquotebody::Body(code, {{1050, 30000, 1, 0, {30000}}},
                               fastquotebody::Levels(2, 1051, 1), flag);
}

QList<int> FastTenMessages() {
    QList<int> flags;
    for (const QVariant& message : QzSignalControlMgr::GetInstance()->Messages(kFastTen))
        flags << message.toInt();
    return flags;
}

const ResponsePkgEntity_12989* Entity(const QuoteTaskExecMidResult& result) {
    return dynamic_cast<const ResponsePkgEntity_12989*>(result.data.data());
}

}  // namespace

class TestFastQuote : public QObject {
    Q_OBJECT

private slots:
    void init() {
        HostClock::SetForTest(kStartMs);
        QzSignalControlMgr::GetInstance()->Reset();
        h_.Start("pcl2xtquote");
        h_.accessor->RegisterFuncAsSerial(12989);
        h_.accessor->RegisterFuncAsPush(12989);
        call_ = h_.Make<QzLv2RemoteApiCall_12989>();
    }

    void cleanup() {
        call_.reset();
        h_.Stop();
        QzSignalControlMgr::GetInstance()->Reset();
        HostClock::UseSystemClock();
    }

    void fastTenFlagSignalledOncePerChangeAcrossStocks() {
        call_->AttachNode(NodeFor("SH600000", "12989"));
        call_->AttachNode(NodeFor("SZ000001", "12989"));
        QCOMPARE(int(call_->LastFastTenFlag()), -1);
        // Signalled: the first flag, then each change, whichever stock it came with.
        const QStringList codes{"SH600000", "SH600000", "SZ000001",
                                "SZ000001", "SH600000", "SH600000"};
        const QList<int> flags{0, 0, 0, 1, 1, -1};
        for (int i = 0; i < codes.size(); ++i)
            Answer(codes[i], BookBody(codes[i], qint8(flags[i])));
        QCOMPARE(h_.Take(codes.size()).size(), codes.size());
        QCOMPARE(FastTenMessages(), (QList<int>{0, 1, -1}));
        QCOMPARE(int(call_->LastFastTenFlag()), -1);
    }

    void pushTakesOverLastBookOfSubscribedStockBeyondCache_data() {
        QTest::addColumn<bool>("resubscribed");
        QTest::addColumn<bool>("sharedExpected");
        QTest::newRow("subscribed throughout") << false << true;
        QTest::newRow("left and came back, no longer cached") << true << false;
    }

    // Eleven stocks, one more than the cache keeps: the first stock's last book is no longer
    // cached when its next one comes, yet a subscribed stock's unchanged book still takes over the
    // last one's maps. A stock whose subscribers all left keeps nothing.
    void pushTakesOverLastBookOfSubscribedStockBeyondCache() {
        QFETCH(bool, resubscribed);
        QFETCH(bool, sharedExpected);
        QStringList codes;
        QList<ScopeTreeNode> nodes;
        for (int i = 0; i < 11; ++i) {
            codes << QString("SZ0000%1").arg(i, 2, 10, QChar('0'));
            nodes << NodeFor(codes.last(), "12989");
            call_->AttachNode(nodes.last());
            Answer(codes.last(), BookBody(codes.last(), 1));
        }
        const QList<QuoteTaskExecMidResult> first = h_.Take(codes.size());
        QCOMPARE(first.size(), codes.size());
        QTRY_VERIFY_WITH_TIMEOUT(!call_->Cache().Contains(codes.first()), kWaitMs);
        if (resubscribed) {
            call_->DetachNode(nodes.first());
            call_->AttachNode(nodes.first());
        }
        Answer(codes.first(), BookBody(codes.first(), 1));
        const QList<QuoteTaskExecMidResult> next = h_.Take(1);
        QCOMPARE(next.size(), 1);
        const ThousandGearsQuoteData& before = Entity(first.first())->gears;
        const ThousandGearsQuoteData& after = Entity(next.first())->gears;
        QVERIFY(after.buy_levels == before.buy_levels);
        QCOMPARE(after.buy_levels.isSharedWith(before.buy_levels), sharedExpected);
        QCOMPARE(after.sell_queues.isSharedWith(before.sell_queues), sharedExpected);
    }

    void answerReachesNodesOfRequestedStockBadOnesNothing() {
        const ScopeTreeNode first = NodeFor("SH600000", "12989");
        const ScopeTreeNode second = NodeFor("SH600000", "12989");
        for (const ScopeTreeNode& node : {first, second, NodeFor("SH600001", "12989")})
            call_->AttachNode(node);
        h_.backend->Push(12989, BookBody("SH600001", 1));  // no key group: dropped
        HandLaid lying = fastquotebody::Header("SH600001", 3, 0).level({1050, 300, 1, 0, {300}});
        ExpectWarning("lv2-12989", ".*function 12989 body rejected: offset \\d+");
        Answer("SH600001", lying.i8(1).bytes());
        Answer("SH600000", BookBody("SH688001", -1));
        const QList<QuoteTaskExecMidResult> results = h_.Take(2);
        QCOMPARE(results.size(), 2);
        QCOMPARE(results[0].scope_id, first.scope_id);
        QCOMPARE(results[1].scope_id, second.scope_id);
        QCOMPARE(Entity(results[0])->wills.buy_rows[0].Get("price"),
                 nscell::UnsharedDataCell::FromBigInteger(1050));  // published raw
        QTRY_COMPARE_WITH_TIMEOUT(call_->Cache().Keys(), QList<QString>{"SH688001"}, kWaitMs);
        QCOMPARE(h_.Queued(), 0);
        QCOMPARE(FastTenMessages(), QList<int>{});  // the good answer's -1 is no change
    }

    void initTestCase() {
        resolver_.Init();
        const QList<JoinMethodValue> joins = resolver_.GetJoinMethodList();
        QCOMPARE(joins.size(), 2);
        basicJoin_ = joins.at(0);
        fastJoin_ = joins.at(1);
        const ScopeSplitTypeVariant split(8);
        QCOMPARE(basicJoin_.Key(), JoinMethodKey("l2_fast_quote", split, ScopeTypeVariant(2)));
        QCOMPARE(fastJoin_.Key(), JoinMethodKey("l2_fast_quote", split, "qz_lv2_quoter_12989"));
    }

    // Price, volume, order count and queued volumes are signed; the big flag, the level counts
    // and K unsigned: a big flag only in its high byte, and K and Nb of 0x8000.
    void wireValuesBeyondTheSignBit() {
        QVector<qint32> queued(0x8000, 7);
        queued[0] = -2147483647 - 1;
        queued[1] = 2147483647;
        queued[2] = -100;
        const ResponsePkgEntity_12989 e = Decoded(
            Body("SH600000", {{-1050, -30000, -2, 0x8000, queued}, {1049, -5, 1, 0x0100, {-100}}},
                 {}, -128));
        QCOMPARE(int(e.fast_ten_flag), -128);
        const DataRow& level = e.wills.buy_rows.at(0);
        QCOMPARE((QList<UnsharedDataCell>{level.Get("price"), level.Get("vol"), level.Get("isbig"),
                                          e.wills.buy_rows.at(1).Get("isbig")}),
                 (QList<UnsharedDataCell>{Big(-1050), Big(-30000), Big(1), Big(1)}));
        const DataRow queue = e.gears.buy_queues.value(Key(-1050));
        QCOMPARE(queue.Get("will_price"), Big(-1050));
        QCOMPARE(queue.Get("total_will_count"), Big(-2));
        const QStringList volumes = Text(queue, "will_volume_list").split(',');
        QCOMPARE(volumes.size(), 0x8000);
        QCOMPARE(volumes.mid(0, 4), (QStringList{"-2147483648", "2147483647", "-100", "7"}));
        QCOMPARE(Text(e.gears.buy_queues.value(Key(1049)), "will_volume_list"), QString("-100"));
        const ResponsePkgEntity_12989 deep = Decoded(Body("SH600000", Levels(0x8000, 1, 1), {}, 0));
        QCOMPARE(int(deep.wills.buy_rows.size()), 0x8000);
        QCOMPARE(deep.wills.buy_rows.back().Get("price"), Big(0x8000));
    }

    void badBodiesAreRejectedWhole_data() {
        QTest::addColumn<QByteArray>("body");
        const QByteArray good =
            Body("SH600000", {{1050, 300, 2, 0, {100, 200}}}, Levels(2, 1051, 1), 1);
        HandLaid lyingBuyCount = Header("SH600000", 5, 0).level({1050, 300, 1, 0, {300}});
        HandLaid lyingQueue = Header("SH600000", 1, 0);
        lyingQueue.i32(1050).i32(300).i32(2).u16(0).u16(60000).i32(100).i32(200);
        QByteArray lyingString = good;
        lyingString[8] = char(0xFF);  // code length 255

        QTest::newRow("empty") << QByteArray();
        QTest::newRow("code length beyond the body") << lyingString;
        QTest::newRow("without the fast-ten flag") << good.left(good.size() - 1);
        QTest::newRow("buy count beyond the levels") << lyingBuyCount.i8(1).bytes();
        QTest::newRow("queued count beyond the volumes") << lyingQueue.i8(1).bytes();
        QTest::newRow("counts of 65535 levels") << Header("SH600000", 0xFFFF, 0xFFFF).bytes();
    }

    void badBodiesAreRejectedWhole() {
        QFETCH(QByteArray, body);
        const Book last = DecodedNext(Body("SH600000", kBuy, kSell, 1), nullptr);
        for (const FastQuoteLevels* previous :
             {static_cast<const FastQuoteLevels*>(nullptr), last.levels.get()}) {
            ResponsePkgEntity_12989 entity;
            entity.fast_ten_flag = 7;
            entity.wills.buy_rows.push_back(DataRow());
            entity.gears.sell_levels.insert(Key(1), DataRow());
            QString code = "untouched";
            FastQuoteLevelsPtr levels = last.levels;
            ExpectWarning("lv2-12989",
                          "FastQuoteDecoder::Decode: function 12989 body rejected: "
                          "offset \\d+ wanted \\d+ bytes of \\d+$");
            QVERIFY(!FastQuoteDecoder::DecodeNext(body, previous, entity, code, levels));
            QCOMPARE(int(entity.fast_ten_flag), 7);
            QCOMPARE(int(entity.wills.buy_rows.size()), 1);
            QCOMPARE(entity.gears.sell_levels.size(), 1);
            QVERIFY(entity.gears.buy_levels.isEmpty());
            QCOMPARE(code, QString("untouched"));
            QVERIFY(levels == last.levels);
        }
    }

    void queueRowBecomesLotsWithBigIndexes_data() {
        // Precision 2; an order is big by its lots or by its amount, lots x raw price.
        QTest::addColumn<qint64>("rawPrice");
        QTest::addColumn<QStringList>("sharesLotsBig");
        QTest::newRow("599 lots, small amount") << qint64(1) << QStringList{"59999", "599", ""};
        QTest::newRow("600 lots") << qint64(1) << QStringList{"60000", "600", "0"};
        QTest::newRow("amount exactly 300,000") << qint64(1000) << QStringList{"30000", "300", ""};
        QTest::newRow("amount 300,001") << qint64(300001) << QStringList{"100", "1", "0"};
        QTest::newRow("amount exactly 1,000,000")
            << qint64(1000000) << QStringList{"100", "1", "0"};
        QTest::newRow("shares below a lot: 0 lots")
            << qint64(1000000) << QStringList{"99", "0", ""};
        QTest::newRow("negative volume") << qint64(1050) << QStringList{"-60000", "-600", ""};
        QTest::newRow("mixed") << qint64(1050)
                               << QStringList{"28000,30000,150,60000", "280,300,1,600", "1,3"};
        QTest::newRow("empty parts kept")
            << qint64(1050) << QStringList{"30000,,30000", "300,0,300", "0,2"};
        QTest::newRow("signs; too long or mixed is no number")
            << qint64(1050) << QStringList{"+30000,-,12a,1234567890123456789", "300,0,0,0", "0"};
        QTest::newRow("truncated toward zero")
            << qint64(1050) << QStringList{"199,-199", "1,-1", ""};
    }

    void queueRowBecomesLotsWithBigIndexes() {
        QFETCH(qint64, rawPrice);
        QFETCH(QStringList, sharesLotsBig);
        DataRow row = fastquote::MakeQueueRow("buy", rawPrice, 1, sharesLotsBig[0]);
        FastQuoteConversion::ConvertQueueRow(row, 2);
        QCOMPARE(Text(row, "will_volume_list"), sharesLotsBig[1]);
        QCOMPARE(Text(row, "big_volumeindex_list"), sharesLotsBig[2]);
        QCOMPARE(row.Get("will_price"), Price(qint32(rawPrice), 2));
    }

    // A queue the call decoded is converted from its volumes as they came: the same text as
    // from the row's shares, signs, the int32 ends, big orders and the empty queue's "0"
    // included, beyond the text buffer on the stack too.
    void queueFromTheWireConvertsAsFromItsText_data() {
        QTest::addColumn<qint64>("rawPrice");
        QTest::addColumn<QVector<qint32>>("volumes");
        QVector<qint32> long_;
        for (int i = 0; i < 300; ++i)
            long_ << (i % 7 == 0 ? 70000 + i : -(i * 101));
        QTest::newRow("no order") << qint64(1050) << QVector<qint32>{};
        QTest::newRow("one small order") << qint64(1050) << QVector<qint32>{199};
        QTest::newRow("either side of a lot, both signs")
            << qint64(1050) << QVector<qint32>{0, 1, -1, 99, -99, 100, -100, 101, -101, 1000};
        QTest::newRow("int32 ends")
            << qint64(1050) << QVector<qint32>{INT32_MIN, INT32_MAX, -199, 0};
        QTest::newRow("big by lots and by amount")
            << qint64(300001) << QVector<qint32>{28000, 100, 60000, 99};
        QTest::newRow("300 orders") << qint64(1050) << long_;
    }

    void queueFromTheWireConvertsAsFromItsText() {
        QFETCH(qint64, rawPrice);
        QFETCH(QVector<qint32>, volumes);
        QStringList shares;
        QByteArray wire;
        for (qint32 volume : volumes) {
            shares << QString::number(volume);
            char bytes[4];
            qToLittleEndian(volume, bytes);
            wire.append(bytes, 4);
        }
        const DataRow raw = fastquote::MakeQueueRow("buy", rawPrice, 1, shares.join(','));
        DataRow fromText = raw;
        FastQuoteConversion::ConvertQueueRow(fromText, 2);
        DataRow fromWire = raw;
        FastQuoteConversion::ConvertQueueRow(fromWire, 2, wire.constData(), volumes.size());
        QCOMPARE(Text(fromWire, "will_volume_list"), Text(fromText, "will_volume_list"));
        QCOMPARE(Text(fromWire, "big_volumeindex_list"), Text(fromText, "big_volumeindex_list"));
        QVERIFY(fromWire == fromText);
    }

    void resolverSplitsIntoBasicAndFastQuoteChildren() {
        ScopeTreeNode node = ScopeTreeNode::NewRoot("l2_fast_quote");
        node.stock_list = StockListExpression::FromStockCode("SZ000001");
        node.shared_block = {{17, -4}};
        ScopeResolveResult result;
        QVERIFY(resolver_.Resolve(result, node));
        QCOMPARE(result.fetch_nodes.size(), 2);
        QVERIFY(result.unhandled_nodes.isEmpty());
        const ScopeTreeNode& basic = result.fetch_nodes.at(0);
        const ScopeTreeNode& fast = result.fetch_nodes.at(1);
        QVERIFY(basic.scope_type.IsInt());
        QCOMPARE((QList<ScopeTypeVariant>{basic.scope_type, basic.api_type, fast.scope_type,
                                          fast.api_type}),
                 (QList<ScopeTypeVariant>{2, "10001", "qz_lv2_quoter_12989", "12989"}));
        QCOMPARE(basic.key_list.GetKeyList(), QStringList{"lastest_time_based_deal"});
        QCOMPARE(fast.shared_block, node.shared_block);
        QCOMPARE(basic.stock_list.GetStockCode(), QString("SZ000001"));
        QCOMPARE(fast.stock_list.GetStockCode(), QString("SZ000001"));
    }

    void joinsConvertOnceThePrecisionIsKnown_data() {
        QTest::addColumn<bool>("basicFirst");
        QTest::newRow("basic quote first") << true;
        QTest::newRow("fast quote first") << false;
    }

    // The first basic quote's snapshot sets precision, stock type and previous close, carried in
    // its message or not; later ones change nothing. The book is converted once, the child's
    // published book and the node data the host held before not at all.
    void joinsConvertOnceThePrecisionIsKnown() {
        QFETCH(bool, basicFirst);
        ScopeTreeNode parent = ScopeTreeNode::NewRoot("l2_fast_quote");
        const QSharedPointer<QuoteData> fast = FastQuoteData(1);
        QVERIFY(basicFirst || fastJoin_.Run(parent, Child(fast)));
        const QSharedPointer<QuoteData> before = parent.quote_data;
        QVERIFY(basicJoin_.Run(parent, Child(BasicQuoteData(basicFirst ? 0x34 : 0x1, 2, 1040, 5))));
        QVERIFY(basicJoin_.Run(parent, Child(BasicQuoteData(0x4 | 0x10 | 0x20, 4, 2000, 9))));
        QVERIFY(!basicFirst || fastJoin_.Run(parent, Child(fast)));
        const QzLv2FastQuoteNodeData* data = NodeData(parent);
        QCOMPARE((QList<int>{data->precision, data->stock_type, data->fast_ten_flag}),
                 (QList<int>{2, 5, 1}));
        QCOMPARE(data->wills.summary.Get("prev_price_base"), Price(1040, 2));
        QCOMPARE(data->wills.buy_rows[0].Get("price").DisplayText(), QString("10.50"));
        QCOMPARE(data->wills.buy_rows[0].Get("vol"), Big(58000));  // volumes stay shares
        QCOMPARE(Lots(data), QString("300,280"));
        QCOMPARE(data->gears.buy_levels.value(Key(1050)), data->wills.buy_rows[0]);
        QCOMPARE(data->gears.sell_levels.value(Key(9)), data->wills.sell_rows[9]);
        QCOMPARE(data->wills.sell_rows[9].Get("price"), Price(0, 2));
        QCOMPARE(Text(data->gears.sell_queues.value(Key(9)), "will_volume_list"), QString("0"));
        QCOMPARE(Lots(static_cast<const ResponsePkgEntity_12989*>(fast.data())),
                 QString("30000,28000"));
        if (!basicFirst) {
            const auto* old = static_cast<const QzLv2FastQuoteNodeData*>(before.data());
            QCOMPARE(old->precision, -1);
            QCOMPARE(Lots(old), QString("30000,28000"));
        }
    }

    void sourcesWithoutOrWithOtherDataAreNotJoined() {
        ScopeTreeNode parent = ScopeTreeNode::NewRoot("l2_fast_quote");
        QVERIFY(!basicJoin_.Run(parent, Child({})));
        QVERIFY(NodeData(parent) != nullptr);
        QVERIFY(!fastJoin_.Run(parent, Child({})));
        QVERIFY(fastJoin_.Run(parent, Child(FastQuoteData(1))));
        const QSharedPointer<QuoteData> joined = parent.quote_data;
        QVERIFY(!fastJoin_.Run(parent, Child(BasicQuoteData(0x4, 2, 0, 0))));
        QVERIFY(!basicJoin_.Run(parent, Child({})));
        QVERIFY(
            basicJoin_.Run(parent, Child(FastQuoteData(0))));  // wrong kind: succeeds, no change
        QCOMPARE(parent.quote_data, joined);

        ScopeTreeNode other = ScopeTreeNode::NewRoot("l2_fast_quote");
        other.quote_data = QSharedPointer<QuoteData>::create();
        QVERIFY(fastJoin_.Run(other, Child(FastQuoteData(1))));
        QCOMPARE(int(NodeData(other)->fast_ten_flag), 1);
    }

    void oneLevelPerMapKey_data() {
        QTest::addColumn<SideLevels>("buy");
        QTest::addColumn<int>("changed");
        QTest::addColumn<int>("shown");  // the level the maps hold at its price; -1: a filler
        const SideLevels twice{
            {1050, 100, 1, 0, {100}}, {1049, 200, 1, 0, {200}}, {1050, 300, 1, 0, {300}}};
        QTest::newRow("a price named twice, the earlier changed") << twice << 0 << 2;
        QTest::newRow("a price named twice, the later changed") << twice << 2 << 2;
        QTest::newRow("a price named twice, the level between changed") << twice << 1 << 1;
        QTest::newRow("price 2 of two levels: a filler's key")
            << SideLevels{{1455, 300, 3, 0, {100, 200}}, {2, 900, 20, 0, {900}}} << 1 << -1;
        QTest::newRow("price 0 of nine levels")
            << (Levels(8, 1100, -1) + SideLevels{{0, 5, 1, 0, {5}}}) << 8 << -1;
        QTest::newRow("price 8 of one level: the last filler's key")
            << SideLevels{{8, 5, 1, 1, {5}}} << 0 << -1;
        QTest::newRow("price 9 of one level: above the fillers")
            << SideLevels{{9, 5, 1, 1, {5}}} << 0 << 0;
        QTest::newRow("price 0 of ten levels: no filler")
            << (Levels(9, 1100, -1) + SideLevels{{0, 5, 1, 0, {5}}}) << 9 << 9;
    }

    // A side naming one price twice keeps the later level in its maps; a side of n levels has
    // fillers keyed 0 .. 9 - n, which take the entries of a real level priced there. So does the
    // next book (the same prices) that changed only one level and takes the rest over.
    void oneLevelPerMapKey() {
        QFETCH(SideLevels, buy);
        QFETCH(int, changed);
        QFETCH(int, shown);
        const Book last = DecodedNext(Body("SH600000", buy, kSell, 1), nullptr);
        buy[changed].orders += 1;
        buy[changed].volume += 5;
        const QByteArray body = Body("SH600000", buy, kSell, 1);
        const Book next = DecodedNext(body, last.levels.get());
        const qint32 price = buy[changed].price;
        const RowMap& queues = next.entity.gears.buy_queues;
        QCOMPARE(queues.value(Key(price)).Get("total_will_count"),
                 Big(shown < 0 ? 0 : buy[shown].orders));
        QCOMPARE(next.entity.gears.buy_levels.value(Key(price)).Get("vol"),
                 Big(shown < 0 ? 0 : buy[shown].volume));
        QCOMPARE(next.entity.wills.buy_rows[std::size_t(changed)].Get("price"), Big(price));
        QVERIFY(Same(next.entity, DecodedNext(body, nullptr).entity));
    }

    void nextBookReadsAsAFreshDecode_data() {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed : {1u, 22u, 12989u, 20240105u})
            QTest::newRow(qPrintable(QString("seed %1").arg(seed))) << seed;
    }

    // Seeded chains of books, each the one before with levels changed, added or dropped, prices
    // from 0 up (the fillers' keys and repeated prices included): every book decoded from the
    // one before reads as the same body decoded afresh, and a node's converted book updated from
    // the one before (or from the one before that, a push missed) as that body converted afresh.
    void nextBookReadsAsAFreshDecode() {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        SideLevels buy = RandomSide(random);
        SideLevels sell = RandomSide(random);
        Book last;
        Book lastEven;
        ResponsePkgEntity_12989 converted;      // `last` converted, step by step
        ResponsePkgEntity_12989 convertedEven;  // `lastEven` converted, every other step
        for (int step = 0; step < kChainSteps; ++step) {
            const QByteArray body = Body("SH600000", buy, sell, qint8(step % 3 - 1));
            const Book next = DecodedNext(body, last.levels.get());
            const Book fresh = DecodedNext(body, nullptr);
            const QString at = QString("step %1").arg(step);
            QVERIFY2(Same(next.entity, fresh.entity), qPrintable(at));
            const ResponsePkgEntity_12989 expected = Converted(fresh.entity, 2);
            if (step == 0) {
                converted = convertedEven = Converted(next.entity, 2);
            } else {
                FastQuoteConversion::UpdateBook(last.entity, next.entity, 2, converted.wills,
                                                converted.gears);
                converted.fast_ten_flag = next.entity.fast_ten_flag;  // the join's, not this
            }
            QVERIFY2(Same(converted, expected), qPrintable(at));
            if (step > 0 && step % 2 == 0) {  // a node that missed a push
                FastQuoteConversion::UpdateBook(lastEven.entity, next.entity, 2,
                                                convertedEven.wills, convertedEven.gears);
                convertedEven.fast_ten_flag = next.entity.fast_ten_flag;
                QVERIFY2(Same(convertedEven, expected), qPrintable(at + ", one missed"));
            }
            if (step % 2 == 0) {
                lastEven = next;
            }
            last = next;
            Mutate(random, buy);
            Mutate(random, sell);
        }
    }

    void decoderTakesOverUnchangedLevels_data() {
        QTest::addColumn<SideLevels>("buy");
        QTest::addColumn<SideLevels>("sell");
        QTest::addColumn<Prices>("takenBuy");
        QTest::addColumn<Prices>("takenSell");
        const Prices allBuy{1050, 1049, 1048, 1047};
        const Prices allSell{1051, 1052};
        QTest::newRow("the same book again") << kBuy << kSell << allBuy << allSell;
        QTest::newRow("one buy level's volume changed")
            << With(kBuy, 1, {1049, 600, 1, 1, {500}}) << kSell << Prices{1050, 1048, 1047}
            << allSell;
        QTest::newRow("a queued order changed at the same price")
            << kBuy << With(kSell, 0, {1051, 900, 2, 0, {400, 501}}) << allBuy << Prices{1052};
        QTest::newRow("a queued order joined at the same price")
            << With(kBuy, 0, {1050, 3000, 3, 0, {1000, 2000, 5}}) << kSell
            << Prices{1049, 1048, 1047} << allSell;
        QTest::newRow("the big flag changed") << With(kBuy, 3, {1047, 700, 3, 1, {100, 200, 400}})
                                              << kSell << Prices{1050, 1049, 1048} << allSell;
        QTest::newRow("a new best price pushed the levels down")
            << (SideLevels{{1053, 100, 1, 0, {100}}} + kBuy) << kSell << allBuy << allSell;
        QTest::newRow("a sell level went away")
            << kBuy << SideLevels{kSell[1]} << allBuy << Prices{1052};
        QTest::newRow("both sides changed everywhere")
            << SideLevels{{900, 1, 1, 0, {1}}} << SideLevels{{1200, 1, 1, 0, {1}}} << Prices{}
            << Prices{};
    }

    void decoderTakesOverUnchangedLevels() {
        QFETCH(SideLevels, buy);
        QFETCH(SideLevels, sell);
        QFETCH(Prices, takenBuy);
        QFETCH(Prices, takenSell);
        const Book last = DecodedNext(Body("SH600000", kBuy, kSell, 1), nullptr);
        const QByteArray body = Body("SH600000", buy, sell, 0);
        const Book next = DecodedNext(body, last.levels.get());
        QVERIFY(Same(next.entity, Decoded(body)));
        const ThousandGearsQuoteData& gears = next.entity.gears;
        const ThousandGearsQuoteData& lastGears = last.entity.gears;
        CheckTakenOver(buy, AllTaken(takenBuy, buy, kBuy), takenBuy, gears.buy_levels,
                       gears.buy_queues, lastGears.buy_levels, lastGears.buy_queues);
        CheckTakenOver(sell, AllTaken(takenSell, sell, kSell), takenSell, gears.sell_levels,
                       gears.sell_queues, lastGears.sell_levels, lastGears.sell_queues);
        const Book again = DecodedNext(body, next.levels.get());
        QVERIFY(again.entity.gears.buy_levels.isSharedWith(gears.buy_levels));
        QVERIFY(again.entity.gears.sell_queues.isSharedWith(gears.sell_queues));
    }

    // A push's conversion starts from the last book's: it equals a whole conversion of the push,
    // and a row the push did not change is the row converted last time (a level the push moved
    // to another place is converted again).
    void conversionUpdatesOnlyWhatThePushChanged_data() {
        QTest::addColumn<SideLevels>("buy");
        QTest::addColumn<SideLevels>("sell");
        QTest::addColumn<bool>("buyRowOneKept");  // the converted vector row 1 (price 1049)
        QTest::addColumn<bool>("buyMapsKept");
        QTest::addColumn<bool>("sellMapsKept");
        QTest::addColumn<bool>("asDecoded");  // as the call publishes them, with their levels
        for (bool asDecoded : {true, false}) {
            const char* const how = asDecoded ? "as decoded" : "plain";
            QTest::addRow("one buy level changed, %s", how)
                << With(kBuy, 0, {1050, 3100, 2, 0, {1100, 2000}}) << kSell << true << false << true
                << asDecoded;
            QTest::addRow("a new best price pushed the levels down, %s", how)
                << (SideLevels{{1053, 100, 1, 0, {100}}} + kBuy) << kSell << false << false << true
                << asDecoded;
            QTest::addRow("a sell level went away, %s", how)
                << kBuy << SideLevels{kSell[1]} << true << true << false << asDecoded;
        }
    }

    void conversionUpdatesOnlyWhatThePushChanged() {
        QFETCH(SideLevels, buy);
        QFETCH(SideLevels, sell);
        QFETCH(bool, buyRowOneKept);
        QFETCH(bool, buyMapsKept);
        QFETCH(bool, sellMapsKept);
        QFETCH(bool, asDecoded);
        const Book decodedLast = DecodedNext(Body("SH600000", kBuy, kSell, 1), nullptr);
        const Book decodedNext =
            DecodedNext(Body("SH600000", buy, sell, 1), decodedLast.levels.get());
        // Without their levels (plain packages) the books convert from the rows alone.
        const ResponsePkgEntity_12989 plainLast = decodedLast.entity;
        const ResponsePkgEntity_12989 plainNext = decodedNext.entity;
        const ResponsePkgEntity_12989& last = asDecoded ? decodedLast.entity : plainLast;
        const ResponsePkgEntity_12989& next = asDecoded ? decodedNext.entity : plainNext;
        ResponsePkgEntity_12989 converted = last;
        FastQuoteConversion::ConvertBook(converted.wills, converted.gears, 2,
                                         asDecoded ? decodedLast.levels.get() : nullptr);
        QVERIFY(Same(converted, Converted(plainLast, 2)));
        const ResponsePkgEntity_12989 lastConverted = converted;
        FastQuoteConversion::UpdateBook(last, next, 2, converted.wills, converted.gears);
        QVERIFY(Same(converted, Converted(plainNext, 2)));
        const ThousandGearsQuoteData& gears = converted.gears;
        const ThousandGearsQuoteData& lastGears = lastConverted.gears;
        QVERIFY(Shared(gears.buy_queues.value(Key(1049)), lastGears.buy_queues.value(Key(1049))));
        QVERIFY(Shared(gears.buy_levels.value(Key(1047)), lastGears.buy_levels.value(Key(1047))));
        QCOMPARE(Shared(converted.wills.buy_rows[1], lastConverted.wills.buy_rows[1]),
                 buyRowOneKept);
        QCOMPARE(gears.sell_queues.isSharedWith(lastGears.sell_queues), sellMapsKept);
        QCOMPARE(gears.sell_levels.isSharedWith(lastGears.sell_levels), sellMapsKept);
        QCOMPARE(gears.buy_levels.isSharedWith(lastGears.buy_levels), buyMapsKept);
    }

private:
    QzLv2FastQuoteScopeResolver resolver_{nullptr};
    JoinMethodValue basicJoin_;
    JoinMethodValue fastJoin_;
    void Answer(const QString& code, const QByteArray& body) {
        for (const ServerRequest& request : h_.backend->Requests()) {
            if (request.context &&
                request.context->keyGroup.Value("stock_code").ToString() == code) {
                QVERIFY(h_.backend->Answer(request, body));
                return;
            }
        }
        QFAIL(qPrintable("no request for " + code));
    }

    Harness h_;
    std::unique_ptr<QzLv2RemoteApiCall_12989> call_;
};

QTEST_GUILESS_MAIN(TestFastQuote)
#include "tst_fastquote.moc"
