#include "app/desktop_actions.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

#include "app/batch_view.h"

namespace morvane::app {

bool SystemDesktopOpener::openUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

bool openOutputFolder(const std::string& folderText, DesktopOpener& opener) {
    if (folderText.empty()) {
        return false;
    }
    const QFileInfo folder(QString::fromStdString(folderText));
    return opener.openUrl(QUrl::fromLocalFile(folder.absoluteFilePath()));
}

std::string helpFilePath(const std::string& programDirectory) {
    return programDirectory + "help/index.html";
}

bool openHelp(const std::string& programDirectory, DesktopOpener& opener, UserPrompts& prompts) {
    const std::string path = helpFilePath(programDirectory);
    const QFileInfo file(QString::fromStdString(path));
    if (!file.isFile()) {
        prompts.ask(Message{platform::translate("DesktopActions", "The help file is missing:\n") + path,
                            "Error", MessageIcon::Stop, MessageButtons::Ok});
        return false;
    }
    if (!opener.openUrl(QUrl::fromLocalFile(file.absoluteFilePath()))) {
        prompts.ask(Message{
            platform::translate("DesktopActions", "No web browser could open the help file:\n") + path,
            "Error", MessageIcon::Stop, MessageButtons::Ok});
        return false;
    }
    return true;
}

} // namespace morvane::app
