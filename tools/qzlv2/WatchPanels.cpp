#include "tools/qzlv2/WatchPanels.h"

#include "tools/qzlv2/BoardPanel.h"
#include "tools/qzlv2/BookPanel.h"
#include "tools/qzlv2/HeaderPanel.h"
#include "tools/qzlv2/MinuteFlowPanel.h"

namespace qzlv2 {

std::vector<std::unique_ptr<Panel>> WatchPanels() {
    std::vector<std::unique_ptr<Panel>> panels;
    panels.push_back(std::make_unique<HeaderPanel>());
    panels.push_back(std::make_unique<BookPanel>());
    panels.push_back(std::make_unique<BoardPanel>());
    panels.push_back(std::make_unique<MinuteFlowPanel>());
    return panels;
}

}  // namespace qzlv2
