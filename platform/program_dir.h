#pragma once

#include <string>

namespace morvane::platform {

// The folder of the running executable, ending with "/" (never the current directory).
const std::string& programDirectory();

// Replaces the program directory for this process (tests and tools that act for another one).
void setProgramDirectory(std::string directory);

} // namespace morvane::platform
