#pragma once

#include <string>

class QApplication;

namespace morvane::app {

// The skin of the program: a Qt style sheet read from the skin file when it is present.
// Returns true when a style sheet was applied.
bool applySkin(QApplication& application, const std::string& skinFile);
void shutdownSkin(QApplication& application);

} // namespace morvane::app
