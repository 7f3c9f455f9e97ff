#include "host/core/DynamicDataGridHeader.h"

int DynamicDataGridHeader::GetIndex(int columnId, bool create) {
    const auto it = index_.constFind(columnId);
    if (it != index_.constEnd()) {
        return it.value();
    }
    if (!create) {
        return -1;
    }
    const int index = ids_.size();
    ids_.append(columnId);
    index_.insert(columnId, index);
    return index;
}
