#pragma once

// The converter's command-line options as the program knows them: one static, read-only table
// compiled into the program. Profile parsing copies kind, id, category, label, help and flags
// from it, the parameter panel picks editors and default choices from it, and the command
// builders decide from the flags whether an option is a switch or takes a value.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace morvane::profiles {

// Flag bits of an option. Only kOptionTakesValue, kOptionSwitch, kOptionVideo and kOptionAudio
// drive behaviour; the others describe the option for completeness.
inline constexpr std::uint32_t kOptionTakesValue = 0x0001;
inline constexpr std::uint32_t kOptionSwitch = 0x0002;
inline constexpr std::uint32_t kOptionAdvanced = 0x0004;
inline constexpr std::uint32_t kOptionFreeText = 0x0008;
inline constexpr std::uint32_t kOptionVideo = 0x0010;
inline constexpr std::uint32_t kOptionAudio = 0x0020;
inline constexpr std::uint32_t kOptionCapture = 0x0040;
inline constexpr std::uint32_t kOptionInteger = 0x0080;
inline constexpr std::uint32_t kOptionReal = 0x0100;
inline constexpr std::uint32_t kOptionSubtitle = 0x0200;
inline constexpr std::uint32_t kOptionCatchAll = 0x0400;

// Where a setting is listed in the parameter panel.
enum class OptionCategory : std::int32_t { Video = 1, Audio = 2, General = 3 };

// The editor a setting gets in the parameter panel.
enum class OptionKind : std::int32_t {
    Text = 0,         // free text field
    EditableList = 1, // drop-down with a free text field
    FixedList = 2,    // drop-down offering only its listed choices
};

// One row of the option table.
struct OptionDef {
    const char* name = nullptr; // as written after "-" on the command line; null only in the empty definition
    std::uint32_t flags = 0;    // kOption* bits
    const char* help = nullptr; // one-line description, may be null
    const char* label =
        nullptr;         // panel rows: display label; other rows: the argument's name (may be null or "")
    std::int32_t id = 0; // 0 for rows the panel does not present
    OptionKind kind = OptionKind::Text;
    // valueCount > 0: the default choices. valueCount == 0: null, or one text, the option's neutral
    // value (the value for which the option is left off the command line).
    const char* const* values = nullptr;
    std::int32_t valueCount = 0;
};

// Number of rows, the empty definition not counted.
inline constexpr std::size_t kOptionCount = 101;

// The rows in their fixed order, without the empty definition that ends the stored table.
std::span<const OptionDef> optionTable();

// The row that ends the table: no name, all other fields zero or null.
const OptionDef& emptyOptionDef();

// The row whose name equals `name` exactly (case-sensitive); the empty definition when none does.
const OptionDef& find(std::string_view name);

// Video when kOptionVideo is set, else Audio when kOptionAudio is set, else General.
OptionCategory category(std::uint32_t flags);

// The definition's label when it has a non-empty one, otherwise `key`.
std::string displayLabel(const OptionDef& def, std::string_view key);

// The first valueCount texts of the definition's values; empty when valueCount is 0.
std::vector<std::string> defaultChoices(const OptionDef& def);

// The neutral value of an option without a choice list ("00:00:00" for "ss", "Full" for "t");
// empty when it has none.
std::string_view neutralValue(const OptionDef& def);

} // namespace morvane::profiles
