#include "media/media_facts_record.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <vector>

namespace morvane::media {

namespace {

// The record's layout version, its first field.
constexpr std::string_view kRecordVersion = "1";

// Every number goes as an integer; a double as the bits of its representation, so it comes back
// exactly and whatever the locale.
std::string field(std::int64_t value) {
    return " " + std::to_string(value);
}

std::string field(double value) {
    return " " + std::to_string(std::bit_cast<std::uint64_t>(value));
}

class FieldReader {
public:
    explicit FieldReader(std::string_view text) {
        while (!text.empty()) {
            const auto blank = text.find(' ');
            m_fields.push_back(text.substr(0, blank));
            text.remove_prefix(blank == std::string_view::npos ? text.size() : blank + 1);
        }
    }

    std::size_t size() const { return m_fields.size(); }
    std::string_view first() const { return m_fields.empty() ? std::string_view() : m_fields.front(); }
    bool ok() const { return m_ok; }

    template <typename Integer>
    Integer integer() {
        Integer value{};
        const std::string_view text = next();
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        m_ok = m_ok && !text.empty() && error == std::errc() && end == text.data() + text.size();
        return value;
    }

    double real() { return std::bit_cast<double>(integer<std::uint64_t>()); }

private:
    std::string_view next() { return m_next < m_fields.size() ? m_fields[m_next++] : std::string_view(); }

    std::vector<std::string_view> m_fields;
    std::size_t m_next = 1; // after the layout version
    bool m_ok = true;
};

constexpr std::size_t kFieldCount = 19;

} // namespace

std::string mediaFactsRecord(const platform::FileVersion& version, const MediaFacts& facts) {
    std::string record(kRecordVersion);
    record += field(static_cast<std::int64_t>(version.device)) +
              field(static_cast<std::int64_t>(version.inode)) + field(version.size) +
              field(version.modifiedNs) + field(version.changedNs);
    record += field(facts.duration) + field(std::int64_t{facts.hasVideo}) +
              field(std::int64_t{facts.hasAudio}) + field(facts.frameRate) +
              field(std::int64_t{facts.width}) + field(std::int64_t{facts.height}) +
              field(std::int64_t{facts.videoBitrate}) + field(facts.audioBitrate) + field(facts.sampleRate) +
              field(std::int64_t{facts.channels}) + field(std::int64_t{facts.still ? 1 : 0}) +
              field(facts.displayAspect) + field(std::int64_t{facts.lengthGuessed ? 1 : 0});
    return record;
}

std::optional<MediaFacts> mediaFactsFromRecord(std::string_view record, const std::string& path) {
    FieldReader fields(record);
    if (fields.size() != kFieldCount || fields.first() != kRecordVersion) {
        return std::nullopt;
    }
    platform::FileVersion version;
    version.device = static_cast<std::uint64_t>(fields.integer<std::int64_t>());
    version.inode = static_cast<std::uint64_t>(fields.integer<std::int64_t>());
    version.size = fields.integer<std::int64_t>();
    version.modifiedNs = fields.integer<std::int64_t>();
    version.changedNs = fields.integer<std::int64_t>();
    MediaFacts facts;
    facts.duration = fields.real();
    facts.hasVideo = fields.integer<int>();
    facts.hasAudio = fields.integer<int>();
    facts.frameRate = fields.real();
    facts.width = fields.integer<int>();
    facts.height = fields.integer<int>();
    facts.videoBitrate = fields.integer<int>();
    facts.audioBitrate = fields.real();
    facts.sampleRate = fields.real();
    facts.channels = fields.integer<int>();
    facts.still = fields.integer<int>() != 0;
    facts.displayAspect = fields.real();
    facts.lengthGuessed = fields.integer<int>() != 0;
    if (!fields.ok() || platform::fileVersion(path) != version) {
        return std::nullopt;
    }
    return facts;
}

} // namespace morvane::media
