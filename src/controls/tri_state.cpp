#include "controls/tri_state.h"

#include <algorithm>

namespace qm {

int CheckStateImage(int value)
{
    return value >= 0 && value <= 2 ? value + 1 : 1;
}

int ToggledCheckValue(int value)
{
    return value == 2 ? 0 : 2;
}

int CombinedCheckValue(std::span<const int> children)
{
    if (children.empty()) {
        return 0;
    }
    const bool all = std::all_of(children.begin(), children.end(), [](int v) { return v == 2; });
    if (all) {
        return 2;
    }
    const bool any = std::any_of(children.begin(), children.end(), [](int v) { return v == 1 || v == 2; });
    return any ? 1 : 0;
}

}  // namespace qm
