#include "media/remembered_facts.h"

#include <mutex>
#include <optional>
#include <unordered_map>
#include <utility>

#include "media/media_facts_record.h"
#include "media/media_plugin.h"
#include "platform/file_identity.h"

namespace morvane::media {

namespace {

class RememberedFacts {
public:
    void remember(const std::string& path, const platform::FileVersion& version, const MediaFacts& facts) {
        const std::lock_guard lock(m_mutex);
        if (m_files.size() >= kMostFiles) {
            m_files.clear();
        }
        m_files[path] = {version, facts};
    }

    std::optional<MediaFacts> recall(const std::string& path, const platform::FileVersion& version) {
        const std::lock_guard lock(m_mutex);
        const auto found = m_files.find(path);
        if (found == m_files.end() || found->second.first != version) {
            return std::nullopt;
        }
        return found->second.second;
    }

private:
    static constexpr std::size_t kMostFiles = 10000;
    std::mutex m_mutex;
    std::unordered_map<std::string, std::pair<platform::FileVersion, MediaFacts>> m_files;
};

RememberedFacts& rememberedFacts() {
    static RememberedFacts remembered;
    return remembered;
}

// Reads the file; the facts are remembered when the file did not change while it was read.
int readRemembering(const std::string& path, const std::optional<platform::FileVersion>& before,
                    MediaFacts& facts) {
    const int status = detectMediaFactsWithPlugin(path, facts);
    if (status == kDetectOk && before && platform::fileVersion(path) == before) {
        rememberedFacts().remember(path, *before, facts);
    }
    return status;
}

} // namespace

int detectMediaFactsRemembering(const std::string& path, MediaFacts& facts) {
    return readRemembering(path, platform::fileVersion(path), facts);
}

std::string currentFactsRecord(const std::string& path) {
    const auto before = platform::fileVersion(path);
    if (!before) {
        return {};
    }
    auto facts = rememberedFacts().recall(path, *before);
    if (!facts) {
        MediaFacts read;
        if (readRemembering(path, before, read) != kDetectOk || platform::fileVersion(path) != before) {
            return {};
        }
        facts = read;
    }
    return mediaFactsRecord(*before, *facts);
}

} // namespace morvane::media
