#pragma once

// The table of playback-core functions the player plugin hands over. Only libmpv's declarations are
// used here; nothing links against libmpv but the plugin.

#include <mpv/client.h>
#include <mpv/render.h>

extern "C" {

struct MorvanePlayerCore {
    decltype(&mpv_create) create;
    decltype(&mpv_set_option_string) setOptionString;
    decltype(&mpv_initialize) initialize;
    decltype(&mpv_terminate_destroy) terminateDestroy;
    decltype(&mpv_observe_property) observeProperty;
    decltype(&mpv_set_wakeup_callback) setWakeupCallback;
    decltype(&mpv_wait_event) waitEvent;
    decltype(&mpv_command_async) commandAsync;
    decltype(&mpv_command_node_async) commandNodeAsync;
    decltype(&mpv_set_property_async) setPropertyAsync;
    decltype(&mpv_render_context_create) renderContextCreate;
    decltype(&mpv_render_context_set_update_callback) renderContextSetUpdateCallback;
    decltype(&mpv_render_context_update) renderContextUpdate;
    decltype(&mpv_render_context_render) renderContextRender;
    decltype(&mpv_render_context_free) renderContextFree;
};
}
