// Point names: the start point A, the points of the coordinate chain in
// traverse order, and the closure point (A again, B or the centre C).
#include "entry/EntryStages.h"
#include "prompting/ConfirmedEntry.h"
#include "prompting/PromptTexts.h"
#include "state/NumberFormat.h"

namespace kestrane {

void enterPointNames(AdjustmentState& s, Services& io) {
    s.pointNames[0] = confirmedName(
        io, {texts::kStartName, texts::kNameConfirm, texts::kNameReentry, texts::kNameConfirm}, "Text25");
    setResultRowCount(s);
    const int m = s.resultRowCount;
    for (int j = 1; j <= m - 1; ++j) {
        const std::string prompt = std::string(texts::kChainNameBefore) + integerText(j) + texts::kChainNameAfter;
        s.pointNames[static_cast<std::size_t>(j)] =
            confirmedName(io, {prompt, texts::kNameConfirm, texts::kNameReentry, texts::kNameConfirm}, "Text25");
    }
    s.pointNames[static_cast<std::size_t>(m)] = confirmedName(
        io, {texts::kClosureName, texts::kNameConfirm, texts::kClosureReentry, texts::kNameConfirm}, "Text25");
}

}  // namespace kestrane
