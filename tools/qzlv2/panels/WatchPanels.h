#pragma once

#include <memory>
#include <vector>

#include "tools/qzlv2/panels/Panel.h"

// The panels of `qzlv2 watch`, top to bottom: the one list a new panel is added to. A board code
// gets the board's panels, a stock code the stock's.
namespace qzlv2 {

std::vector<std::unique_ptr<Panel>> WatchPanels(const QString& code);

}  // namespace qzlv2
