// The program's side of the player plugin.
#include "platform/plugin.h"
#include "platform/translation.h"
#include "preview/player_plugin.h"

namespace morvane::preview {

namespace {

platform::Plugin& playerPlugin() {
    // Never destroyed: graphs are still taken down on the reaper's thread while the process ends.
    static auto* plugin = new platform::Plugin(kPlayerPluginFile, kPlayerPluginEntry, kPlayerPluginVersion);
    return *plugin;
}

} // namespace

const MorvanePlayerCore* playerCore() {
    return playerPlugin().tableAs<MorvanePlayerCore>();
}

std::string playerPluginProblem() {
    return playerPlugin().problem();
}

std::string playerPluginProblemText(const std::string& problem) {
    return platform::withArguments(
        platform::translate("PlayerPlugin", "The preview is unavailable: the player %1."), {problem});
}

} // namespace morvane::preview
