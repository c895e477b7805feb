#include "platform/translation.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace morvane::platform {
namespace {

TEST(Translation, ArgumentsFillTheirMarkersOnceAndTheTranslatorIsAskedFirst) {
    EXPECT_EQ(withArguments("%2 of %1, %3", {"a", "b %1"}), "b %1 of a, %3") << "no second pass, %3 kept";
    EXPECT_EQ(translate("Any", "Ready"), "Ready");
    const std::map<std::string, std::string> german{{"Ready", "Bereit"}};
    setTranslator([&](const char*, const char* source) {
        const auto it = german.find(source);
        return it == german.end() ? std::string() : it->second;
    });
    EXPECT_EQ(translate("Any", "Ready"), "Bereit");
    EXPECT_EQ(translate("Any", "Fail"), "Fail") << "an unknown text stays English";
    setTranslator({});
    EXPECT_EQ(translate("Any", "Ready"), "Ready");
}

TEST(Translation, ArgumentsOfATextMadeFromAPatternAndNoneOfAnother) {
    struct Case {
        const char* pattern;
        const char* text;
        std::optional<std::vector<std::string>> arguments;
    };
    using Args = std::vector<std::string>;
    const std::vector<Case> cases = {
        {"the output holds %1 of the %2 its header gives",
         "the output holds 3 s of the 10 s its header gives", Args{"3 s", "10 s"}},
        {"The converter failed: %1", "The converter failed: exited with status 1",
         Args{"exited with status 1"}},
        {"The converter failed: %1", "The converter failed: ", Args{""}},
        {"the file \"%1\" is missing", "the file \"a \" b\" is missing", Args{"a \" b"}},
        {"%2 before %1", "x before y", Args{"y", "x"}},
        {"the row has no job", "the row has no job", Args{}},
        {"the row has no job", "the row has no job yet", std::nullopt},
        {"The converter failed: %1", "FFmpeg failed: 1", std::nullopt},
        {"the file \"%1\" is missing", "the file \"a\" is there", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(argumentsOf(c.pattern, c.text), c.arguments) << c.pattern << " / " << c.text;
        if (c.arguments && c.arguments->size() <= 2) {
            const auto& a = *c.arguments;
            const std::string back = a.empty()       ? withArguments(c.pattern, {})
                                     : a.size() == 1 ? withArguments(c.pattern, {a[0]})
                                                     : withArguments(c.pattern, {a[0], a[1]});
            EXPECT_EQ(back, c.text) << "round trip of " << c.pattern;
        }
    }
}

} // namespace
} // namespace morvane::platform
