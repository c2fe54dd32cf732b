// The finish page's offer slots: up to three recommended products and then the browser home
// page, each a check box and a label on the bottom line, shown only when offered.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct OfferItem {
    std::string strName;
    uint32_t nStatus;  // 0 not offered, 1 offered ticked, anything else offered clear
};

struct FinishSlot {
    size_t nSlot;  // 0-2 recommended products, the slot after the last one the home page
    std::string strName;
    bool bTicked;
    RECT rcBox;
    RECT rcLabel;
};

constexpr size_t kMaxRecommendSlots = 3;
// How many of the recommended products the page offers.
size_t OfferedRecommendCount(size_t nRecommendCount);
// The shown slots in order, laid out from x 61 with 15 pixels after each label; textWidth
// gives a label's width in its font.
std::vector<FinishSlot> PlanFinishSlots(const std::vector<OfferItem>& recommends, const OfferItem& homePage,
                                        const std::function<int(const std::string&)>& textWidth);
