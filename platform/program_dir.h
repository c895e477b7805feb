#pragma once

#include <string>

namespace morvane::platform {

// The folder of the running executable, ending with "/" (never the current directory).
const std::string& programDirectory();

// Replaces the program directory for this process (tests and tools that act for another one).
void setProgramDirectory(std::string directory);

// The folder the program's plugins (its own shared objects) are loaded from, ending with "/": the
// running executable's folder unless set. Apart from the program directory, so a process acting for
// another program directory still loads the plugins that match its own build.
std::string pluginDirectory();
void setPluginDirectory(std::string directory);

} // namespace morvane::platform
