#pragma once

// The profiles the program offers: every "*.pf" file of the profiles folder that has a Name,
// listed in file-name order, and the position the user chose last (remembered in config.ini).
// Files that share a Name are each listed with their file beside it, "Name (file.pf)" (the whole
// path where two folders hold files of one name), so that neither hides the other.

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "profiles/profile.h"

namespace morvane::profiles {

class ProfileCatalogue {
public:
    static constexpr std::string_view kFolderName = "profiles";
    static constexpr std::string_view kExtension = ".pf";
    static constexpr std::size_t kNameChars = 299;    // longest display name read from a file
    static constexpr std::size_t kProfileIdChars = 7; // longest "ProfileID" text read from config.ini
    static constexpr std::string_view kConfigSection = "Config";
    static constexpr std::string_view kProfileIdKey = "ProfileID";

    // The profiles folder of a program directory (which ends with a separator).
    static std::string folderOf(const std::string& programDirectory);

    // Rebuilds the catalogue from `profilesFolder` (with or without a final separator): the files
    // whose names end in ".pf" (any case), in byte order of their names. A file with an empty or
    // missing Name is left out; files sharing a Name are listed apart, each entry leading to its own
    // file. A missing or unreadable folder gives an empty catalogue. Then selects the position
    // remembered in `configPath` (see selectRemembered). Returns the number of listed entries.
    std::size_t scan(const std::string& profilesFolder, const std::string& configPath);

    // The same over several folders in turn: all of the first folder's profiles, then the next's.
    std::size_t scan(const std::vector<std::string>& profilesFolders, const std::string& configPath);

    // The folders the program lists profiles from: the program directory's profiles/, then the
    // user's own (platform/user_files.h).
    static std::vector<std::string> foldersOf(const std::string& programDirectory);

    void clear();

    // The combo-box entries in scan order.
    const std::vector<std::string>& names() const { return m_names; }
    // The entries of the files whose Name is `name` when several files share it; empty otherwise.
    std::vector<std::string> entriesNamed(std::string_view name) const;
    // Entry to .pf path.
    const std::map<std::string, std::string, std::less<>>& paths() const { return m_paths; }
    // The path for a display name; empty when the name is not listed.
    std::string pathOf(std::string_view name) const;
    bool contains(std::string_view name) const { return m_paths.find(name) != m_paths.end(); }
    std::size_t size() const { return m_names.size(); }
    bool empty() const { return m_names.empty(); }

    // Selects the position stored under "ProfileID" in section "Config" of `configPath` (missing
    // gives 0; read as the number the text starts with). Out of range leaves nothing selected.
    // Returns the selected position or -1.
    int selectRemembered(const std::string& configPath);

    // The user picked entry `index`: it becomes current and its position is written to
    // "ProfileID". False (nothing written, nothing selected) when the index is out of range, or
    // when the position could not be stored (the selection still changes then).
    bool selectProfile(int index, const std::string& configPath);

    // The selected position, or -1.
    int currentIndex() const { return m_current; }
    // The text of the selected entry; empty when nothing is selected.
    const std::string& currentName() const;

private:
    bool inRange(int index) const { return index >= 0 && static_cast<std::size_t>(index) < m_names.size(); }

    std::vector<std::string> m_names;
    std::map<std::string, std::string, std::less<>> m_paths;
    std::map<std::string, std::vector<std::string>, std::less<>> m_shared; // shared Name to its entries
    int m_current = -1;
};

// Parses the profile listed under display name `name` into `profile` (replacing what it held).
// False, leaving `profile` untouched, only when `name` is empty. A name the catalogue does not
// list, or a file that has gone, gives a profile without content.
bool parseProfile(const ProfileCatalogue& catalogue, std::string_view name, Profile& profile);

} // namespace morvane::profiles
