// The preview pane alone in a window, and the Video Splitter, for looking at them by eye (and for
// screenshots):
//     morvane_preview_demo FILE [SECONDS]
// plays FILE in a 256x176 pane with the pane's slider and buttons; with SECONDS it pauses there.
//     morvane_preview_demo --splitter FILE START END
// opens the splitter on FILE as the main window does for a row with those Start and End cells, and
// prints the chosen range on OK.
#include <QApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

#include <clocale>
#include <cstdio>
#include <string>

#include "media/media_detector.h"
#include "preview/preview_pane_controller.h"
#include "preview/video_host.h"
#include "preview/video_splitter_dialog.h"
#include "preview/video_splitter_logic.h"
#include "resources/resources.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    morvane::resources::initialise();
    if (argc >= 5 && std::string(argv[1]) == "--splitter") {
        namespace preview = morvane::preview;
        media::MediaFacts facts;
        media::detectMediaFacts(argv[2], facts);
        const auto chosen = preview::runVideoSplitter(
            nullptr, argv[2], preview::splitterValuesForRow(argv[3], argv[4], facts.duration));
        if (chosen) {
            std::printf("%s %s\n", preview::splitterTimeText(chosen->start).c_str(),
                        preview::splitterTimeText(chosen->end).c_str());
        }
        return chosen ? 0 : 1;
    }
    if (argc < 2) {
        return 2;
    }
    const std::string path = argv[1];

    QWidget window;
    window.setWindowTitle(QStringLiteral("Preview"));
    auto* layout = new QVBoxLayout(&window);
    auto* host = new morvane::preview::VideoHost(&window);
    host->setFixedSize(256, 176);
    auto* slider = new QSlider(Qt::Horizontal, &window);
    layout->addWidget(host);
    layout->addWidget(slider);
    auto* buttons = new QHBoxLayout;
    layout->addLayout(buttons);
    morvane::preview::PreviewPaneController pane(host, slider);
    const auto addButton = [&](const QString& text, auto&& action) {
        auto* button = new QPushButton(text, &window);
        QObject::connect(button, &QPushButton::clicked, &pane, action);
        buttons->addWidget(button);
    };
    addButton(QStringLiteral("<<"), [&] { pane.stepBack(); });
    addButton(QStringLiteral("Play"), [&] { pane.play(path); });
    addButton(QStringLiteral("Pause"), [&] { pane.pause(); });
    addButton(QStringLiteral("Stop"), [&] { pane.stop(); });
    addButton(QStringLiteral(">>"), [&] { pane.stepForward(); });
    window.show();
    pane.play(path);
    if (argc > 2) {
        const int milliseconds = static_cast<int>(std::stod(argv[2]) * 1000);
        QTimer::singleShot(milliseconds, &pane, [&] { pane.pause(); });
    }
    return QApplication::exec();
}
