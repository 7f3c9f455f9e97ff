#include "services/stockboard/QzLv2BoardTranscoders.h"

#include "host/core/UnsharedDataCell.h"
#include "services/stockboard/StockRelatedDecoder.h"

namespace board_transcoders {

namespace {

using nscell::UnsharedDataCell;
constexpr float kTenThousand = 10000.0f;
constexpr qint64 kTenThousandWide = 10000;
constexpr int kBigOrderDecimals = 2;

// A transcoder reading one mask-2 field of the snapshot answer. The field is written whether or
// not the answers so far carried its group: a group never carried reads as its default, zero.
Transcoder FromSnapshot(const char* key,
                        std::function<UnsharedDataCell(const StockSnapshot&)> cell) {
    return [key, cell](QzLv2BoardTranscoderArgs& args) {
        if (const ResponsePkgEntity_10002* entity = args.Snapshot()) {
            args.row.Set(key, cell(entity->snapshot));
        }
    };
}

UnsharedDataCell FloatRatio(qint32 value) {
    return UnsharedDataCell::FromPercentFloatRatio(TenThousandthsAsFloat(value));
}

UnsharedDataCell MoneyFlow(qint32 value) {
    return UnsharedDataCell::FromBigInteger(TimesTenThousand(value));
}

// After-close figures exist for growth-board stocks of Shenzhen only (a category never carried
// reads as zero, which is not the growth board).
bool HasAfterClose(const ResponsePkgEntity_12755& e) {
    return e.market_code == QLatin1String("SZ") &&
           e.Category() == stock_related::kGrowthBoardCategory;
}

Transcoder FromStockRelated(
    const char* key,
    std::function<void(const ResponsePkgEntity_12755&, QzLv2BoardTranscoderArgs&, const char*)>
        assign) {
    return [key, assign](QzLv2BoardTranscoderArgs& args) {
        if (const ResponsePkgEntity_12755* entity = args.StockRelated()) {
            assign(*entity, args, key);
        }
    };
}

// Written whether or not the group was carried; an absent group reads as zero.
void Ratio20d(const ResponsePkgEntity_12755& e, QzLv2BoardTranscoderArgs& args, const char* key,
              int index) {
    args.row.Set(key, FloatRatio(e.ratios[index]));
}

// A transcoder copying the 10012 cell of its key's name: the board shows the data set as the
// call holds it, so a key whose group no answer has carried (a group the stock's market does not
// answer) has no cell.
Transcoder FromDataSet(const char* key) {
    return [key](QzLv2BoardTranscoderArgs& args) {
        if (const ResponsePkgEntity_10012* entity = args.DataSet()) {
            const UnsharedDataCell cell = entity->row.Get(key);
            if (cell.IsEmpty()) {
                args.row.Remove(key);
            } else {
                args.row.Set(key, cell);
            }
        }
    };
}

// The 10012 cells, named after the package's fields (StockDataSetDecoder.h).
constexpr const char* kDataSetKeys[] = {
    "limit_up_price", "limit_down_price", "total_shares", "float_shares",
    "quota_balance",  "quota_status",     "eps",          "nav_per_share"};

QList<KeyEntry> BuildTable() {
    const QString k10002 = "10002";
    const QString k10012 = "10012";
    const QString k12755 = "12755_stock_related";
    QList<KeyEntry> table = {
        {"gem_deal_volume_after_close", k12755,
         FromStockRelated(
             "gem_deal_volume_after_close",
             [](const ResponsePkgEntity_12755& e, QzLv2BoardTranscoderArgs& args, const char* key) {
                 if (HasAfterClose(e)) {
                     args.row.Set(key, UnsharedDataCell::FromBigInteger(
                                           static_cast<qint64>(e.AfterCloseVolume())));
                 }
             })},
        {"gem_deal_capital_after_close", k12755,
         FromStockRelated(
             "gem_deal_capital_after_close",
             [](const ResponsePkgEntity_12755& e, QzLv2BoardTranscoderArgs& args, const char* key) {
                 if (HasAfterClose(e)) {
                     args.row.Set(key, MoneyFlow(e.AfterCloseCapital()));
                 }
             })},
        {"float_ratio_day_0", k10002,
         FromSnapshot("float_ratio_day_0",
                      [](const StockSnapshot& s) { return FloatRatio(s.float_ratio_today); })},
        {"turnover_ratio_day_5", k10002,
         FromSnapshot("turnover_ratio_day_5",
                      [](const StockSnapshot& s) { return FloatRatio(s.turnover_ratio_5d); })},
        {"float_ratio_day_5", k10002,
         FromSnapshot("float_ratio_day_5",
                      [](const StockSnapshot& s) { return FloatRatio(s.float_ratio_5d); })},
        {"turnover_ratio_day_20", k12755,
         FromStockRelated("turnover_ratio_day_20",
                          [](const ResponsePkgEntity_12755& e, QzLv2BoardTranscoderArgs& args,
                             const char* key) { Ratio20d(e, args, key, 3); })},
        {"float_ratio_day_20", k12755,
         FromStockRelated("float_ratio_day_20",
                          [](const ResponsePkgEntity_12755& e, QzLv2BoardTranscoderArgs& args,
                             const char* key) { Ratio20d(e, args, key, 2); })},
        {"money_flow_today", k10002,
         FromSnapshot("money_flow_today",
                      [](const StockSnapshot& s) { return MoneyFlow(s.money_flow_today); })},
        {"money_flow_5d", k10002,
         FromSnapshot("money_flow_5d",
                      [](const StockSnapshot& s) { return MoneyFlow(s.money_flow_5d); })},
        {"money_flow_10d", k10002,
         FromSnapshot("money_flow_10d",
                      [](const StockSnapshot& s) { return MoneyFlow(s.money_flow_10d); })},
        {"money_flow_20d", k10002,
         FromSnapshot("money_flow_20d",
                      [](const StockSnapshot& s) { return MoneyFlow(s.money_flow_20d); })},
        {"big_order_ratio", k10002,
         FromSnapshot("big_order_ratio",
                      [](const StockSnapshot& s) {
                          return UnsharedDataCell::FromRealPrice(
                              TenThousandthsAsFloat(s.big_order_ratio), kBigOrderDecimals);
                      })},
    };
    for (const char* key : kDataSetKeys) {
        table.append({key, k10012, FromDataSet(key)});
    }
    return table;
}

}  // namespace

double TenThousandthsAsFloat(qint32 value) {
    const float ratio = static_cast<float>(value) / kTenThousand;
    return static_cast<double>(ratio);
}

qint64 TimesTenThousand(qint32 value) {
    return static_cast<qint64>(value) * kTenThousandWide;
}

const QList<KeyEntry>& KeyTable() {
    static const QList<KeyEntry> table = BuildTable();
    return table;
}

}  // namespace board_transcoders
