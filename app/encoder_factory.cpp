#include "app/encoder_factory.h"

namespace morvane::app {

engine::EncoderFactory programEncoderFactory() {
    return [](engine::EncoderKind kind) { return engine::createStandardEncoder(kind); };
}

} // namespace morvane::app
