#include "profiles/profile.h"

#include <algorithm>
#include <utility>

#include "platform/text_rules.h"
#include "profiles/media_type_table.h"

namespace morvane::profiles {

namespace {

// A cut field: double quotes become blanks, then blanks at both ends go. Quotes at the ends would
// be trimmed as blanks anyway, so the ends are cut first and the field is copied once.
std::string cleanField(std::string_view raw) {
    constexpr std::string_view kBlanksAndQuotes = " \t\r\n\f\v\"";
    const auto first = raw.find_first_not_of(kBlanksAndQuotes);
    if (first == std::string_view::npos) {
        return {};
    }
    std::string field(raw.substr(first, raw.find_last_not_of(kBlanksAndQuotes) - first + 1));
    std::replace(field.begin(), field.end(), '"', ' ');
    return field;
}

std::string mainValue(const StringMap& keys, std::string_view key) {
    const auto it = keys.find(key);
    return it != keys.end() ? it->second : std::string();
}

void countInCategory(Profile& profile, OptionCategory category) {
    switch (category) {
    case OptionCategory::Video:
        ++profile.videoCount;
        break;
    case OptionCategory::Audio:
        ++profile.audioCount;
        break;
    case OptionCategory::General:
        ++profile.generalCount;
        break;
    }
    ++profile.paramCount;
}

// Links the accepted entries in ascending id; entries with equal ids keep their key order.
void chainById(Profile& profile) {
    std::vector<std::int32_t> order(static_cast<std::size_t>(profile.paramCount));
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = static_cast<std::int32_t>(i);
    }
    std::stable_sort(order.begin(), order.end(), [&](std::int32_t a, std::int32_t b) {
        return profile.params[static_cast<std::size_t>(a)].id <
               profile.params[static_cast<std::size_t>(b)].id;
    });
    profile.firstParam = order.empty() ? kNoParam : order.front();
    for (std::size_t i = 0; i < order.size(); ++i) {
        profile.params[static_cast<std::size_t>(order[i])].next =
            i + 1 < order.size() ? order[i + 1] : kNoParam;
    }
}

} // namespace

std::vector<std::string> splitChoiceList(std::string_view inner) {
    std::vector<std::string> items;
    std::string current;
    bool quoted = false;
    const auto flush = [&] {
        const auto item = platform::trimBlanks(current);
        if (!item.empty()) {
            items.emplace_back(item);
        }
        current.clear();
    };
    for (const char c : inner) {
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            flush();
        } else {
            current += c;
        }
    }
    flush();
    return items;
}

bool parseProfileParam(std::string_view key, std::string_view rawValue, ProfileParam& param) {
    if (key.empty() || rawValue.empty()) {
        return false;
    }
    const OptionDef& def = find(key);
    ProfileParam parsed;
    parsed.name = std::string(key);
    parsed.kind = def.kind;
    parsed.id = def.id;
    parsed.flags = def.flags;
    parsed.category = category(def.flags);
    parsed.label = displayLabel(def, key);
    parsed.help = def.help != nullptr ? def.help : "";

    auto comma = rawValue.find(',');
    if (comma == std::string_view::npos) {
        return false;
    }
    parsed.mark = cleanField(rawValue.substr(0, comma));
    std::string_view rest = platform::trimBlanks(rawValue.substr(comma + 1));

    comma = rest.find(',');
    if (comma == std::string_view::npos) {
        return false;
    }
    parsed.reserved = cleanField(rest.substr(0, comma));
    rest = platform::trimBlanks(rest.substr(comma + 1));

    comma = rest.find(',');
    if (comma == std::string_view::npos) {
        parsed.value = cleanField(rest);
    } else {
        parsed.value = cleanField(rest.substr(0, comma));
        rest = platform::trimBlanks(rest.substr(comma + 1));
        // A text setting ignores everything after its value.
        if (parsed.isList() && !rest.empty()) {
            parsed.choiceText = std::string(rest);
            const auto inner = rest.size() >= 2 ? rest.substr(1, rest.size() - 2) : std::string_view();
            parsed.choices = splitChoiceList(inner);
        }
    }
    param = std::move(parsed);
    return true;
}

void parseProfileFile(const std::string& path, std::string_view name, Profile& profile) {
    StringMap mainKeys;
    StringMap parameterKeys;
    const IniSectionReader reader(path);
    reader.read("Main", mainKeys);
    reader.read("Parameter", parameterKeys);
    buildProfile(path, name, std::move(mainKeys), std::move(parameterKeys), profile);
}

void buildProfile(const std::string& path, std::string_view name, StringMap mainKeys, StringMap parameterKeys,
                  Profile& profile) {
    profile = Profile{};
    profile.path = path;
    profile.name = std::string(name);
    profile.mainKeys = std::move(mainKeys);
    profile.parameterKeys = std::move(parameterKeys);

    // These keys are looked up as written, case included.
    profile.SName = mainValue(profile.mainKeys, "SName");
    profile.Format = mainValue(profile.mainKeys, "Format");
    profile.ExtName = mainValue(profile.mainKeys, "ExtName");
    profile.MediaType = mainValue(profile.mainKeys, "MediaType");
    const auto level = profile.mainKeys.find(std::string_view("QALevel"));
    profile.QALevel = level != profile.mainKeys.end() ? platform::leadingInteger(level->second) : -1;

    profile.params.resize(profile.parameterKeys.size());
    for (const auto& [key, rawValue] : profile.parameterKeys) {
        auto& slot = profile.params[static_cast<std::size_t>(profile.paramCount)];
        if (parseProfileParam(key, rawValue, slot)) {
            countInCategory(profile, slot.category);
        }
    }
    chainById(profile);
}

const ProfileParam* Profile::findParam(std::string_view optionName) const {
    const auto accepted = std::span(params).first(static_cast<std::size_t>(std::max(paramCount, 0)));
    const auto it = std::find_if(accepted.begin(), accepted.end(),
                                 [&](const ProfileParam& param) { return param.name == optionName; });
    return it != accepted.end() ? &*it : nullptr;
}

ProfileParam* Profile::findParam(std::string_view optionName) {
    return const_cast<ProfileParam*>(std::as_const(*this).findParam(optionName));
}

std::optional<std::int32_t> Profile::targetCode() const {
    return MediaTypeTable::find(MediaType);
}

bool Profile::isRealMedia() const {
    return platform::equalsNoCase(Format, "rm");
}

std::string Profile::targetText() const {
    if (!SName.empty()) {
        return SName;
    }
    std::string text = Format;
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; });
    return text;
}

std::vector<std::string> offeredChoices(const ProfileParam& param) {
    if (!param.choiceText.empty()) {
        return param.choices;
    }
    return defaultChoices(find(param.name));
}

int findChoiceByPrefix(std::span<const std::string> choices, std::string_view value) {
    if (value.empty()) {
        return -1;
    }
    const auto beginsWith = [&](const std::string& choice) {
        return choice.size() >= value.size() &&
               platform::equalsNoCase(std::string_view(choice).substr(0, value.size()), value);
    };
    for (std::size_t i = 1; i < choices.size(); ++i) {
        if (beginsWith(choices[i])) {
            return static_cast<int>(i);
        }
    }
    return !choices.empty() && beginsWith(choices[0]) ? 0 : -1;
}

} // namespace morvane::profiles
