// The desktop entry offers the program for the kinds of file its open-file dialog lists.
#include <QMimeDatabase>
#include <QStringList>
#include <gtest/gtest.h>

#include <set>

#include "app/main_window_layout.h"
#include "tests/support/test_support.h"

namespace morvane::app {
namespace {

std::set<QString> desktopMimeTypes() {
    const std::string entry = test::readFile(MORVANE_DESKTOP_ENTRY);
    const auto at = entry.find("\nMimeType=");
    if (at == std::string::npos) {
        return {};
    }
    const auto start = at + 10;
    const QString list = QString::fromStdString(entry.substr(start, entry.find('\n', start) - start));
    const auto names = list.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    return {names.begin(), names.end()};
}

TEST(DesktopEntry, NamesTheMimeTypeOfEveryExtensionOfTheOpenFileFilter) {
    const auto declared = desktopMimeTypes();
    ASSERT_FALSE(declared.empty());
    const QMimeDatabase mime;
    int checked = 0;
    std::set<QString> needed;
    for (const auto& filter : fileDialogFilters(kOpenFileFilter)) {
        const auto open = filter.rfind('(');
        const auto patterns = QString::fromStdString(filter.substr(open + 1, filter.size() - open - 2));
        for (const auto& pattern : patterns.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const auto type =
                mime.mimeTypeForFile(QStringLiteral("x") + pattern.mid(1), QMimeDatabase::MatchExtension);
            // "*.*" and extensions the desktop has no type for (VCD's .dat) cannot be offered.
            if (pattern == QStringLiteral("*.*") || type.isDefault()) {
                continue;
            }
            needed.insert(type.name());
            ++checked;
        }
    }
    EXPECT_GE(checked, 14);
    for (const auto& name : needed) {
        EXPECT_TRUE(declared.count(name) == 1) << name.toStdString() << " is missing from the desktop entry";
    }
    for (const auto& name : declared) {
        EXPECT_TRUE(needed.count(name) == 1) << name.toStdString() << " is not in the open-file filter";
    }
}

} // namespace
} // namespace morvane::app
