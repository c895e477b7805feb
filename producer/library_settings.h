#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/expected.h"
#include "realmedia/producer_bindings.h"

namespace morvane::producer {

using realmedia::Status;

// How the library encodes, from codecs/codecs.conf.
struct CodecSettings {
    std::string videoEncoder = "rv20";
    std::string audioEncoder = "ac3";
    std::vector<int> sampleRates{32000, 44100, 48000}; // ascending
    int sizeMultiple = 4;                              // frame sizes are rounded to this
    int maxPixels = 1280 * 720;                        // larger frames are scaled down
    int maxFrameKbits = 480;                           // one frame must fit one 64 kB packet
    int minAudioKbps = 32;
    int maxAudioChannels = 6;
};

// Everything the library learns from the access-path list and the files in those folders.
struct LibrarySettings {
    std::map<std::string, std::string, std::less<>> accessPaths; // "DT_Plugins" -> folder
    std::string ffmpegProgram = "ffmpeg";
    double progressPeriod = 0.25; // seconds between progress reports of the encoder
    CodecSettings codecs;
    std::map<std::string, std::string, std::less<>> plugins; // plug-in name -> plug-in type

    // The folder of an access-path entry, empty when the list has none.
    std::string folder(std::string_view name) const;
    // The type of a known plug-in, empty for an unknown one.
    std::string pluginType(std::string_view name) const;
};

// Reads the access-path list ("name=path" texts, each ended by a zero byte, the list by another;
// at most kAccessPathListBytes are looked at) and the settings files it leads to.
platform::Expected<LibrarySettings> loadLibrarySettings(const char* accessPathList);

// The settings the library runs with; null until SetDLLAccessPath has succeeded.
std::shared_ptr<const LibrarySettings> currentSettings();
void installSettings(std::shared_ptr<const LibrarySettings> settings);

// folder + "/" + name, without doubling the separator.
std::string joinPath(std::string_view folder, std::string_view name);

} // namespace morvane::producer
