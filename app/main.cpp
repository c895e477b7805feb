#include <QApplication>

#include <clocale>
#include <csignal>

#include "app/main_window.h"
#include "app/skin.h"
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
    morvane::app::applySkin(application, programDirectory + "x-plus.smf");

    {
        morvane::app::MainWindow window(programDirectory);
        window.setSplitter(morvane::app::videoSplitter());
        window.exec();
        // Leaving this scope destroys the window, which releases the engine.
    }
    morvane::app::shutdownSkin(application);
    morvane::engine::closeTraceFile();
    return 0;
}
