#include "app/batch_cli.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/fixed_text.h"
#include "platform/text_rules.h"
#include "platform/time_text.h"
#include "platform/translation.h"
#include "profiles/profile_catalogue.h"

namespace morvane::app {

namespace {

std::size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) {
        row[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// Whether every blank-separated word of `words` occurs in `text`.
bool everyWordIn(const std::string& words, const std::string& text) {
    std::size_t found = 0;
    std::size_t pos = 0;
    while (pos < words.size()) {
        const auto start = words.find_first_not_of(' ', pos);
        if (start == std::string::npos) {
            break;
        }
        const auto end = std::min(words.find(' ', start), words.size());
        if (text.find(words.substr(start, end - start)) == std::string::npos) {
            return false;
        }
        ++found;
        pos = end;
    }
    return found > 0;
}

} // namespace

std::string cliUsage() {
    return platform::translate(
        "BatchCli",
        "usage: morvane-batch [-p NAME|ID] [-o DIR] [--start HH:MM:SS] [--end HH:MM:SS] [-j N] [--json]\n"
        "                     [--journal FILE] FILE...\n"
        "       morvane-batch --list-profiles [--json]\n"
        "       morvane-batch --show-profile NAME\n"
        "       morvane-batch --probe FILE...\n"
        "       morvane-batch --help | --version\n"
        "\n"
        "Converts the FILEs with profile NAME (default: the profile chosen last in the program) into\n"
        "folder DIR (default: the Output folder of config.ini). --start and --end cut every file. A\n"
        "profile's ID is its file name without \".pf\" (--list-profiles --json shows both).\n"
        "-j N converts N files at once (1 to 16, default 2), each with its own converter, starting in\n"
        "the order given; -j 1 converts one after another. A failure lets the running files finish\n"
        "and starts no more. Profiles that share a Name are listed with their file beside it; a NAME\n"
        "or ID that could mean more than one profile is refused.\n"
        "--json writes one JSON object per line on standard output (events \"added\", \"skipped\",\n"
        "\"progress\", \"finished\" and \"end\"); messages and the result table go to standard error.\n"
        "--journal FILE records each file's outcome in FILE as it ends (one JSON line, flushed to disk);\n"
        "run again with the same FILE, files already converted there from the same source (size and\n"
        "time unchanged) with the same profile, settings, cut and output folder, whose output is still\n"
        "there, are skipped and reported as such. A batch cut off at any point can so be run again.\n"
        "Ctrl-C stops the running conversions and the batch; a second Ctrl-C ends at once.\n"
        "Exit status: 0 when every file was converted, 1 when any failed or was stopped, 2 for usage "
        "errors.\n"
        "\n"
        "--probe prints one line per FILE as the program reads it when the file is added:\n"
        "  duration     length in seconds, one second added as the file list counts it\n"
        "  width height picture size in pixels (0 without a picture)\n"
        "  video audio  1 when the file has such a stream, else 0\n"
        "  frameserver  1 when the file may be read through the frame-server script\n");
}

namespace {

using platform::Expected;
using platform::Failure;

// Reads the arguments left to right into one request.
class CliReader {
public:
    explicit CliReader(const std::vector<std::string>& arguments) : m_arguments(arguments) {}

    Expected<CliRequest> read() {
        for (m_at = 0; m_at < m_arguments.size(); ++m_at) {
            const std::string& arg = m_arguments[m_at];
            if (m_onlyFiles || arg.empty() || arg == "-" || arg.front() != '-') {
                m_request.files.push_back(arg);
                continue;
            }
            if (arg == "--help" || arg == "-h" || arg == "--version") {
                m_request.mode = arg == "--version" ? CliRequest::Mode::Version : CliRequest::Mode::Help;
                return m_request; // whatever else was asked for
            }
            if (const auto read = readOption(arg); !read) {
                return Failure{read.error()};
            }
        }
        if (const auto checked = checkCombination(); !checked) {
            return Failure{checked.error()};
        }
        return m_request;
    }

private:
    Expected<void> readOption(const std::string& arg) {
        if (arg == "--") {
            m_onlyFiles = true;
            return {};
        }
        if (arg == "--list-profiles") {
            return setMode(CliRequest::Mode::ListProfiles, arg);
        }
        if (arg == "--probe") {
            return setMode(CliRequest::Mode::Probe, arg);
        }
        if (arg == "--json") {
            m_request.json = true;
            return {};
        }
        if (arg.size() > 2 && arg.rfind("-j", 0) == 0 && arg[2] != '-') {
            return readJobs("-j", arg.substr(2)); // -j4
        }
        const bool known = arg == "-p" || arg == "--profile" || arg == "-o" || arg == "--output" ||
                           arg == "--start" || arg == "--end" || arg == "--show-profile" || arg == "-j" ||
                           arg == "--jobs" || arg == "--journal";
        if (!known) {
            return Failure{
                platform::withArguments(platform::translate("BatchCli", "unknown option %1"), {arg})};
        }
        if (m_at + 1 >= m_arguments.size()) {
            return Failure{
                platform::withArguments(platform::translate("BatchCli", "%1 needs a value"), {arg})};
        }
        return readValue(arg, m_arguments[++m_at]);
    }

    Expected<void> readJobs(const std::string& arg, const std::string& value) {
        int jobs = 0;
        const auto* end = value.data() + value.size();
        const auto [rest, error] = std::from_chars(value.data(), end, jobs);
        if (value.empty() || error != std::errc() || rest != end || jobs < 1 || jobs > kMostCliJobs) {
            return Failure{platform::withArguments(
                platform::translate("BatchCli",
                                    "%1 takes how many files to convert at once, from 1 to %2, not \"%3\""),
                {arg, std::to_string(kMostCliJobs), value})};
        }
        m_request.jobs = jobs;
        return {};
    }

    Expected<void> readValue(const std::string& arg, const std::string& value) {
        if (arg == "-j" || arg == "--jobs") {
            return readJobs(arg, value);
        }
        if (arg == "--journal") {
            if (value.empty()) {
                return Failure{platform::translate("BatchCli", "the journal file must not be empty")};
            }
            m_request.journal = value;
        } else if (arg == "-o" || arg == "--output") {
            if (value.empty()) {
                return Failure{platform::translate("BatchCli", "the output folder must not be empty")};
            }
            m_request.outputFolder = value;
        } else if (arg == "--start" || arg == "--end") {
            // Digits and two colons only: the list cells' lenient reading would take "-00:00:01" as
            // one second and drop whatever follows the seconds.
            const bool plain = std::count(value.begin(), value.end(), ':') == 2 &&
                               value.find_first_not_of("0123456789:") == std::string::npos;
            const auto seconds = plain ? platform::parseTimeText(value) : std::nullopt;
            if (!seconds) {
                return Failure{platform::withArguments(
                    value.starts_with('-')
                        ? platform::translate("BatchCli", "%1 cannot be negative: \"%2\"")
                        : platform::translate("BatchCli", "%1 takes a time as HH:MM:SS, not \"%2\""),
                    {arg, value})};
            }
            (arg == "--start" ? m_request.start : m_request.end) = platform::formatTimeText(*seconds);
        } else {
            if (arg == "--show-profile") {
                if (const auto set = setMode(CliRequest::Mode::ShowProfile, arg); !set) {
                    return set;
                }
            }
            m_request.profile = value;
        }
        return {};
    }

    Expected<void> setMode(CliRequest::Mode mode, const std::string& arg) {
        if (m_modeSet && m_request.mode != mode) {
            return Failure{platform::withArguments(
                platform::translate("BatchCli", "%1 cannot be combined with another mode"), {arg})};
        }
        m_modeSet = true;
        m_request.mode = mode;
        return {};
    }

    Expected<void> checkCombination() const {
        const CliRequest::Mode mode = m_request.mode;
        const bool wantsFiles = mode == CliRequest::Mode::Convert || mode == CliRequest::Mode::Probe;
        if (wantsFiles && m_request.files.empty()) {
            return Failure{mode == CliRequest::Mode::Probe
                               ? platform::translate("BatchCli", "--probe needs at least one FILE")
                               : platform::translate("BatchCli", "no FILE given")};
        }
        if (!wantsFiles && !m_request.files.empty()) {
            return Failure{platform::withArguments(platform::translate("BatchCli", "unexpected argument %1"),
                                                   {m_request.files.front()})};
        }
        if (mode != CliRequest::Mode::Convert &&
            (m_request.outputFolder || m_request.start || m_request.end || m_request.jobs ||
             (m_request.profile && mode != CliRequest::Mode::ShowProfile))) {
            return Failure{
                platform::translate("BatchCli", "-p, -o, -j, --start and --end go with conversions only")};
        }
        if (m_request.journal && mode != CliRequest::Mode::Convert) {
            return Failure{platform::translate("BatchCli", "--journal goes with conversions only")};
        }
        if (m_request.json && mode != CliRequest::Mode::Convert && mode != CliRequest::Mode::ListProfiles) {
            return Failure{
                platform::translate("BatchCli", "--json goes with conversions and --list-profiles only")};
        }
        return {};
    }

    const std::vector<std::string>& m_arguments;
    std::size_t m_at = 0;
    CliRequest m_request;
    bool m_modeSet = false;
    bool m_onlyFiles = false;
};

} // namespace

platform::Expected<CliRequest> parseCliArguments(const std::vector<std::string>& arguments) {
    return CliReader(arguments).read();
}

std::string profileIdOf(const std::string& profilePath) {
    return std::filesystem::path(profilePath).stem().string();
}

std::vector<std::string> profilesMeant(const std::string& wanted,
                                       const profiles::ProfileCatalogue& catalogue) {
    if (catalogue.contains(wanted)) {
        return {wanted};
    }
    if (auto shared = catalogue.entriesNamed(wanted); !shared.empty()) {
        return shared;
    }
    const std::string key = platform::toLowerAscii(wanted);
    std::vector<std::string> exact;
    std::vector<std::string> caseless;
    for (const auto& name : catalogue.names()) {
        const std::string id = profileIdOf(catalogue.pathOf(name));
        if (id == wanted) {
            exact.push_back(name);
        } else if (platform::toLowerAscii(id) == key) {
            caseless.push_back(name);
        }
    }
    return exact.empty() ? caseless : exact;
}

std::vector<std::string> closeMatches(const std::string& wanted, const std::vector<std::string>& names) {
    const std::string key = platform::toLowerAscii(wanted);
    std::vector<std::pair<std::size_t, std::string>> scored;
    for (const auto& name : names) {
        const std::string candidate = platform::toLowerAscii(name);
        std::size_t score = editDistance(key, candidate);
        if (!key.empty() &&
            (candidate.find(key) != std::string::npos || key.find(candidate) != std::string::npos)) {
            score = 0;
        } else if (everyWordIn(key, candidate)) {
            score = 1;
        }
        const std::size_t allowed = std::max<std::size_t>(2, key.size() / 3);
        if (score <= allowed &&
            std::none_of(scored.begin(), scored.end(), [&](const auto& s) { return s.second == name; })) {
            scored.emplace_back(score, name);
        }
    }
    std::stable_sort(scored.begin(), scored.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> result;
    for (auto& s : scored) {
        result.push_back(std::move(s.second));
    }
    return result;
}

std::string absolutePath(const std::string& path, const std::string& currentDirectory) {
    std::filesystem::path p(path);
    if (p.is_relative()) {
        p = std::filesystem::path(currentDirectory) / p;
    }
    auto normal = p.lexically_normal().string();
    if (normal.size() > 1 && normal.back() == '/') {
        normal.pop_back();
    }
    return normal;
}

std::string defaultVideosFolder() {
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') {
        return "/tmp";
    }
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    const std::string dirsFile =
        (configHome != nullptr && *configHome != '\0' ? std::string(configHome)
                                                      : std::string(home) + "/.config") +
        "/user-dirs.dirs";
    std::ifstream in(dirsFile);
    std::string line;
    while (std::getline(in, line)) {
        const std::string key = "XDG_VIDEOS_DIR=\"";
        if (line.rfind(key, 0) != 0 || line.size() < key.size() + 1 || line.back() != '"') {
            continue;
        }
        std::string value = line.substr(key.size(), line.size() - key.size() - 1);
        if (value.rfind("$HOME", 0) == 0) {
            value = std::string(home) + value.substr(5);
        }
        if (!value.empty() && value.front() == '/' && value != std::string(home) &&
            value != std::string(home) + "/") {
            return value;
        }
    }
    return std::string(home) + "/Videos";
}

std::string padCell(const std::string& text, std::size_t width) {
    std::string cell(platform::utf8Prefix(text, width));
    // Pad by characters, not bytes, so columns line up for UTF-8 names.
    std::size_t characters = 0;
    for (const unsigned char c : cell) {
        characters += (c & 0xC0U) != 0x80U ? 1 : 0;
    }
    cell.append(width > characters ? width - characters : 0, ' ');
    return cell;
}

std::string progressLine(const std::string& name, int percent, long long elapsedSeconds, std::size_t width,
                         int bar) {
    percent = std::clamp(percent, 0, 100);
    bar = std::max(bar, 1);
    const int filled = percent * bar / 100;
    // The name takes what the bar, percentage and time leave.
    const auto rest = static_cast<std::size_t>(bar) + 17;
    std::string line = padCell(name, width >= rest + 8 ? width - rest : 8);
    line += " [" + std::string(static_cast<std::size_t>(filled), '#') +
            std::string(static_cast<std::size_t>(bar - filled), '.') + "] ";
    char tail[32];
    std::snprintf(tail, sizeof tail, "%3d%% %s", percent, platform::formatTimeText(elapsedSeconds).c_str());
    return line + tail;
}

} // namespace morvane::app
