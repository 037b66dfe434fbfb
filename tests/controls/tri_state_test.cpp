#include "controls/tri_state.h"

#include <gtest/gtest.h>

#include <vector>

namespace qm {
namespace {

TEST(TriState, ImagesAndToggles)
{
    struct Case {
        int value, image, toggled;
    };
    for (const Case& c : {Case{0, 1, 2}, Case{1, 2, 2}, Case{2, 3, 0}, Case{3, 1, 2}, Case{-1, 1, 2}}) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(CheckStateImage(c.value), c.image);
        EXPECT_EQ(ToggledCheckValue(c.value), c.toggled);
    }
}

TEST(TriState, ParentFromChildren)
{
    struct Case {
        std::vector<int> children;
        int parent;
    };
    const Case cases[] = {
        {{}, 0}, {{0}, 0}, {{2}, 2}, {{2, 2, 2}, 2}, {{2, 0}, 1}, {{0, 1}, 1}, {{0, 0, 0}, 0}, {{1, 2}, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CombinedCheckValue(c.children), c.parent);
    }
}

}  // namespace
}  // namespace qm
