#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>

#include "engine/conversion_job.h"
#include "engine/media_encoder.h"

namespace morvane::engine {

// Makes the encoder of a kind; nothing for a kind it cannot make.
using EncoderFactory = std::function<std::unique_ptr<CMediaEncoder>(EncoderKind)>;

// Kind Converter gives a CFfmpegEncoder; the RealMedia encoder lives above the engine, so the
// program registers a factory that adds it.
std::unique_ptr<CMediaEncoder> createStandardEncoder(EncoderKind kind);

// The one object the windows talk to for probing and converting. It holds the current encoder and
// the one set aside by SwitchEncoder. No exception leaves it: every operation answers 1 for
// success, 0 for failure.
//
// The worker thread converts through it while the window thread may stop the conversion or probe a
// file: an encoder stays alive for as long as an operation is using it, even when another thread
// replaces it meanwhile.
class CQuillonMediaCntl {
public:
    CQuillonMediaCntl();
    explicit CQuillonMediaCntl(EncoderFactory factory);
    ~CQuillonMediaCntl();
    CQuillonMediaCntl(const CQuillonMediaCntl&) = delete;
    CQuillonMediaCntl& operator=(const CQuillonMediaCntl&) = delete;

    // Creates the converter encoder; the record's kind must be Converter.
    std::int32_t Init(const EncoderInitRecord* record);
    // Shuts the current encoder down and deletes it; always 1.
    std::int32_t Release();
    std::int32_t bGetMediaFileContent(const char* path, ConversionJob* job);
    // Prepares and runs the job's conversion on the calling thread; completes job->outputPath.
    std::int32_t bDoConvert(ConversionJob* job);
    // The two halves of bDoConvert, for a caller that settles the outputs of several conversions in
    // order and then runs them side by side: preparing completes job->outputPath; running converts
    // what the current encoder prepared last, on the calling thread.
    std::int32_t bPrepareConvert(ConversionJob* job);
    std::int32_t bRunPrepared(const ConversionJob* job);
    std::int32_t StopConversion();
    // How the current encoder's last conversion ended (after bDoConvert or bRunPrepared, on the same
    // thread); an empty report without an encoder.
    ConversionReport LastReport() const;
    std::int32_t SetForceFrameServer(std::int32_t flag);
    // Sets the current encoder aside and makes one of the record's kind current.
    std::int32_t SwitchEncoder(const EncoderInitRecord* record);
    // Deletes the current encoder and brings back the one set aside; 0 when none was.
    std::int32_t RestoreEncoder();

    // Makes encoders as this facade does, for another facade of its own.
    const EncoderFactory& encoderFactory() const { return m_factory; }

    bool hasEncoder() const;
    bool hasSavedEncoder() const;
    EncoderKind currentKind() const;

private:
    std::pair<std::shared_ptr<CMediaEncoder>, EncoderKind> current() const;
    std::shared_ptr<CMediaEncoder> create(EncoderKind kind) const;

    EncoderFactory m_factory;
    mutable std::mutex m_mutex;
    std::shared_ptr<CMediaEncoder> m_current;
    std::shared_ptr<CMediaEncoder> m_saved;
    EncoderKind m_kind = EncoderKind::Converter;
    EncoderKind m_savedKind = EncoderKind::Converter;
};

} // namespace morvane::engine
