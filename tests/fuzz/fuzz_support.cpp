#include "tests/fuzz/fuzz_support.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace morvane::fuzz {

namespace {

class ScratchFolder {
public:
    ScratchFolder() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern =
            std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/morvane-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a temporary folder under " + pattern);
        }
        m_path = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

} // namespace

std::string writeScratchFile(const std::string& name, std::string_view bytes) {
    static const ScratchFolder folder;
    const std::string path = folder.path() + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
    return path;
}

std::vector<std::string> splitAtLineFeeds(std::string_view text) {
    std::vector<std::string> pieces;
    if (text.empty()) {
        return pieces;
    }
    for (;;) {
        const auto end = text.find('\n');
        pieces.emplace_back(text.substr(0, end));
        if (end == std::string_view::npos) {
            return pieces;
        }
        text.remove_prefix(end + 1);
    }
}

std::string shown(std::string_view text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size() && i < 300; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F && c != '\\' && c != '"') {
            out.push_back(static_cast<char>(c));
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            out += escaped;
        }
    }
    out += text.size() > 300 ? "\"..." : "\"";
    return out;
}

std::string shown(const std::vector<std::string>& texts) {
    std::string out = "{";
    for (std::size_t i = 0; i < texts.size() && i < 40; ++i) {
        out += (i > 0 ? ", " : "") + shown(texts[i]);
    }
    out += texts.size() > 40 ? ", ...}" : "}";
    return out;
}

} // namespace morvane::fuzz
