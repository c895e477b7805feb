#pragma once

#include "app/main_window.h"

namespace morvane::app {

class UserPrompts;

// The main window's Split command over the Video Splitter dialog: runs it modally for the request
// and gives the chosen range on OK. "Error time!" goes through `prompts` when given, otherwise to a
// message box of the dialog.
Splitter videoSplitter(UserPrompts* prompts = nullptr);

} // namespace morvane::app
