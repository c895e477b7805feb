#pragma once

// The playback core as a plugin: "libmorvane-player.so" in the plugin directory is linked with
// libmpv and hands over the core's functions the player uses (player_core.h), so libmpv and the
// libraries behind it are loaded when a preview is first shown, not when the program starts.

#include <string>

extern "C" {
struct MorvanePlayerCore; // player_core.h
}

namespace morvane::preview {

inline constexpr const char* kPlayerPluginFile = "libmorvane-player.so";
inline constexpr const char* kPlayerPluginEntry = "morvane_player_plugin";
inline constexpr int kPlayerPluginVersion = 1;

// The playback core, loaded on first use; null when the plugin cannot be loaded.
const MorvanePlayerCore* playerCore();

// Why the player plugin cannot be used; empty while it works or has not been needed yet.
std::string playerPluginProblem();

// What a user is told when the preview cannot be shown because the player cannot be loaded.
std::string playerPluginProblemText(const std::string& problem);

} // namespace morvane::preview
