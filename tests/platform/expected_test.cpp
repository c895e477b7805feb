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

TEST(Expected, CarriesTheFailuresNumberOn) {
    const Expected<int> plain = Failure{"no number"};
    EXPECT_EQ(plain.errorCode(), 0);
    const Expected<int> numbered = Failure{"not there", 2};
    EXPECT_EQ(numbered.errorCode(), 2);
    EXPECT_EQ(half(4).errorCode(), 0);
    // Passed on to another shape, the reason and the number stay together.
    const Expected<void> passed = numbered.failure();
    EXPECT_FALSE(passed);
    EXPECT_EQ(passed.error(), "not there");
    EXPECT_EQ(passed.errorCode(), 2);
    EXPECT_TRUE(Expected<void>());
    EXPECT_EQ(Expected<void>().errorCode(), 0);
}

} // namespace
} // namespace morvane::platform
