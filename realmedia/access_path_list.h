#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "realmedia/producer_bindings.h"

namespace morvane::realmedia {

// The folders the producer library works from, handed to it before anything else: texts
// "name=path", each ended by a zero byte, the list ended by an extra zero byte, in a zero-filled
// buffer of kAccessPathListBytes.
class AccessPathList {
public:
    // Fills the entries for plugins, codecs, tools and common (in this order) below
    // `programDirectory`, which ends with the separator. False, leaving the list empty, when the
    // entries do not fit: a cut path would send the library to the wrong folder.
    bool fill(std::string_view programDirectory);

    const char* data() const { return m_buffer.data(); }
    // The entries as texts, read back from the buffer.
    std::vector<std::string> entries() const;

private:
    std::array<char, kAccessPathListBytes> m_buffer{};
};

} // namespace morvane::realmedia
