#include "platform/shared_library.h"

#include <gtest/gtest.h>

#include <cstring>

namespace morvane::platform {
namespace {

TEST(SharedLibrary, FindsExportsAndReportsWhatIsMissing) {
    auto opened = SharedLibrary::open("libc.so.6");
    ASSERT_TRUE(opened) << opened.error();
    SharedLibrary library = *std::move(opened);
    ASSERT_TRUE(library.isOpen());
    const auto length = library.function<std::size_t (*)(const char*)>("strlen");
    ASSERT_NE(length, nullptr);
    EXPECT_EQ(length("four"), 4U);
    EXPECT_EQ(library.symbol("no_such_export_here"), nullptr);

    auto moved = std::move(library);
    EXPECT_FALSE(library.isOpen()); // NOLINT(bugprone-use-after-move): moved-from state is defined
    moved.close();
    EXPECT_EQ(moved.symbol("strlen"), nullptr);

    const auto missing = SharedLibrary::open("/nonexistent/tools/libnothing.so");
    EXPECT_FALSE(missing);
    EXPECT_NE(missing.error().find("libnothing.so"), std::string::npos) << missing.error();
}

} // namespace
} // namespace morvane::platform
