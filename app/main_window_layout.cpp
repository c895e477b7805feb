#include "app/main_window_layout.h"

#include <algorithm>

namespace morvane::app {

const std::vector<PictureButtonRow>& pictureButtons() {
    static const std::vector<PictureButtonRow> buttons{
        {kIdRewind, {201, 200, 202}, "Rewind"},
        {kIdPlay, {204, 203, 205}, "Play"},
        {kIdPause, {207, 206, 208}, "Pause"},
        {kIdPreviewStop, {210, 209, 211}, "Stop"},
        {kIdFastForward, {213, 212, 214}, "Fast forward"},
        {kIdAdd, {152, 153, 154}, "Add media file to control list"},
        {kIdRemove, {164, 158, 166}, "Remove file from control list"},
        {kIdSplit, {195, 196, 197}, "Split the media file"},
        {kIdMore, {176, 177, 178}, "More..."},
        {kIdStart, {167, 168, 169}, "Start convert"},
        {kIdStop, {170, 171, 172}, "Stop convert"},
    };
    return buttons;
}

const std::vector<MenuEntry>& moreMenu() {
    static const std::vector<MenuEntry> menu{{kCmdHelp, "&Help", {}}, {}, {kCmdAbout, "&About", {}}};
    return menu;
}

const std::vector<MenuEntry>& contextMenu() {
    static const std::vector<MenuEntry> menu{
        {kCmdAdd, "&Add", {}},
        {},
        {kCmdRemove, "&Remove ", {}},
        {kCmdRemoveAll, "&Remove all", {}},
        {},
        {kCmdSplit, "&Split file", {}},
        {kCmdPlay, "&Play", {}},
    };
    return menu;
}

const std::vector<MenuEntry>& menuBar() {
    static const std::vector<MenuEntry> menu{
        {0,
         "  &File  ",
         {{kCmdMenuAdd, "&Add...", {}},
          {kCmdMenuRemove, "&Remove", {}},
          {kCmdMenuRemoveAll, "&Remove All", {}},
          {},
          {kCmdMenuExit, "&Exit", {}}}},
        {0,
         "  &Edit  ",
         {{kCmdMenuCheckAll, "&Check All", {}},
          {kCmdMenuUncheckAll, "&UnCheck All", {}},
          {},
          {kCmdMenuUp, "&Up", {}},
          {kCmdMenuDown, "&Down", {}}}},
        // The item without a command of its own opens the Configure dialog.
        {kCmdConfigure, " &Config ", {}},
        {0, "  &Help  ", {{kCmdMenuAbout, "&About", {}}, {}, {kCmdMenuHelp, "&Help", {}}}},
    };
    return menu;
}

bool greyedDuringBatch(int commandId) {
    switch (commandId) {
    case kCmdAdd:
    case kCmdRemove:
    case kCmdRemoveAll:
    case kCmdSplit:
    case kCmdPlay:
    // The menu bar's commands that change the rows or their order.
    case kCmdMenuAdd:
    case kCmdMenuRemove:
    case kCmdMenuRemoveAll:
    case kCmdMenuUp:
    case kCmdMenuDown:
        return true;
    default:
        return false;
    }
}

} // namespace morvane::app

namespace morvane::app {

std::array<int, 6> fileListColumnWidths(int listWidth) {
    const int w = listWidth - 2;
    std::array<int, 6> widths{};
    const std::array<int, 5> factors{3, 20, 8, 6, 6};
    int used = 0;
    for (std::size_t i = 0; i < factors.size(); ++i) {
        widths[i] = w * factors[i] / 64;
        used += widths[i];
    }
    widths[5] = w - used - 2;
    return widths;
}

std::array<int, 6> widenedColumnWidths(std::array<int, 6> widths, const std::array<int, 6>& minimums) {
    constexpr std::size_t kFileColumn = 1;
    for (std::size_t i = 0; i < widths.size(); ++i) {
        if (i == kFileColumn || widths[i] >= minimums[i]) {
            continue;
        }
        const int missing = minimums[i] - widths[i];
        const int spare = std::max(0, widths[kFileColumn] - minimums[kFileColumn]);
        widths[kFileColumn] -= std::min(missing, spare);
        widths[i] = minimums[i];
    }
    return widths;
}

namespace {

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> pieces;
    std::string::size_type start = 0;
    for (;;) {
        const auto at = text.find(separator, start);
        pieces.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) {
            return pieces;
        }
        start = at + 1;
    }
}

std::string upperCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    });
    return text;
}

} // namespace

std::vector<std::string> fileDialogFilters(const std::string& barSeparated) {
    // The list ends at the first empty description (the closing "||").
    const auto fields = split(barSeparated, '|');
    std::vector<std::string> filters;
    for (std::size_t i = 0; i + 1 < fields.size(); i += 2) {
        std::string description = trimmed(fields[i]);
        if (description.empty()) {
            break;
        }
        if (const auto open = description.rfind('(');
            open != std::string::npos && description.back() == ')') {
            description = trimmed(description.substr(0, open));
        }
        std::string patterns;
        for (const auto& piece : split(fields[i + 1], ';')) {
            const std::string pattern = trimmed(piece);
            if (pattern.empty()) {
                continue;
            }
            const bool everything = pattern == "*.*" || pattern == "*";
            const std::string lower = everything ? std::string("*") : pattern;
            patterns += (patterns.empty() ? "" : " ") + lower;
            if (!everything && upperCase(lower) != lower) {
                patterns += " " + upperCase(lower);
            }
        }
        filters.push_back(description + " (" + patterns + ")");
    }
    return filters;
}

} // namespace morvane::app
