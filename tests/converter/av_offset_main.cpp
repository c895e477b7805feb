// av-offset SOURCE CONVERTED: how late the converted file's sound and pictures come against the source's.
#include <cstdio>

#include "tests/converter/av_offset.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: av-offset SOURCE CONVERTED\n");
        return 2;
    }
    const auto lags = morvane::test::measureLags(argv[1], argv[2]);
    const auto show = [](const char* what, const std::optional<double>& seconds) {
        if (seconds) {
            std::printf("%s %+.1f ms\n", what, *seconds * 1000.0);
        } else {
            std::printf("%s not found\n", what);
        }
    };
    show("sound   ", lags.audio);
    show("pictures", lags.video);
    show("offset  ", lags.offset());
    return lags.offset() ? 0 : 1;
}
