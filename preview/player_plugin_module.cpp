// libmorvane-player.so: the playback core's functions behind the plugin boundary of player_plugin.h.
#include "preview/player_core.h"
#include "preview/player_plugin.h"

namespace {

constexpr MorvanePlayerCore kCore{
    &mpv_create,
    &mpv_set_option_string,
    &mpv_initialize,
    &mpv_terminate_destroy,
    &mpv_observe_property,
    &mpv_set_wakeup_callback,
    &mpv_wait_event,
    &mpv_command_async,
    &mpv_command_node_async,
    &mpv_set_property_async,
    &mpv_render_context_create,
    &mpv_render_context_set_update_callback,
    &mpv_render_context_update,
    &mpv_render_context_render,
    &mpv_render_context_free,
};

} // namespace

extern "C" __attribute__((visibility("default"))) const void* morvane_player_plugin(int version) {
    return version == morvane::preview::kPlayerPluginVersion ? &kCore : nullptr;
}
