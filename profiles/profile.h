#pragma once

// A parsed profile file (".pf"): its "Main" values and its accepted "Parameter" settings.
//
// File format (INI):
//   [Main]       Name, SName, Format, ExtName, MediaType, QALevel
//   [Parameter]  <option name> = mark "," reserved "," value [ "," choice-list ]
// mark "READONLY" makes the setting read-only in the parameter panel; the choice-list (kept for
// list settings only) is enclosed in one opening and one closing character, its items separated
// by commas, an item may be quoted to contain commas.

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "profiles/ini_section_reader.h"
#include "profiles/option_table.h"

namespace morvane::profiles {

// "No entry" as a chain link.
inline constexpr std::int32_t kNoParam = -1;

// One accepted "Parameter" entry. `value` is what the panel edits and the command builders read.
struct ProfileParam {
    static constexpr std::string_view kReadOnlyMark = "READONLY";

    std::string name;                 // the key: the option name
    std::string mark;                 // first field: "READONLY" or anything else
    std::string reserved;             // second field, kept but not used
    std::string value;                // third field
    std::string choiceText;           // raw choice-list with its enclosing characters; empty when none
    std::vector<std::string> choices; // the parsed choice-list
    OptionKind kind = OptionKind::Text;
    std::int32_t id = 0; // panel id of the option; 0 for options without one
    OptionCategory category = OptionCategory::General;
    std::string label; // displayLabel of the option and the key
    std::string help;  // the option's help, empty when it has none
    std::uint32_t flags = 0;
    std::int32_t next = kNoParam; // index in Profile::params of the next entry in ascending id order

    bool isReadOnly() const { return mark == kReadOnlyMark; }
    bool isSwitch() const { return (flags & kOptionSwitch) != 0; }
    bool takesValue() const { return (flags & kOptionTakesValue) != 0; }
    bool isList() const { return kind == OptionKind::EditableList || kind == OptionKind::FixedList; }
};

// Walks the accepted entries of a profile along their `next` links (ascending id).
template <typename Param>
class ParamChain {
public:
    class iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = std::remove_const_t<Param>;
        using difference_type = std::ptrdiff_t;
        using pointer = Param*;
        using reference = Param&;

        iterator() = default;
        iterator(std::span<Param> params, std::int32_t index) : m_params(params), m_index(valid(index)) {}

        reference operator*() const { return m_params[static_cast<std::size_t>(m_index)]; }
        pointer operator->() const { return &**this; }
        iterator& operator++() {
            // A chain never has more links than slots; stopping there also ends a damaged chain.
            m_index = ++m_steps < m_params.size() ? valid((**this).next) : kNoParam;
            return *this;
        }
        iterator operator++(int) {
            auto old = *this;
            ++*this;
            return old;
        }
        friend bool operator==(const iterator& a, const iterator& b) { return a.m_index == b.m_index; }

    private:
        std::int32_t valid(std::int32_t index) const {
            return index >= 0 && static_cast<std::size_t>(index) < m_params.size() ? index : kNoParam;
        }

        std::span<Param> m_params;
        std::int32_t m_index = kNoParam;
        std::size_t m_steps = 0;
    };

    ParamChain(std::span<Param> params, std::int32_t first) : m_params(params), m_first(first) {}
    iterator begin() const { return iterator(m_params, m_first); }
    iterator end() const { return iterator(m_params, kNoParam); }

private:
    std::span<Param> m_params;
    std::int32_t m_first = kNoParam;
};

// One parsed .pf file. Field names follow the file's own key names.
struct Profile {
    std::string path;        // full path of the .pf file
    StringMap mainKeys;      // every key of "Main" with its value
    StringMap parameterKeys; // every key of "Parameter" with its raw value
    // One slot per key of "Parameter": the first paramCount slots hold the accepted entries in key
    // order, the remaining slots stay blank.
    std::vector<ProfileParam> params;
    std::int32_t firstParam = kNoParam; // index of the entry with the smallest id; kNoParam when none
    std::int32_t videoCount = 0;
    std::int32_t audioCount = 0;
    std::int32_t generalCount = 0;
    std::int32_t paramCount = 0;
    std::string name; // display name under which the profile was chosen (the catalogue key)
    std::string SName;
    std::string Format;
    std::string ExtName;
    std::string MediaType;
    std::int32_t QALevel = -1; // -1 when the file has no QALevel

    // The accepted entries in ascending id order.
    ParamChain<const ProfileParam> chain() const { return {params, firstParam}; }
    ParamChain<ProfileParam> chain() { return {params, firstParam}; }

    // The accepted entry for an option name (exact), or null.
    const ProfileParam* findParam(std::string_view optionName) const;
    ProfileParam* findParam(std::string_view optionName);

    // The target code named by MediaType; nothing when it names no target (the general path).
    std::optional<std::int32_t> targetCode() const;
    // Format "rm" (any case) sends the job to the RealMedia encoder.
    bool isRealMedia() const;
    // The text of a file-list row's Target cell: SName, or Format in upper case when SName is empty.
    std::string targetText() const;
};

// Parses one "Parameter" entry (key and raw value as read from the file) into `param`, filling
// kind, id, category, label, help and flags from the option table. A key the table does not name
// becomes a General text setting labelled with the key. False, leaving `param` untouched, when
// the key or value is empty or the value has fewer than two commas. A value longer than 255
// characters is kept whole (the file read itself stops at IniSectionReader::kValueChars).
bool parseProfileParam(std::string_view key, std::string_view rawValue, ProfileParam& param);

// Splits the inside of a choice-list (its enclosing characters already dropped) at commas outside
// double quotes; quotes are removed, items trimmed, empty items dropped.
std::vector<std::string> splitChoiceList(std::string_view inner);

// Fills `profile` (replacing whatever it held) from the file at `path` under display name `name`.
// A missing or empty file gives a profile with empty texts, QALevel -1 and no parameters.
void parseProfileFile(const std::string& path, std::string_view name, Profile& profile);

// Fills `profile` as parseProfileFile does, from the keys of its "Main" and "Parameter" sections as
// read from the file at `path` (a profile kept elsewhere is rebuilt from them).
void buildProfile(const std::string& path, std::string_view name, StringMap mainKeys, StringMap parameterKeys,
                  Profile& profile);

// The choices the parameter panel offers for a list setting: the entry's own choices when it has
// a choice-list (even an empty one), otherwise the option table's defaults.
std::vector<std::string> offeredChoices(const ProfileParam& param);

// The entry a drop-down selects for `value`: the first whose beginning equals `value` without
// regard to case, searching from the second entry to the last and then the first. -1 when none,
// and for an empty value (which every entry begins with: it must not pick the second entry).
int findChoiceByPrefix(std::span<const std::string> choices, std::string_view value);

} // namespace morvane::profiles
