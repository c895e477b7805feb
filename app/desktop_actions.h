#pragma once

// What the program hands to the desktop: the output folder to the file manager and the user guide
// to the web browser, both through one small interface that tests replace.

#include <string>

class QUrl;

namespace morvane::app {

class UserPrompts;

// Opens an address (a web page or a local file or folder) with the desktop's program for it.
class DesktopOpener {
public:
    virtual ~DesktopOpener() = default;
    // False when the desktop could not open it.
    virtual bool openUrl(const QUrl& url) = 0;
};

// The desktop's own opener (xdg-open behind it).
class SystemDesktopOpener final : public DesktopOpener {
public:
    bool openUrl(const QUrl& url) override;
};

// Shows the folder named by the Output box's text in the file manager. An empty text opens
// nothing; a relative one is taken from the current folder, as the batch takes it. The result is
// the opener's; a failure gives no message.
bool openOutputFolder(const std::string& folderText, DesktopOpener& opener);

// The user guide in a program directory (which ends with "/").
std::string helpFilePath(const std::string& programDirectory);

// Opens the user guide in the web browser. When the guide is missing or no browser opens it, the
// user is told so with an error message, and the result is false.
bool openHelp(const std::string& programDirectory, DesktopOpener& opener, UserPrompts& prompts);

} // namespace morvane::app
