#include "services/stockboard/ResponsePkgEntity_10012.h"

#include "services/stockboard/StockDataSetDecoder.h"

void ResponsePkgEntity_10012::MergeFrom(const ResponsePkgEntity_10012& newer) {
    using namespace stock_data_set;
    code = newer.code;
    mask = newer.mask;
    carried |= newer.carried;
    if (newer.mask & kLimits) {
        limit_up_price = newer.limit_up_price;
        limit_down_price = newer.limit_down_price;
    }
    if (newer.mask & kShares) {
        total_shares = newer.total_shares;
        float_shares = newer.float_shares;
    }
    if (newer.mask & kQuota) {
        quota_balance = newer.quota_balance;
        quota_status = newer.quota_status;
    }
    if (newer.mask & kFinance) {
        eps = newer.eps;
        nav_per_share = newer.nav_per_share;
    }
    FillRow(*this);
}
