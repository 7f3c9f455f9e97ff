#include "tools/qzlv2/panels/WatchPanels.h"

#include "sim/market/SimStock.h"
#include "tools/qzlv2/panels/BoardFlowPanel.h"
#include "tools/qzlv2/panels/BoardPanel.h"
#include "tools/qzlv2/panels/BookPanel.h"
#include "tools/qzlv2/panels/CapitalFlowPanel.h"
#include "tools/qzlv2/panels/HeaderPanel.h"
#include "tools/qzlv2/panels/LargeDealPanel.h"
#include "tools/qzlv2/panels/LinkPanel.h"
#include "tools/qzlv2/panels/MinuteFlowPanel.h"
#include "tools/qzlv2/panels/PriceVolumePanel.h"

namespace qzlv2 {

std::vector<std::unique_ptr<Panel>> WatchPanels(const QString& code) {
    std::vector<std::unique_ptr<Panel>> panels;
    if (simmarket::FindBoard(code) != nullptr) {
        panels.push_back(std::make_unique<BoardFlowPanel>());
        panels.push_back(std::make_unique<LinkPanel>());
        return panels;
    }
    panels.push_back(std::make_unique<HeaderPanel>());
    panels.push_back(std::make_unique<LinkPanel>());
    panels.push_back(std::make_unique<LargeDealPanel>());
    panels.push_back(std::make_unique<BookPanel>());
    panels.push_back(std::make_unique<BoardPanel>());
    panels.push_back(std::make_unique<CapitalFlowPanel>());
    panels.push_back(std::make_unique<PriceVolumePanel>());
    panels.push_back(std::make_unique<MinuteFlowPanel>());
    return panels;
}

}  // namespace qzlv2
