#include "sim/market/MarketAnswers.h"

#include "host/core/HostClock.h"
#include "sim/market/FlowAnswers.h"
#include "sim/wire/deals/DealsEncoders.h"
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

QByteArray FlowOrDealsBody(const SimulatedMarket& market, int funcId, const QString& code,
                           quint16 mask) {
    const StockState* stock = market.FindState(code);
    const SimBoard* board = FindBoard(code);
    switch (funcId) {
        case 12930:
            return stock ? simwire::EncodeStockFlowBody(StockFlowAnswer(*stock)) : QByteArray();
        case 12932:
            return board ? simwire::EncodeBoardFlowBody(code, mask,
                                                        BoardFlowAnswer(market.BoardFlow(code)))
                         : QByteArray();
        case 12973:
            return board
                       ? simwire::EncodeBoardAnalysisBody(BoardAnalysisAnswer(market, *board, mask))
                       : QByteArray();
        case 12915: {
            if (stock == nullptr) {
                return QByteArray();
            }
            const PriceDeals deals = PriceDealsAnswer(*stock);
            return simwire::EncodePriceDealsBody(deals.day_volume, deals.records);
        }
        case 12917: {
            const QTime now = HostClock::Now().time();
            const qint32 hhmmss = now.hour() * 10000 + now.minute() * 100 + now.second();
            return stock ? simwire::EncodeWillDealsBody(code, WillDealsAnswer(*stock, hhmmss))
                         : QByteArray();
        }
        default:
            return QByteArray();
    }
}

}  // namespace simmarket
