#include "services/stockboard/ResponsePkgEntity_12755.h"

void ResponsePkgEntity_12755::MergeFrom(const ResponsePkgEntity_12755& newer) {
    layout = newer.layout;
    mask1 = newer.mask1;
    mask2 = newer.mask2;
    code = newer.code;
    market_code = newer.market_code;
    second_text = newer.second_text;
    kept_byte = newer.kept_byte;
    if (newer.has_ratios) {
        has_ratios = true;
        ratios = newer.ratios;
    }
    if (newer.has_after_close) {
        has_after_close = true;
        after_close = newer.after_close;
    }
    if (newer.has_category) {
        has_category = true;
        category_bytes = newer.category_bytes;
    }
}
