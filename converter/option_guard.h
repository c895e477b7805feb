#pragma once

// What no command may make the converter do, whatever a profile put into it: read or write a file
// other than its input, its output (through its work file) and a pass log beside the output, open a
// device, or hand FFmpeg an argument it would take as a further output file.

#include <optional>
#include <string>
#include <string_view>

#include "converter/old_arguments.h"

namespace morvane::converter {

// Options that name files or devices, refused whatever their value: vstats, vstats_file, report,
// progress, sdp_file, attach, dump_attachment, the filter options (filter, filter_complex, lavfi,
// vf, af, filter_script, filter_complex_script: filters open files), the preset files (fpre, vpre,
// apre, spre, pre), the libraries' own settings strings (x264opts, any "...-params"), the hardware
// devices (hwaccel, hwaccel_device, init_hw_device, filter_hw_device, vaapi_device, qsv_device).
bool namesFileOrDevice(std::string_view optionName);

// Formats (-f) that read or write other files than the output, or devices.
bool formatReachesBeyondTheOutput(std::string_view format);

// Why the option is refused, or nothing when it may be given to FFmpeg. `passlogfile` may only
// name a file beside the output (no folder, no protocol); `pass` is 1 or 2.
std::optional<std::string> refusedOption(const OldOption& option);

} // namespace morvane::converter
