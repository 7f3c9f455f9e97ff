#pragma once

#include <memory>
#include <vector>

#include "tools/qzlv2/Panel.h"

// The panels of `qzlv2 watch`, top to bottom: the one list a new panel is added to.
namespace qzlv2 {

std::vector<std::unique_ptr<Panel>> WatchPanels();

}  // namespace qzlv2
