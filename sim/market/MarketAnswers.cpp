#include "sim/market/MarketAnswers.h"

#include "sim/wire/stockboard/StockBoardEncoders.h"

namespace simmarket {

QByteArray FastQuoteBody(const simwire::FastQuoteBook& book) {
    return simwire::EncodeFastQuoteBody(book);
}

QByteArray SnapshotBody(const StockSnapshot& record) {
    return simwire::EncodeStockSnapshotBody(record);
}

QByteArray EmptySnapshotBody() {
    return simwire::EncodeEmptyStockSnapshotBody();
}

QByteArray StockRelatedBody(const ResponsePkgEntity_12755& record) {
    return simwire::EncodeStockRelatedBody(record);
}

QByteArray StockDataSetBody(const ResponsePkgEntity_10012& record) {
    return simwire::EncodeStockDataSetBody(record);
}

}  // namespace simmarket
