#include "app/encoder_factory.h"

#include "realmedia/realmedia_encoder.h"

namespace morvane::app {

engine::EncoderFactory programEncoderFactory() {
    return [](engine::EncoderKind kind) -> std::unique_ptr<engine::CMediaEncoder> {
        if (kind == engine::EncoderKind::RealMedia) {
            return std::make_unique<realmedia::CRealMediaEncoder>();
        }
        return engine::createStandardEncoder(kind);
    };
}

} // namespace morvane::app
