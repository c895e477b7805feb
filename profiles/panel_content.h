#pragma once

// What the parameter panel shows for a profile and how its editors' texts go back into the
// profile, without any window: the panel itself only turns this into option-tree rows and back.

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "profiles/option_table.h"
#include "profiles/profile.h"

namespace morvane::profiles {

// A category row at the root of the panel.
struct PanelHeading {
    OptionCategory category = OptionCategory::General;
    std::string label;       // "General", "Video", "Audio"
    std::string description; // "General Options", ...
};

// One setting row under its heading.
struct PanelRow {
    std::size_t paramIndex = 0; // slot of the setting in Profile::params
    OptionCategory category = OptionCategory::General;
    std::string label;
    std::string description;
    OptionKind kind = OptionKind::Text;
    std::vector<std::string> choices; // list settings: the entries the drop-down offers
    int selected = -1;                // list settings: the entry selected for the value, -1 for none
    // The editor's text: the value for a text setting, the selected entry, or (no entry selected)
    // the value itself, as free text in an editable list and as a hint in a fixed list.
    std::string text;
    bool readOnly = false;
};

struct PanelContent {
    std::vector<PanelHeading> headings; // General, Video, Audio: those the profile has settings in
    std::vector<PanelRow> rows;         // in the profile's id order
};

// The heading of a category.
PanelHeading headingOf(OptionCategory category);

// The category a heading label names: 1 "Video", 2 "Audio", 3 "General", -1 for anything else.
int categoryOfHeading(std::string_view label);

// The rows for `profile`. Every row is read-only when `editable` is false; otherwise only the
// settings marked "READONLY" are.
PanelContent panelContent(const Profile& profile, bool editable);

// One editor's text as the panel reads it back.
struct EditedText {
    std::string headingLabel; // label of the row's parent
    std::string label;        // label of the row
    // The editor's text; nothing for a fixed list without a selected entry, whose setting then
    // keeps its value (the user cannot pick "nothing" in such a list, so it is not an edit).
    std::optional<std::string> text;
};

// Writes each text into the first parameter slot of `profile` whose label equals the row's label
// exactly and whose category is the one its heading names. Settings without a matching row keep
// their values. Returns how many texts found a slot.
int storeEditedTexts(Profile& profile, std::span<const EditedText> edits);

} // namespace morvane::profiles
