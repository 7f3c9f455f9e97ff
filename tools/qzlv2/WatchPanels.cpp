#include "tools/qzlv2/WatchPanels.h"

#include "sim/market/SimStock.h"
#include "tools/qzlv2/BoardFlowPanel.h"
#include "tools/qzlv2/BoardPanel.h"
#include "tools/qzlv2/BookPanel.h"
#include "tools/qzlv2/CapitalFlowPanel.h"
#include "tools/qzlv2/HeaderPanel.h"
#include "tools/qzlv2/LargeDealPanel.h"
#include "tools/qzlv2/LinkPanel.h"
#include "tools/qzlv2/MinuteFlowPanel.h"
#include "tools/qzlv2/PriceVolumePanel.h"

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
