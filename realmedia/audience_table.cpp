#include "realmedia/audience_table.h"

namespace morvane::realmedia {

std::uint32_t AudienceTable::audienceNumber(std::string_view name) {
    const auto found = std::lower_bound(kNames.begin(), kNames.end(), name);
    if (found == kNames.end() || *found != name) {
        return 0;
    }
    return static_cast<std::uint32_t>(found - kNames.begin());
}

} // namespace morvane::realmedia
