#include "tools/qzlv2/WatchPanels.h"

#include "tools/qzlv2/BoardPanel.h"
#include "tools/qzlv2/BookPanel.h"
#include "tools/qzlv2/HeaderPanel.h"

namespace qzlv2 {

std::vector<std::unique_ptr<Panel>> WatchPanels() {
    std::vector<std::unique_ptr<Panel>> panels;
    panels.push_back(std::make_unique<HeaderPanel>());
    panels.push_back(std::make_unique<BookPanel>());
    panels.push_back(std::make_unique<BoardPanel>());
    return panels;
}

}  // namespace qzlv2
