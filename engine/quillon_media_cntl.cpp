#include "engine/quillon_media_cntl.h"

#include "engine/engine_log.h"
#include "engine/ffmpeg_encoder.h"

namespace morvane::engine {

namespace {
bool isKnownKind(EncoderKind kind) {
    return kind == EncoderKind::Converter || kind == EncoderKind::RealMedia;
}
} // namespace

std::unique_ptr<CMediaEncoder> createStandardEncoder(EncoderKind kind) {
    if (kind == EncoderKind::Converter) {
        return std::make_unique<CFfmpegEncoder>();
    }
    return nullptr;
}

CQuillonMediaCntl::CQuillonMediaCntl() : m_factory(createStandardEncoder) {}

CQuillonMediaCntl::CQuillonMediaCntl(EncoderFactory factory)
    : m_factory(factory ? std::move(factory) : EncoderFactory(createStandardEncoder)) {}

CQuillonMediaCntl::~CQuillonMediaCntl() = default;

std::pair<std::shared_ptr<CMediaEncoder>, EncoderKind> CQuillonMediaCntl::current() const {
    const std::lock_guard lock(m_mutex);
    return {m_current, m_kind};
}

std::shared_ptr<CMediaEncoder> CQuillonMediaCntl::create(EncoderKind kind) const {
    return std::shared_ptr<CMediaEncoder>(m_factory(kind));
}

bool CQuillonMediaCntl::hasEncoder() const {
    return current().first != nullptr;
}

bool CQuillonMediaCntl::hasSavedEncoder() const {
    const std::lock_guard lock(m_mutex);
    return m_saved != nullptr;
}

EncoderKind CQuillonMediaCntl::currentKind() const {
    return current().second;
}

std::int32_t CQuillonMediaCntl::Init(const EncoderInitRecord* record) {
    try {
        if (record == nullptr || record->kind != EncoderKind::Converter) {
            return 0;
        }
        auto encoder = create(EncoderKind::Converter);
        if (!encoder) {
            return 0;
        }
        std::shared_ptr<CMediaEncoder> previous;
        {
            const std::lock_guard lock(m_mutex);
            previous = std::exchange(m_current, encoder);
            m_kind = EncoderKind::Converter;
        }
        return encoder->Initialize(record);
    } catch (...) {
        return 0;
    }
}

std::int32_t CQuillonMediaCntl::Release() {
    try {
        std::shared_ptr<CMediaEncoder> encoder;
        {
            const std::lock_guard lock(m_mutex);
            encoder = std::move(m_current);
            m_current.reset();
        }
        if (encoder) {
            encoder->Shutdown();
        }
    } catch (...) {
    }
    return 1;
}

std::int32_t CQuillonMediaCntl::bGetMediaFileContent(const char* path, ConversionJob* job) {
    try {
        if (path == nullptr || path[0] == '\0' || job == nullptr) {
            return 0;
        }
        const auto encoder = current().first;
        if (!encoder) {
            return 0;
        }
        return encoder->bGetMediaFileContent(path, job);
    } catch (...) {
        return 0;
    }
}

std::int32_t CQuillonMediaCntl::bDoConvert(ConversionJob* job) {
    try {
        if (job == nullptr) {
            logModuleError(kFacadeModule, kLineNullJob, "pointer is NULL ");
            return 0;
        }
        const auto [encoder, kind] = current();
        if (!isKnownKind(kind)) {
            return 0;
        }
        if (!encoder) {
            logModuleError(kFacadeModule, kLineNullJob, "pointer is NULL ");
            return 0;
        }
        // A job that cannot be prepared has failed, whatever an older file of the same name says.
        if (encoder->PrepareCommand(job) != 1) {
            return 0;
        }
        return encoder->RunConversion(job->outputPath.c_str(), job->targetCode);
    } catch (...) {
        logModuleError(kFacadeModule, kLineConvertException, "bDoConvert raise exception");
        return 0;
    }
}

std::int32_t CQuillonMediaCntl::bPrepareConvert(ConversionJob* job) {
    try {
        const auto [encoder, kind] = current();
        if (job == nullptr || encoder == nullptr) {
            logModuleError(kFacadeModule, kLineNullJob, "pointer is NULL ");
            return 0;
        }
        return isKnownKind(kind) && encoder->PrepareCommand(job) == 1 ? 1 : 0;
    } catch (...) {
        logModuleError(kFacadeModule, kLineConvertException, "bDoConvert raise exception");
        return 0;
    }
}

std::int32_t CQuillonMediaCntl::bRunPrepared(const ConversionJob* job) {
    try {
        const auto [encoder, kind] = current();
        if (job == nullptr || encoder == nullptr || !isKnownKind(kind)) {
            return 0;
        }
        return encoder->RunConversion(job->outputPath.c_str(), job->targetCode);
    } catch (...) {
        logModuleError(kFacadeModule, kLineConvertException, "bDoConvert raise exception");
        return 0;
    }
}

std::int32_t CQuillonMediaCntl::StopConversion() {
    try {
        const auto encoder = current().first;
        return encoder ? encoder->RequestStop() : 0;
    } catch (...) {
        return 0;
    }
}

ConversionReport CQuillonMediaCntl::LastReport() const {
    try {
        const auto encoder = current().first;
        return encoder ? encoder->LastReport() : ConversionReport{};
    } catch (...) {
        return {};
    }
}

std::int32_t CQuillonMediaCntl::SetForceFrameServer(std::int32_t flag) {
    try {
        const auto encoder = current().first;
        if (!encoder) {
            return 0;
        }
        encoder->SetForceFrameServer(flag);
        return 1;
    } catch (...) {
        return 0;
    }
}

std::int32_t CQuillonMediaCntl::SwitchEncoder(const EncoderInitRecord* record) {
    try {
        if (record == nullptr || !hasEncoder() || !isKnownKind(record->kind)) {
            return 0;
        }
        auto encoder = create(record->kind);
        if (!encoder) {
            return 0;
        }
        std::shared_ptr<CMediaEncoder> dropped;
        {
            const std::lock_guard lock(m_mutex);
            if (!m_current) {
                return 0;
            }
            dropped = std::exchange(m_saved, std::move(m_current));
            m_savedKind = m_kind;
            m_current = encoder;
            m_kind = record->kind;
        }
        return encoder->Initialize(record);
    } catch (...) {
        return 0;
    }
}

std::int32_t CQuillonMediaCntl::RestoreEncoder() {
    try {
        std::shared_ptr<CMediaEncoder> dropped;
        const std::lock_guard lock(m_mutex);
        dropped = std::move(m_current);
        m_current.reset();
        if (!m_saved) {
            return 0;
        }
        m_current = std::move(m_saved);
        m_saved.reset();
        m_kind = m_savedKind;
        return 1;
    } catch (...) {
        return 0;
    }
}

} // namespace morvane::engine
