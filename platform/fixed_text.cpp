#include "platform/fixed_text.h"

#include <algorithm>

namespace morvane::platform {

namespace {
bool isContinuationByte(unsigned char c) {
    return (c & 0xC0U) == 0x80U;
}

// Length of the sequence a lead byte announces; 1 for ASCII and for bytes that lead nothing.
std::size_t sequenceLength(unsigned char lead) {
    if (lead >= 0xF0U && lead <= 0xF7U) {
        return 4;
    }
    if (lead >= 0xE0U) {
        return lead <= 0xEFU ? 3 : 1;
    }
    if (lead >= 0xC0U) {
        return 2;
    }
    return 1;
}
} // namespace

std::size_t utf8PrefixLength(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return text.size();
    }
    // Step back over the continuation bytes of the sequence that straddles the cut, then keep that
    // sequence only when it ends before the cut.
    std::size_t cut = maxBytes;
    std::size_t start = cut;
    while (start > 0 && cut - start < 3 && isContinuationByte(static_cast<unsigned char>(text[start]))) {
        --start;
    }
    const auto lead = static_cast<unsigned char>(text[start]);
    if (isContinuationByte(static_cast<unsigned char>(text[cut])) && !isContinuationByte(lead) &&
        start + sequenceLength(lead) > cut) {
        return start;
    }
    return cut;
}

std::string_view utf8Prefix(std::string_view text, std::size_t maxBytes) {
    return text.substr(0, utf8PrefixLength(text, maxBytes));
}

std::size_t copyText(char* dst, std::size_t capacity, std::string_view src) {
    if (dst == nullptr || capacity == 0) {
        return 0;
    }
    // A terminator inside the source ends the text, as it would in a character array.
    src = src.substr(0, std::min(src.find('\0'), src.size()));
    const std::size_t n = utf8PrefixLength(src, capacity - 1);
    std::copy_n(src.data(), n, dst);
    dst[n] = '\0';
    return n;
}

std::size_t appendText(char* dst, std::size_t capacity, std::string_view src) {
    if (dst == nullptr || capacity == 0) {
        return 0;
    }
    const std::size_t used = ::strnlen(dst, capacity - 1);
    return used + copyText(dst + used, capacity - used, src);
}

} // namespace morvane::platform
