#include "tests/preview/numbered_clip.h"

#include <QColor>
#include <QTest>

#include <filesystem>
#include <vector>

#include "tests/support/test_support.h"

namespace morvane::test {

namespace {
// Stripe 0 is always white, so a black picture is no frame; stripes 1 to 10 hold the bits.
constexpr int kStripes = 11;
constexpr const char* kFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
} // namespace

bool makeNumberedClip(const std::string& path, double seconds, int rate, int width, int height,
                      int keyInterval) {
    const std::string source = "color=c=black:s=" + std::to_string(width) + "x" + std::to_string(height) +
                               ":r=" + std::to_string(rate) + ":d=" + std::to_string(seconds);
    std::string filter = "geq=lum='if(lt(Y,H/2),if(mod(floor(2*N/pow(2,floor(X*" + std::to_string(kStripes) +
                         "/W)))+lt(X*" + std::to_string(kStripes) + ",W),2),235,16),16)':cb=128:cr=128";
    if (std::filesystem::exists(kFont)) {
        filter += std::string(",drawtext=fontfile=") + kFont +
                  ":text='%{frame_num}':fontsize=" + std::to_string(height / 5) +
                  ":fontcolor=white:x=(w-tw)/2:y=h*3/4-th/2";
    }
    const std::vector<std::string> argv{"ffmpeg",   "-nostdin", "-hide_banner", "-loglevel",
                                        "error",    "-y",       "-f",           "lavfi",
                                        "-i",       source,     "-vf",          filter,
                                        "-c:v",     "libx264",  "-preset",      "ultrafast",
                                        "-pix_fmt", "yuv420p",  "-g",           std::to_string(keyInterval),
                                        path};
    return runProgram(argv) == 0 && fileExists(path);
}

int frameNumberIn(const QImage& image) {
    if (image.isNull() || image.width() < kStripes || image.height() < 4) {
        return -1;
    }
    const int y = image.height() / 4;
    int number = 0;
    for (int stripe = 0; stripe < kStripes; ++stripe) {
        const int x = (2 * stripe + 1) * image.width() / (2 * kStripes);
        const int gray = qGray(image.pixel(x, y));
        if (gray > 60 && gray < 190) {
            return -1;
        }
        const bool white = gray >= 190;
        if (stripe == 0 && !white) {
            return -1;
        }
        if (stripe > 0 && white) {
            number |= 1 << (stripe - 1);
        }
    }
    return number;
}

int waitUntilStill(const std::function<int()>& frame) {
    for (int attempt = 0; attempt < 30; ++attempt) {
        const int before = frame();
        QTest::qWait(150);
        if (before >= 0 && frame() == before) {
            return before;
        }
    }
    return -1;
}

} // namespace morvane::test
