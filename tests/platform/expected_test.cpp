#include "platform/expected.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace morvane::platform {
namespace {

Expected<int> half(int n) {
    if (n % 2 != 0) {
        return Failure{std::to_string(n) + " is odd"};
    }
    return n / 2;
}

TEST(Expected, HoldsAValueOrTheReason) {
    const auto good = half(8);
    ASSERT_TRUE(good);
    EXPECT_EQ(*good, 4);
    EXPECT_EQ(good.error(), "");
    EXPECT_EQ(good.valueOr(-1), 4);

    const auto bad = half(7);
    ASSERT_FALSE(bad);
    EXPECT_EQ(bad.error(), "7 is odd");
    EXPECT_EQ(bad.valueOr(-1), -1);
}

TEST(Expected, ConvertsFromWhatMakesTheValueAndMovesItOut) {
    const Expected<std::string> text = "a literal";
    EXPECT_EQ(text->size(), 9u);
    Expected<std::unique_ptr<int>> owned = std::make_unique<int>(5);
    const std::unique_ptr<int> taken = *std::move(owned);
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(*taken, 5);
    // A string value is never mistaken for a reason.
    const Expected<std::string> empty = std::string();
    EXPECT_TRUE(empty);
}

TEST(Expected, VoidCarriesOnlySuccessOrTheReason) {
    const Expected<void> done;
    EXPECT_TRUE(done);
    const Expected<void> failed = Failure{"disk full"};
    EXPECT_FALSE(failed);
    EXPECT_EQ(failed.error(), "disk full");
    // An empty reason is still a failure.
    EXPECT_FALSE(Expected<void>(Failure{}));
}

} // namespace
} // namespace morvane::platform
