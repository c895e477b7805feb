#include "converter/translator_private.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace morvane::converter::translation {

namespace {

// A picture shape as "16:9", "4:3" or a plain ratio.
std::optional<double> parseAspect(std::string_view text) {
    const auto colon = text.find(':');
    if (colon == std::string_view::npos) {
        const auto ratio = parseNumber(text);
        return ratio && *ratio > 0.0 ? ratio : std::nullopt;
    }
    const auto width = parseNumber(text.substr(0, colon));
    const auto height = parseNumber(text.substr(colon + 1));
    if (!width || !height || *width <= 0.0 || *height <= 0.0) {
        return std::nullopt;
    }
    return *width / *height;
}

} // namespace

void Translator::fitPicture(int width, int height, double aspect, bool squarePixels, double shown,
                            const Borders& area, const std::string& color) {
    const int areaWidth = width - area.left - area.right;
    const int areaHeight = height - area.top - area.bottom;
    // The shape the area shows, its pixels being of the frame's shape.
    const double areaAspect = aspect * areaWidth / width * height / areaHeight;
    const bool fits = shown <= 0.0 || aspect <= 0.0 || std::abs(shown / areaAspect - 1.0) <= 0.01;
    if (fits && area.sum() == 0) {
        return; // the shape already fits
    }
    const auto even = [](double value) {
        return std::max(2, 2 * static_cast<int>(std::lround(value / 2.0)));
    };
    int pictureWidth = areaWidth;
    int pictureHeight = areaHeight;
    if (!fits) {
        pictureWidth =
            shown > areaAspect ? areaWidth : std::min(areaWidth, even(areaWidth * shown / areaAspect));
        pictureHeight =
            shown > areaAspect ? std::min(areaHeight, even(areaHeight * areaAspect / shown)) : areaHeight;
    }
    m_videoFilters.push_back("scale=" + std::to_string(pictureWidth) + ":" + std::to_string(pictureHeight));
    m_videoFilters.push_back("pad=" + std::to_string(width) + ":" + std::to_string(height) + ":" +
                             std::to_string(area.left + (areaWidth - pictureWidth) / 2) + ":" +
                             std::to_string(area.top + (areaHeight - pictureHeight) / 2) +
                             (color.empty() ? std::string() : ":color=" + color));
    if (squarePixels) {
        m_videoFilters.emplace_back("setsar=1");
    }
    m_scaleInFilter = true;
    if (!fits) {
        char shape[32];
        std::snprintf(shape, sizeof shape, "%.3g:1", shown);
        note(std::string("the source's picture is ") + shape + "; it keeps its shape in the " +
             std::to_string(width) + "x" + std::to_string(height) + " frame, with bars");
    }
}

double Translator::chooseDiscAspect(double shown) {
    double stated = 0.0;
    if (const auto* option = last("aspect")) {
        stated = parseAspect(option->value).value_or(0.0);
    }
    const double source = stated > 0.0 ? stated : shown;
    const bool wide = target169(m_target->format) && source >= 1.55;
    m_discAspect = wide ? "16:9" : "4:3";
    const double chosen = wide ? 16.0 / 9.0 : 4.0 / 3.0;
    if (const auto* option = last("aspect"); option != nullptr && std::abs(stated - chosen) > 0.01) {
        note("-target " + m_options[m_targetIndex].value + " shows pictures at 4:3" +
             (target169(m_target->format) ? std::string(" or 16:9") : std::string()) + "; using " +
             m_discAspect + " instead of -aspect " + option->value);
    }
    return chosen;
}

void Translator::planDiscFrame(const Borders& crop, const Borders& pads, const std::string& color) {
    // What is left of the source's picture after the crop, its pixels keeping their shape.
    const SourceFacts& source = probed();
    double shown = source.displayAspect;
    if (shown > 0.0 && source.width > crop.left + crop.right && source.height > crop.top + crop.bottom) {
        const double pixel = shown * source.height / source.width;
        shown = pixel * (source.width - crop.left - crop.right) / (source.height - crop.top - crop.bottom);
    }
    const double chosen = chooseDiscAspect(shown);
    const auto size = discFrameSize(*m_target);
    if (!size) {
        return;
    }
    Borders area = pads;
    if (size->width - pads.left - pads.right < 16 || size->height - pads.top - pads.bottom < 16) {
        note("the padding leaves no room for the picture in the " + std::to_string(size->width) + "x" +
             std::to_string(size->height) + " frame of -target " + m_options[m_targetIndex].value +
             "; not used");
        area = {};
    }
    fitPicture(size->width, size->height, chosen, false, shown, area, color);
}

void Translator::planPictureShape() {
    if (!m_result.videoOut || videoCopy() || m_videoEncoder.empty() || m_scaleInFilter) {
        return;
    }
    if (m_target && isDisc(*m_target)) {
        // A disc player knows two picture shapes; the nearer one is written and the picture fits into it.
        const double chosen = chooseDiscAspect(probed().displayAspect);
        if (const auto size = discFrameSize(*m_target)) {
            fitPicture(size->width, size->height, chosen, false, probed().displayAspect);
        }
        return;
    }
    if (has("aspect") || m_outWidth <= 0 || m_outHeight <= 0) {
        return; // the shape is the command's own choice, or the picture keeps its size
    }
    fitPicture(m_outWidth, m_outHeight, static_cast<double>(m_outWidth) / m_outHeight, true,
               probed().displayAspect);
}

void Translator::planFilters() {
    planFrameTiming();
    planFrame();
    planAudioFilters();
}

int Translator::pixelCount(const char* name) {
    const auto* option = last(name);
    if (option == nullptr) {
        return 0;
    }
    const auto number = parseNumber(option->value);
    if (!number || *number < 0.0 || std::floor(*number) != *number) {
        dropNote(*option, "not a pixel count");
        return 0;
    }
    return static_cast<int>(*number);
}

void Translator::planFrameTiming() {
    if (m_result.videoOut && !videoCopy() && !has("deinterlace") && streamFacts().interlaced) {
        // Pictures stored as fields stay so where the target keeps fields (DVD, SVCD, DV); every other
        // target shows whole frames, so the fields are woven together before anything else is done.
        const bool keepsFields =
            m_target && (m_target->format == "dvd" || m_target->format == "svcd" || m_target->format == "dv");
        if (!keepsFields) {
            m_videoFilters.emplace_back("yadif=deint=interlaced");
            note("the source is interlaced; its fields are woven into whole frames for this target");
        } else if (m_target->format != "dv" && !has("flags")) {
            m_interlacedOut = true;
        }
    }
    if (m_request.script && m_request.script->convertFrameRate) {
        char rate[32];
        std::snprintf(rate, sizeof rate, "fps=%.6g", m_request.script->frameRate);
        m_videoFilters.emplace_back(rate);
    }
    if (const auto* rate = last("r"); rate != nullptr && parseNumber(rate->value).value_or(1.0) > 0.0 &&
                                      !rate->value.empty() && !m_skip.count(m_last["r"])) {
        // Frames are chosen by the filter, nearest in time, so pictures keep their place against the
        // sound; -r alone would show each picture late by up to a frame of the new rate.
        m_videoFilters.push_back("fps=" + rate->value);
    } else if (m_target && !m_target->norm.empty() && m_result.videoOut && !videoCopy()) {
        // The target's own rate is set by -r inside it: the frames are chosen here as well.
        m_videoFilters.push_back(m_target->norm == "pal"    ? "fps=25"
                                 : m_target->norm == "ntsc" ? "fps=30000/1001"
                                                            : "fps=24000/1001");
    }
    if (has("deinterlace")) {
        m_videoFilters.emplace_back("yadif");
    }
}

void Translator::planFrame() {
    const Borders crop{pixelCount("croptop"), pixelCount("cropbottom"), pixelCount("cropleft"),
                       pixelCount("cropright")};
    if (crop.sum() > 0) {
        m_videoFilters.push_back("crop=iw-" + std::to_string(crop.left + crop.right) + ":ih-" +
                                 std::to_string(crop.top + crop.bottom) + ":" + std::to_string(crop.left) +
                                 ":" + std::to_string(crop.top));
    }
    const Borders pads{pixelCount("padtop"), pixelCount("padbottom"), pixelCount("padleft"),
                       pixelCount("padright")};
    std::string color = "black";
    if (const auto* option = last("padcolor")) {
        std::string text = option->value;
        if (!text.empty() && text[0] == '#') {
            text.erase(0, 1);
        }
        if (text.rfind("0x", 0) != 0) {
            text = "0x" + text;
        }
        color = text;
    }
    const bool disc = m_target && isDisc(*m_target) && m_result.videoOut && !videoCopy();
    if (m_scaleInFilter) {
        m_videoFilters.push_back(m_scaleFilter);
    } else if (disc && crop.sum() + pads.sum() > 0) {
        // The disc's frame size is fixed: the pads lie inside it, and the cropped picture fits between them.
        planDiscFrame(crop, pads, color);
    } else if (pads.sum() + crop.sum() > 0 && m_outWidth > 0 && m_outHeight > 0) {
        // Crops and pads frame the picture of -s, so the scaling has to sit between them.
        m_videoFilters.push_back("scale=" + std::to_string(m_outWidth) + ":" + std::to_string(m_outHeight));
        m_scaleInFilter = true;
    } else if (pads.sum() + crop.sum() == 0) {
        planPictureShape();
    }
    if (!m_scaleInFilter && isX264() && m_outWidth == 0 && m_result.videoOut &&
        probed().width % 2 + probed().height % 2 > 0) {
        note("the source's frame size is odd; libx264 needs even sides, so one pixel is cut off");
        m_videoFilters.emplace_back("crop=trunc(iw/2)*2:trunc(ih/2)*2");
    }
    if (pads.sum() > 0 && !disc) {
        m_videoFilters.push_back("pad=iw+" + std::to_string(pads.left + pads.right) + ":ih+" +
                                 std::to_string(pads.top + pads.bottom) + ":" + std::to_string(pads.left) +
                                 ":" + std::to_string(pads.top) + ":color=" + color);
    }
}

void Translator::planAudioFilters() {
    // Fewer channels than the source: each output channel is the mean of those mixed into it, so a
    // sound alike in both channels keeps its level (FFmpeg's own mix of float samples adds them, 3 dB
    // louder). The resampler that mixes is the command's own when it has one, else FFmpeg's.
    m_downmix = m_audioOut && !audioCopy() && m_channels && probed().known && probed().channels > *m_channels;
    if (const auto* async = last("async")) {
        const auto samples = parseNumber(async->value);
        if (!samples || *samples < 0.0) {
            dropNote(*async, "not a sample count");
        } else if (*samples > 0.0 && m_result.videoOut) {
            // Audio keeps its length and its place against the pictures: gaps in its timestamps are
            // filled with silence and overlaps trimmed, from the pictures' start, but it is never
            // stretched.
            m_audioFilters.emplace_back(m_downmix ? "aresample=async=1:first_pts=0:rematrix_maxval=1"
                                                  : "aresample=async=1:first_pts=0");
        } else if (*samples > 0.0) {
            // A file of audio alone keeps exactly the samples it decodes to, one after the other: their
            // times are counted from the samples, so a source whose timestamps leave a gap or jump back
            // gives a file whose times run on evenly (no muxer sees them go back).
            m_audioFilters.emplace_back("asetpts=N/SR/TB");
        }
    }
    if (const auto* volume = last("vol")) {
        const auto level = parseNumber(volume->value);
        if (!level || *level < 0.0) {
            dropNote(*volume, "not a volume (256 is unchanged)");
        } else if (*level != 256.0) {
            m_audioFilters.push_back("volume=" + formatInteger(*level) + "/256");
        }
    }
}

void Translator::padShortAdts() {
    if (m_muxer != "adts" || !m_audioOut || codecOfEncoder(m_audioEncoder) != "aac" || !probed().known ||
        probed().duration <= 0.0) {
        return;
    }
    // An ADTS file is recognised by the run of frames it starts with: FFmpeg's reader wants three in a
    // row, and players read such files the same way. A shorter sound is followed by silence up to
    // three frames of 1024 samples, so the file opens.
    const double rate = m_sampleRate ? *m_sampleRate : probed().sampleRate;
    if (rate <= 0.0 || probed().duration >= 3 * 1024 / rate) {
        return;
    }
    char least[32];
    std::snprintf(least, sizeof least, "%.4f", 3 * 1024 / rate + 0.0001);
    m_audioFilters.push_back(std::string("apad=whole_dur=") + least);
    note(std::string("the sound is shorter than the three AAC frames a player needs to recognise an ADTS "
                     "file; silence follows it up to ") +
         least + " s");
}

void Translator::emitFilters() {
    if (!m_videoFilters.empty()) {
        if (!m_result.videoOut) {
            // No video leaves: nothing to filter.
        } else if (videoCopy()) {
            note("video is copied, so its frames cannot be changed: " + joinTokens(m_videoFilters) +
                 " not applied");
        } else {
            std::string chain;
            for (const auto& filter : m_videoFilters) {
                chain += (chain.empty() ? "" : ",") + filter;
            }
            out({"-vf", chain});
        }
    }
    if (!m_audioFilters.empty() && m_audioOut) {
        if (audioCopy()) {
            if (const auto* volume = last("vol"); volume != nullptr && volume->value != "256") {
                dropNote(*volume, "audio is copied, so its volume cannot change");
            }
        } else {
            std::string chain;
            for (const auto& filter : m_audioFilters) {
                chain += (chain.empty() ? "" : ",") + filter;
            }
            out({"-af", chain});
        }
    }
}

} // namespace morvane::converter::translation
