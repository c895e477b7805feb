#include "app/video_splitter_command.h"

#include "app/batch_view.h"
#include "app/window_services.h"
#include "preview/player_plugin.h"
#include "preview/video_splitter_dialog.h"

namespace morvane::app {

Splitter videoSplitter(UserPrompts* prompts) {
    return [prompts](QWidget& owner, const SplitRequest& request) -> std::optional<CutRange> {
        preview::VideoSplitterDialog::ErrorPrompt errorPrompt;
        if (prompts != nullptr) {
            errorPrompt = [prompts](const std::string& text, const std::string& caption) {
                prompts->ask({text, caption, MessageIcon::Stop, MessageButtons::Ok});
            };
        }
        // Without the player the cut can still be typed in; the user learns why there is no picture.
        if (preview::playerCore() == nullptr) {
            const std::string text = preview::playerPluginProblemText(preview::playerPluginProblem());
            MessageBoxPrompts boxes(&owner);
            (prompts != nullptr ? *prompts : boxes)
                .ask({text, "Video Splitter", MessageIcon::Warning, MessageButtons::Ok});
        }
        const auto chosen = preview::runVideoSplitter(
            &owner, request.sourcePath,
            {request.minimum, request.start, request.end, request.maximum, request.length}, errorPrompt);
        if (!chosen) {
            return std::nullopt;
        }
        return CutRange{chosen->start, chosen->end};
    };
}

} // namespace morvane::app
