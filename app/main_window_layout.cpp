#include "app/main_window_layout.h"

#include <algorithm>

#include "platform/translation.h"

namespace morvane::app {

const std::vector<PictureButtonRow>& pictureButtons() {
    static const std::vector<PictureButtonRow> buttons{
        {kIdRewind, {201, 200, 202}, QT_TRANSLATE_NOOP("MainWindow", "Rewind")},
        {kIdPlay, {204, 203, 205}, QT_TRANSLATE_NOOP("MainWindow", "Play")},
        {kIdPause, {207, 206, 208}, QT_TRANSLATE_NOOP("MainWindow", "Pause")},
        {kIdPreviewStop, {210, 209, 211}, QT_TRANSLATE_NOOP("MainWindow", "Stop")},
        {kIdFastForward, {213, 212, 214}, QT_TRANSLATE_NOOP("MainWindow", "Fast forward")},
        {kIdAdd, {152, 153, 154}, QT_TRANSLATE_NOOP("MainWindow", "Add media file to control list")},
        {kIdRemove, {164, 158, 166}, QT_TRANSLATE_NOOP("MainWindow", "Remove file from control list")},
        {kIdSplit, {195, 196, 197}, QT_TRANSLATE_NOOP("MainWindow", "Split the media file")},
        {kIdMore, {176, 177, 178}, QT_TRANSLATE_NOOP("MainWindow", "More...")},
        {kIdStart, {167, 168, 169}, QT_TRANSLATE_NOOP("MainWindow", "Start convert")},
        {kIdStop, {170, 171, 172}, QT_TRANSLATE_NOOP("MainWindow", "Stop convert")},
    };
    return buttons;
}

const std::vector<MenuEntry>& moreMenu() {
    static const std::vector<MenuEntry> menu{{kCmdHelp, QT_TRANSLATE_NOOP("MainWindow", "&Help"), {}},
                                             {},
                                             {kCmdAbout, QT_TRANSLATE_NOOP("MainWindow", "&About"), {}}};
    return menu;
}

const std::vector<MenuEntry>& contextMenu() {
    static const std::vector<MenuEntry> menu{
        {kCmdAdd, QT_TRANSLATE_NOOP("MainWindow", "&Add"), {}},
        {},
        {kCmdRemove, QT_TRANSLATE_NOOP("MainWindow", "&Remove "), {}},
        {kCmdRemoveAll, QT_TRANSLATE_NOOP("MainWindow", "&Remove all"), {}},
        {},
        {kCmdSplit, QT_TRANSLATE_NOOP("MainWindow", "&Split file"), {}},
        {kCmdPlay, QT_TRANSLATE_NOOP("MainWindow", "&Play"), {}},
    };
    return menu;
}

const std::vector<MenuEntry>& menuBar() {
    static const std::vector<MenuEntry> menu{
        {0,
         QT_TRANSLATE_NOOP("MainWindow", "  &File  "),
         {{kCmdMenuAdd, QT_TRANSLATE_NOOP("MainWindow", "&Add..."), {}},
          {kCmdMenuRemove, QT_TRANSLATE_NOOP("MainWindow", "&Remove"), {}},
          {kCmdMenuRemoveAll, QT_TRANSLATE_NOOP("MainWindow", "&Remove All"), {}},
          {},
          {kCmdMenuExit, QT_TRANSLATE_NOOP("MainWindow", "&Exit"), {}}}},
        {0,
         QT_TRANSLATE_NOOP("MainWindow", "  &Edit  "),
         {{kCmdMenuCheckAll, QT_TRANSLATE_NOOP("MainWindow", "&Check All"), {}},
          {kCmdMenuUncheckAll, QT_TRANSLATE_NOOP("MainWindow", "&UnCheck All"), {}},
          {},
          {kCmdMenuUp, QT_TRANSLATE_NOOP("MainWindow", "&Up"), {}},
          {kCmdMenuDown, QT_TRANSLATE_NOOP("MainWindow", "&Down"), {}}}},
        // The item without a command of its own opens the Configure dialog.
        {kCmdConfigure, QT_TRANSLATE_NOOP("MainWindow", " &Config "), {}},
        {0,
         QT_TRANSLATE_NOOP("MainWindow", "  &Help  "),
         {{kCmdMenuAbout, QT_TRANSLATE_NOOP("MainWindow", "&About"), {}},
          {},
          {kCmdMenuHelp, QT_TRANSLATE_NOOP("MainWindow", "&Help"), {}}}},
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

// The descriptions of the open-file filter that are words rather than names, marked for the
// catalogues.
[[maybe_unused]] constexpr const char* kFilterWords[] = {
    QT_TRANSLATE_NOOP("FileDialog", "All Files"),       QT_TRANSLATE_NOOP("FileDialog", "VCD Video file"),
    QT_TRANSLATE_NOOP("FileDialog", "Real Media File"), QT_TRANSLATE_NOOP("FileDialog", "Flash Video Format"),
    QT_TRANSLATE_NOOP("FileDialog", "Bitmap"),
};

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
        filters.push_back(platform::translate("FileDialog", description.c_str()) + " (" + patterns + ")");
    }
    return filters;
}

} // namespace morvane::app
