#include "platform/shared_library.h"

#include <gtest/gtest.h>

#include <cstring>

namespace morvane::platform {
namespace {

TEST(SharedLibrary, FindsExportsAndReportsWhatIsMissing) {
    std::string error;
    auto library = SharedLibrary::open("libc.so.6", &error);
    ASSERT_TRUE(library.isOpen()) << error;
    const auto length = library.function<std::size_t (*)(const char*)>("strlen");
    ASSERT_NE(length, nullptr);
    EXPECT_EQ(length("four"), 4U);
    EXPECT_EQ(library.symbol("no_such_export_here"), nullptr);

    auto moved = std::move(library);
    EXPECT_FALSE(library.isOpen()); // NOLINT(bugprone-use-after-move): moved-from state is defined
    moved.close();
    EXPECT_EQ(moved.symbol("strlen"), nullptr);

    const auto missing = SharedLibrary::open("/nonexistent/tools/libnothing.so", &error);
    EXPECT_FALSE(missing.isOpen());
    EXPECT_NE(error.find("libnothing.so"), std::string::npos) << error;
}

} // namespace
} // namespace morvane::platform
