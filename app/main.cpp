#include <QApplication>
#include <QDir>

#include <clocale>
#include <csignal>
#include <cstdlib>

#include "app/file_adder.h"
#include "app/main_window.h"
#include "app/skin.h"
#include "app/startup_checks.h"
#include "app/translations.h"
#include "app/video_splitter_command.h"
#include "engine/trace_file.h"
#include "platform/program_dir.h"
#include "resources/resources.h"

int main(int argc, char** argv) {
    // Under a file size limit a write that reaches it fails instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication application(argc, argv);
    // The preview player needs the C numeric locale.
    std::setlocale(LC_NUMERIC, "C");
    morvane::resources::initialise();

    const std::string programDirectory = morvane::platform::programDirectory();
    // The window speaks the user's language where the program has a catalogue for it.
    morvane::app::installTranslations(programDirectory, &application,
                                      [](const char* name) { return std::getenv(name); });
    morvane::app::applySkin(application, programDirectory + "x-plus.smf");

    {
        morvane::app::MainWindow window(programDirectory);
        window.setSplitter(morvane::app::videoSplitter());
        // `morvane FILE...` (the desktop's "Open with") starts with those files added. Qt has taken
        // its own options out of the arguments by now.
        std::vector<std::string> arguments;
        for (const auto& argument : application.arguments().mid(1)) {
            arguments.push_back(argument.toStdString());
        }
        window.applyStartupReport(morvane::app::checkStartup(programDirectory, window.catalogue()));
        window.addStartFiles(morvane::app::commandLineFiles(arguments, QDir::currentPath().toStdString()));
        window.exec();
        // Leaving this scope destroys the window, which releases the engine.
    }
    morvane::app::shutdownSkin(application);
    morvane::engine::closeTraceFile();
    return 0;
}
