// The next book of a stock takes over what did not change: the decoder hands a level whose record
// is byte for byte one of the last book's levels (same side) that level's rows, and a side none
// of whose levels changed the last book's maps; the conversion takes over the converted rows and
// maps of what it converted last time at the same precision. Whatever is taken over, the result
// reads exactly as a book decoded and converted from scratch. Bodies are laid by hand.
#include <QtTest>

#include <memory>

#include "host/quoter/ResponsePkgEntity_12989.h"
#include "services/fastquote/FastQuoteColumns.h"
#include "services/fastquote/FastQuoteConversion.h"
#include "services/fastquote/FastQuoteDecoder.h"
#include "services/fastquote/FastQuoteJoins.h"
#include "services/fastquote/QzLv2FastQuoteNodeData.h"
#include "tests/services/HandLaid.h"

using nscell::DataRow;
using nscell::UnsharedDataCell;
using namespace fastquotebody;

Q_DECLARE_METATYPE(fastquotebody::Level)

namespace {

using SideLevels = QVector<Level>;
using Prices = QList<qint32>;  // the raw prices of the levels expected to be taken over

const SideLevels kBuy{{1050, 3000, 2, 0, {1000, 2000}},
                      {1049, 500, 1, 1, {500}},
                      {1048, 0, 0, 0, {}},
                      {1047, 700, 3, 0, {100, 200, 400}}};
const SideLevels kSell{{1051, 900, 2, 0, {400, 500}}, {1052, 60000, 1, 1, {60000}}};

SideLevels With(SideLevels levels, int index, const Level& level) {
    levels[index] = level;
    return levels;
}

struct Book {
    ResponsePkgEntity_12989 entity;
    FastQuoteLevelsPtr levels;
};

Book DecodedNext(const QByteArray& body, const FastQuoteLevels* previous) {
    Book book;
    QString code;
    if (!FastQuoteDecoder::DecodeNext(body, previous, book.entity, code, book.levels)) {
        qWarning("body rejected");
    }
    return book;
}

// The row of `map` under the raw price, or an empty row.
DataRow At(const ThousandGearsQuoteData::RowMap& map, qint32 price) {
    return map.value(UnsharedDataCell::FromInteger(price));
}

bool Shared(const DataRow& a, const DataRow& b) {
    return a.GetCells().IsSharedWith(b.GetCells());
}

// Same content as the book decoded from scratch: rows in order, maps, flag.
void CheckReadsAsFresh(const ResponsePkgEntity_12989& next, const ResponsePkgEntity_12989& fresh) {
    QCOMPARE(next.fast_ten_flag, fresh.fast_ten_flag);
    QVERIFY(next.wills.buy_rows == fresh.wills.buy_rows);
    QVERIFY(next.wills.sell_rows == fresh.wills.sell_rows);
    QVERIFY(next.gears.buy_levels == fresh.gears.buy_levels);
    QVERIFY(next.gears.buy_queues == fresh.gears.buy_queues);
    QVERIFY(next.gears.sell_levels == fresh.gears.sell_levels);
    QVERIFY(next.gears.sell_queues == fresh.gears.sell_queues);
}

// Each real level of one side is taken over (shares both rows with the last book's level at its
// price) exactly when its price is in `taken`.
void CheckTakenOver(const SideLevels& side, const ThousandGearsQuoteData::RowMap& levels,
                    const ThousandGearsQuoteData::RowMap& queues,
                    const ThousandGearsQuoteData::RowMap& lastLevels,
                    const ThousandGearsQuoteData::RowMap& lastQueues, const Prices& taken) {
    for (const Level& level : side) {
        const bool expected = taken.contains(level.price);
        QVERIFY2(Shared(At(levels, level.price), At(lastLevels, level.price)) == expected,
                 qPrintable(QString("level row at %1").arg(level.price)));
        QVERIFY2(Shared(At(queues, level.price), At(lastQueues, level.price)) == expected,
                 qPrintable(QString("queue row at %1").arg(level.price)));
    }
}

// The book converted from scratch at `precision`.
ResponsePkgEntity_12989 Converted(ResponsePkgEntity_12989 book, int precision) {
    FastQuoteConversion::ConvertBook(book.wills, book.gears, precision);
    return book;
}

}  // namespace

class TestFastQuoteReuse : public QObject {
    Q_OBJECT

private slots:
    void decoderTakesOverUnchangedLevels_data() {
        QTest::addColumn<SideLevels>("buy");
        QTest::addColumn<SideLevels>("sell");
        QTest::addColumn<Prices>("takenBuy");
        QTest::addColumn<Prices>("takenSell");
        QTest::addColumn<bool>("buyMapsShared");
        QTest::addColumn<bool>("sellMapsShared");
        const Prices allBuy{1050, 1049, 1048, 1047};
        const Prices allSell{1051, 1052};
        QTest::newRow("the same book again") << kBuy << kSell << allBuy << allSell << true << true;
        QTest::newRow("one buy level's volume changed")
            << With(kBuy, 1, {1049, 600, 1, 1, {500}}) << kSell << Prices{1050, 1048, 1047}
            << allSell << false << true;
        QTest::newRow("a queued order changed at the same price")
            << kBuy << With(kSell, 0, {1051, 900, 2, 0, {400, 501}}) << allBuy << Prices{1052}
            << true << false;
        QTest::newRow("a queued order joined at the same price")
            << With(kBuy, 0, {1050, 3000, 3, 0, {1000, 2000, 5}}) << kSell
            << Prices{1049, 1048, 1047} << allSell << false << true;
        QTest::newRow("the big flag changed")
            << With(kBuy, 3, {1047, 700, 3, 1, {100, 200, 400}}) << kSell
            << Prices{1050, 1049, 1048} << allSell << false << true;
        QTest::newRow("a new best price pushed the levels down")
            << (SideLevels{{1053, 100, 1, 0, {100}}} + kBuy) << kSell << allBuy << allSell << false
            << true;
        QTest::newRow("a sell level went away")
            << kBuy << SideLevels{kSell[1]} << allBuy << Prices{1052} << true << false;
        QTest::newRow("both sides changed everywhere")
            << SideLevels{{900, 1, 1, 0, {1}}} << SideLevels{{1200, 1, 1, 0, {1}}} << Prices{}
            << Prices{} << false << false;
    }

    void decoderTakesOverUnchangedLevels() {
        QFETCH(SideLevels, buy);
        QFETCH(SideLevels, sell);
        QFETCH(Prices, takenBuy);
        QFETCH(Prices, takenSell);
        QFETCH(bool, buyMapsShared);
        QFETCH(bool, sellMapsShared);
        const Book last = DecodedNext(Body("SH600000", kBuy, kSell, 1), nullptr);
        QVERIFY(last.levels != nullptr);
        const QByteArray body = Body("SH600000", buy, sell, 0);
        const Book next = DecodedNext(body, last.levels.get());
        const Book fresh = DecodedNext(body, nullptr);
        CheckReadsAsFresh(next.entity, fresh.entity);
        const ThousandGearsQuoteData& gears = next.entity.gears;
        CheckTakenOver(buy, gears.buy_levels, gears.buy_queues, last.entity.gears.buy_levels,
                       last.entity.gears.buy_queues, takenBuy);
        CheckTakenOver(sell, gears.sell_levels, gears.sell_queues, last.entity.gears.sell_levels,
                       last.entity.gears.sell_queues, takenSell);
        QCOMPARE(gears.buy_levels.isSharedWith(last.entity.gears.buy_levels), buyMapsShared);
        QCOMPARE(gears.buy_queues.isSharedWith(last.entity.gears.buy_queues), buyMapsShared);
        QCOMPARE(gears.sell_levels.isSharedWith(last.entity.gears.sell_levels), sellMapsShared);
        QCOMPARE(gears.sell_queues.isSharedWith(last.entity.gears.sell_queues), sellMapsShared);
        // The book after this one takes over from this one, not from the last.
        const Book again = DecodedNext(body, next.levels.get());
        QVERIFY(again.entity.gears.buy_levels.isSharedWith(gears.buy_levels));
        QVERIFY(again.entity.gears.sell_queues.isSharedWith(gears.sell_queues));
    }

    void repeatedPriceKeepsTheLaterLevel_data() {
        QTest::addColumn<int>("changed");
        QTest::newRow("the earlier of the two changed") << 0;
        QTest::newRow("the later of the two changed") << 2;
        QTest::newRow("the level between them changed") << 1;
    }

    // A side that names one price twice: its maps hold the later level there, also when the next
    // book (same prices) changes only one of the levels and takes the rest over.
    void repeatedPriceKeepsTheLaterLevel() {
        QFETCH(int, changed);
        const SideLevels repeated{
            {1050, 100, 1, 0, {100}}, {1049, 200, 1, 0, {200}}, {1050, 300, 1, 0, {300}}};
        SideLevels buy = repeated;
        buy[changed].volume += 5;
        buy[changed].queued[0] += 5;
        const Book last = DecodedNext(Body("SH600000", repeated, kSell, 1), nullptr);
        const QByteArray body = Body("SH600000", buy, kSell, 1);
        const Book next = DecodedNext(body, last.levels.get());
        CheckReadsAsFresh(next.entity, DecodedNext(body, nullptr).entity);
        QCOMPARE(At(next.entity.gears.buy_queues, 1050).Get(fastquote::kWillVolumeList).ToString(),
                 QString::number(buy[2].queued[0]));
    }

    void truncatedNextBodyIsRejectedWhole() {
        const Book last = DecodedNext(Body("SH600000", kBuy, kSell, 1), nullptr);
        const QByteArray body = Body("SH600000", kBuy, kSell, 1);
        ResponsePkgEntity_12989 entity;
        entity.fast_ten_flag = 7;
        QString code = "untouched";
        FastQuoteLevelsPtr levels = last.levels;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("FastQuoteDecoder::Decode"));
        QVERIFY(!FastQuoteDecoder::DecodeNext(body.left(body.size() - 1), last.levels.get(), entity,
                                              code, levels));
        QCOMPARE(int(entity.fast_ten_flag), 7);
        QVERIFY(entity.wills.buy_rows.empty());
        QCOMPARE(code, QString("untouched"));
        QVERIFY(levels == last.levels);
    }

    void conversionTakesOverWhatItConvertedLastTime_data() {
        QTest::addColumn<int>("lastPrecision");
        QTest::addColumn<bool>("takenOver");
        QTest::newRow("same precision") << 2 << true;
        QTest::newRow("precision changed") << 3 << false;
    }

    // One buy level changes between the two books: the converted rows of every other level,
    // and the converted maps of the unchanged side, are the last conversion's own.
    void conversionTakesOverWhatItConvertedLastTime() {
        QFETCH(int, lastPrecision);
        QFETCH(bool, takenOver);
        const Book last = DecodedNext(Body("SH600000", kBuy, kSell, 1), nullptr);
        const Book next =
            DecodedNext(Body("SH600000", With(kBuy, 0, {1050, 3100, 2, 0, {1100, 2000}}), kSell, 1),
                        last.levels.get());
        ResponsePkgEntity_12989 lastConverted = last.entity;
        std::shared_ptr<const FastQuoteConvertedBook> memo;
        FastQuoteConversion::ConvertBook(lastConverted.wills, lastConverted.gears, lastPrecision,
                                         nullptr, memo);
        ResponsePkgEntity_12989 converted = next.entity;
        std::shared_ptr<const FastQuoteConvertedBook> nextMemo;
        FastQuoteConversion::ConvertBook(converted.wills, converted.gears, 2, memo.get(), nextMemo);
        CheckReadsAsFresh(converted, Converted(next.entity, 2));
        QCOMPARE(nextMemo->precision, 2);
        const ThousandGearsQuoteData& gears = converted.gears;
        const ThousandGearsQuoteData& lastGears = lastConverted.gears;
        QVERIFY(!Shared(At(gears.buy_queues, 1050), At(lastGears.buy_queues, 1050)));
        QCOMPARE(Shared(At(gears.buy_queues, 1049), At(lastGears.buy_queues, 1049)), takenOver);
        QCOMPARE(Shared(At(gears.buy_levels, 1047), At(lastGears.buy_levels, 1047)), takenOver);
        QCOMPARE(Shared(converted.wills.buy_rows[1], lastConverted.wills.buy_rows[1]), takenOver);
        QCOMPARE(gears.sell_queues.isSharedWith(lastGears.sell_queues), takenOver);
        QCOMPARE(gears.sell_levels.isSharedWith(lastGears.sell_levels), takenOver);
        QVERIFY(!gears.buy_levels.isSharedWith(lastGears.buy_levels));
    }

    // Through the join, push after push: the node's book always reads as the last push converted
    // from scratch, including after a push that brings back an earlier book.
    void fastQuoteJoinKeepsConvertingPushAfterPush() {
        ScopeTreeNode target;
        auto data = QSharedPointer<QzLv2FastQuoteNodeData>::create();
        data->precision = 2;
        target.quote_data = data;
        const QVector<QByteArray> bodies{
            Body("SH600000", kBuy, kSell, 1),
            Body("SH600000", With(kBuy, 2, {1048, 5, 1, 0, {5}}), kSell, 1),
            Body("SH600000", With(kBuy, 2, {1048, 5, 1, 0, {5}}), SideLevels{kSell[0]}, 0),
            Body("SH600000", kBuy, kSell, 1)};
        FastQuoteLevelsPtr levels;
        for (const QByteArray& body : bodies) {
            Book book = DecodedNext(body, levels.get());
            levels = book.levels;
            ScopeTreeNode source;
            source.quote_data = QSharedPointer<ResponsePkgEntity_12989>::create(book.entity);
            QVERIFY(fastquote::JoinFastQuote(target, source));
            const auto* joined =
                dynamic_cast<const QzLv2FastQuoteNodeData*>(target.quote_data.data());
            QVERIFY(joined != nullptr);
            CheckReadsAsFresh(*joined, Converted(book.entity, 2));
        }
    }
};

QTEST_GUILESS_MAIN(TestFastQuoteReuse)
#include "tst_fastquotereuse.moc"
