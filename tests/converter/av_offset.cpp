#include "tests/converter/av_offset.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "tests/support/test_support.h"

namespace morvane::test {

namespace {

// What a lavfi graph over the file reports for each frame: its time and one tag's value. The file is
// reached through a plain link name, so no name needs escaping inside the graph.
TimedValues frameTags(const std::string& path, const std::string& reader, const std::string& filters,
                      const std::string& tag, bool decibels) {
    TempDir place;
    const std::string extension = path.rfind('.') != std::string::npos ? path.substr(path.rfind('.')) : "";
    const std::string link = place.file("media" + extension);
    TimedValues found;
    std::error_code error;
    const std::string target = std::filesystem::absolute(path, error).string();
    if (error || ::symlink(target.c_str(), link.c_str()) != 0) {
        return found;
    }
    std::string text;
    runProgram({"ffprobe", "-v", "error", "-f", "lavfi", reader + "=" + link + "," + filters, "-show_entries",
                "frame=pts_time:frame_tags=" + tag, "-of", "csv=p=0"},
               &text);
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        const auto comma = line.find(',');
        if (comma == std::string::npos || comma == 0) {
            continue;
        }
        char* end = nullptr;
        const double time = std::strtod(line.c_str(), &end);
        if (end != line.c_str() + comma) {
            continue;
        }
        const std::string valueText = line.substr(comma + 1);
        double value = std::strtod(valueText.c_str(), nullptr);
        if (decibels) {
            value = valueText.find("inf") != std::string::npos ? 0.0 : std::pow(10.0, value / 20.0);
        }
        found.times.push_back(time);
        found.values.push_back(value);
    }
    return found;
}

TimedValues loudness(const std::string& path) {
    // One mono loudness figure every 4 ms.
    return frameTags(
        path, "amovie",
        "aresample=8000,aformat=channel_layouts=mono,asetnsamples=n=32:p=0,astats=metadata=1:reset=1",
        "lavfi.astats.Overall.RMS_level", true);
}

TimedValues brightness(const std::string& path) {
    return frameTags(path, "movie", "signalstats", "lavfi.signalstats.YAVG", false);
}

// The value shown at `time`: the last one that started at or before it.
std::optional<std::size_t> indexAt(const TimedValues& signal, double time) {
    const auto it = std::upper_bound(signal.times.begin(), signal.times.end(), time);
    if (it == signal.times.begin()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(it - signal.times.begin() - 1);
}

// Pearson's correlation of paired values; 0 when either side does not vary.
double correlation(const std::vector<double>& a, const std::vector<double>& b) {
    const double n = static_cast<double>(a.size());
    if (a.size() < 2) {
        return 0.0;
    }
    double sumA = 0, sumB = 0, sumAA = 0, sumBB = 0, sumAB = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        sumA += a[i];
        sumB += b[i];
        sumAA += a[i] * a[i];
        sumBB += b[i] * b[i];
        sumAB += a[i] * b[i];
    }
    const double varA = sumAA - sumA * sumA / n;
    const double varB = sumBB - sumB * sumB / n;
    if (varA <= 1e-12 || varB <= 1e-12) {
        return 0.0;
    }
    return (sumAB - sumA * sumB / n) / std::sqrt(varA * varB);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

constexpr double kWeakestMatch = 0.7;

} // namespace

bool makeSyncClip(const std::string& path, const std::vector<std::string>& encoding, double seconds,
                  int frameRate, const std::string& size) {
    const std::string length = std::to_string(seconds);
    // Quadratic residues modulo a prime: no period shorter than the prime.
    const std::string pictures = "color=black:size=" + size + ":rate=" + std::to_string(frameRate) +
                                 ":duration=" + length +
                                 ",format=yuv420p,geq=lum='28+mod(N*N*37+N*11\\,199)':cb=128:cr=128";
    const std::string sound =
        "aevalsrc='0.5*sin(2*PI*800*t)*gt(mod(floor(t*20)*floor(t*20)*31+floor(t*20)*17\\,101)\\,50)'"
        ":s=44100:d=" +
        length;
    std::vector<std::string> argv{"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y", "-f",
                                  "lavfi",  "-i",       pictures,       "-f",        "lavfi", "-i", sound};
    argv.insert(argv.end(), encoding.begin(), encoding.end());
    argv.push_back(path);
    return runProgram(argv) == 0;
}

std::optional<double> soundLag(const TimedValues& source, const TimedValues& converted, double step,
                               double range) {
    if (source.times.empty() || converted.times.empty()) {
        return std::nullopt;
    }
    const int steps = static_cast<int>(std::lround(range / step));
    std::vector<double> scores;
    for (int shift = -steps; shift <= steps; ++shift) {
        const double lag = shift * step;
        std::vector<double> a;
        std::vector<double> b;
        for (double t = source.times.front(); t <= source.times.back(); t += step) {
            const auto there = indexAt(converted, t + lag);
            if (!there || t + lag > converted.times.back()) {
                continue;
            }
            a.push_back(source.values[*indexAt(source, t)]);
            b.push_back(converted.values[*there]);
        }
        scores.push_back(a.size() >= 50 ? correlation(a, b) : 0.0);
    }
    const auto best = std::max_element(scores.begin(), scores.end());
    if (*best < kWeakestMatch) {
        return std::nullopt;
    }
    const auto at = static_cast<std::size_t>(best - scores.begin());
    double lag = (static_cast<double>(at) - steps) * step;
    // Between the steps: the top of the parabola through the best score and its neighbours.
    if (at > 0 && at + 1 < scores.size()) {
        const double left = scores[at - 1];
        const double right = scores[at + 1];
        const double bend = left - 2 * *best + right;
        if (bend < 0) {
            lag += step * 0.5 * (left - right) / bend;
        }
    }
    return lag;
}

std::optional<double> pictureLag(const TimedValues& source, const TimedValues& converted, double range) {
    if (source.times.size() < 2 || converted.times.size() < 10) {
        return std::nullopt;
    }
    const double sourceEnd =
        source.times.back() + (source.times.back() - source.times[source.times.size() - 2]);
    // The source frames the converted ones show if they came `lag` late.
    const auto shown = [&](double lag) {
        std::vector<std::pair<std::size_t, std::size_t>> pairs;
        for (std::size_t i = 0; i < converted.times.size(); ++i) {
            const double t = converted.times[i] - lag;
            if (t < sourceEnd) {
                if (const auto j = indexAt(source, t)) {
                    pairs.emplace_back(i, *j);
                }
            }
        }
        return pairs;
    };
    const auto score = [&](double lag) {
        std::vector<double> a;
        std::vector<double> b;
        for (const auto& [i, j] : shown(lag)) {
            a.push_back(converted.values[i]);
            b.push_back(source.values[j]);
        }
        return a.size() >= 10 ? correlation(a, b) : 0.0;
    };
    constexpr double kStep = 0.001;
    const int steps = static_cast<int>(std::lround(range / kStep));
    std::vector<double> scores;
    for (int shift = -steps; shift <= steps; ++shift) {
        scores.push_back(score(shift * kStep));
    }
    const auto best = std::max_element(scores.begin(), scores.end());
    if (*best < kWeakestMatch) {
        return std::nullopt;
    }
    // Every lag within a frame matches the same frames: take the middle of the best run.
    auto first = best;
    auto last = best;
    while (first != scores.begin() && *(first - 1) >= *best - 1e-9) {
        --first;
    }
    while (last + 1 != scores.end() && *(last + 1) >= *best - 1e-9) {
        ++last;
    }
    const double lag =
        (static_cast<double>((first - scores.begin()) + (last - scores.begin())) / 2 - steps) * kStep;
    std::vector<double> differences;
    for (const auto& [i, j] : shown(lag)) {
        differences.push_back(converted.times[i] - source.times[j]);
    }
    return median(differences);
}

AvLags measureLags(const std::string& source, const std::string& converted) {
    // Players count from a file's start time (an MPEG stream starts at 0.5 s or so), sound and pictures
    // alike.
    const auto fromStart = [](TimedValues signal, const std::string& path) {
        std::string text;
        runProgram({"ffprobe", "-v", "error", "-show_entries", "format=start_time", "-of", "csv=p=0", path},
                   &text);
        const double start = std::strtod(text.c_str(), nullptr);
        for (auto& time : signal.times) {
            time -= std::isfinite(start) ? start : 0.0;
        }
        return signal;
    };
    AvLags lags;
    lags.audio = soundLag(fromStart(loudness(source), source), fromStart(loudness(converted), converted));
    lags.video =
        pictureLag(fromStart(brightness(source), source), fromStart(brightness(converted), converted));
    return lags;
}

} // namespace morvane::test
