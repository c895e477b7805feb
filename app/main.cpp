#include <QApplication>

#include <clocale>

#include "app/main_window.h"
#include "app/skin.h"
#include "platform/program_dir.h"
#include "resources/resources.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // The preview player needs the C numeric locale.
    std::setlocale(LC_NUMERIC, "C");
    morvane::resources::initialise();

    const std::string programDirectory = morvane::platform::programDirectory();
    morvane::app::applySkin(application, programDirectory + "x-plus.smf");

    {
        morvane::app::MainWindow window(programDirectory);
        window.exec();
        // Leaving this scope destroys the window, which releases the engine.
    }
    morvane::app::shutdownSkin(application);
    return 0;
}
