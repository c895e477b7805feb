#include "profiles/panel_content.h"

#include <array>

namespace morvane::profiles {

namespace {

struct HeadingText {
    OptionCategory category;
    std::string_view label;
    std::string_view description;
};

// In the order the panel lists them.
constexpr std::array<HeadingText, 3> kHeadings{{
    {OptionCategory::General, "General", "General Options"},
    {OptionCategory::Video, "Video", "Video Options"},
    {OptionCategory::Audio, "Audio", "Audio Options"},
}};

std::int32_t countOf(const Profile& profile, OptionCategory category) {
    switch (category) {
    case OptionCategory::Video:
        return profile.videoCount;
    case OptionCategory::Audio:
        return profile.audioCount;
    case OptionCategory::General:
        return profile.generalCount;
    }
    return 0;
}

bool knownKind(OptionKind kind) {
    return kind == OptionKind::Text || kind == OptionKind::EditableList || kind == OptionKind::FixedList;
}

} // namespace

PanelHeading headingOf(OptionCategory category) {
    for (const auto& heading : kHeadings) {
        if (heading.category == category) {
            return {heading.category, std::string(heading.label), std::string(heading.description)};
        }
    }
    return {};
}

int categoryOfHeading(std::string_view label) {
    for (const auto& heading : kHeadings) {
        if (heading.label == label) {
            return static_cast<int>(heading.category);
        }
    }
    return -1;
}

PanelContent panelContent(const Profile& profile, bool editable) {
    PanelContent content;
    for (const auto& heading : kHeadings) {
        if (countOf(profile, heading.category) > 0) {
            content.headings.push_back(headingOf(heading.category));
        }
    }
    const auto hasHeading = [&](OptionCategory category) {
        for (const auto& heading : content.headings) {
            if (heading.category == category) {
                return true;
            }
        }
        return false;
    };

    for (const auto& param : profile.chain()) {
        if (!hasHeading(param.category) || !knownKind(param.kind)) {
            continue;
        }
        PanelRow row;
        row.paramIndex = static_cast<std::size_t>(&param - profile.params.data());
        row.category = param.category;
        row.label = param.label;
        row.description = param.help;
        row.kind = param.kind;
        row.readOnly = !editable || param.isReadOnly();
        row.text = param.value;
        if (param.isList()) {
            row.choices = offeredChoices(param);
            row.selected = findChoiceByPrefix(row.choices, param.value);
            if (row.selected >= 0) {
                row.text = row.choices[static_cast<std::size_t>(row.selected)];
            }
        }
        content.rows.push_back(std::move(row));
    }
    return content;
}

int storeEditedTexts(Profile& profile, std::span<const EditedText> edits) {
    int stored = 0;
    for (const auto& edit : edits) {
        const int category = categoryOfHeading(edit.headingLabel);
        for (auto& param : profile.params) {
            if (param.label == edit.label && static_cast<int>(param.category) == category) {
                if (edit.text) {
                    param.value = *edit.text;
                }
                ++stored;
                break;
            }
        }
    }
    return stored;
}

} // namespace morvane::profiles
