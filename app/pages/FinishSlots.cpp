#include "FinishSlots.h"

#include <algorithm>

size_t OfferedRecommendCount(size_t nRecommendCount) {
    return std::min(nRecommendCount, kMaxRecommendSlots);
}

std::vector<FinishSlot> PlanFinishSlots(const std::vector<OfferItem>& recommends, const OfferItem& homePage,
                                        const std::function<int(const std::string&)>& textWidth) {
    constexpr int kFirstX = 61, kTop = 379, kBottom = 392, kBoxWidth = 14, kLabelGap = 5, kSlotGap = 15;
    constexpr size_t kSlotsPerLine = 6;
    size_t n = OfferedRecommendCount(recommends.size());
    std::vector<FinishSlot> slots;
    int x = kFirstX;
    for (size_t i = 0; i <= n; ++i) {
        const OfferItem& item = i < n ? recommends[i] : homePage;
        if (item.nStatus == 0)
            continue;
        if (!slots.empty() && slots.size() % kSlotsPerLine == 0)
            x = kFirstX;
        FinishSlot slot = {i, item.strName, item.nStatus == 1, {x, kTop, x + kBoxWidth, kBottom}, {}};
        int nLabelLeft = x + kBoxWidth + kLabelGap;
        slot.rcLabel = {nLabelLeft, kTop, nLabelLeft + textWidth(item.strName), kBottom};
        x = slot.rcLabel.right + kSlotGap;
        slots.push_back(slot);
    }
    return slots;
}
