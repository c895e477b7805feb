// A window with the preview pane alone, for looking at the player by eye (and for screenshots):
//     morvane_preview_demo FILE [SECONDS]
// plays FILE in a 256x176 pane with the pane's slider and buttons; with SECONDS it pauses there.
#include <QApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

#include <clocale>
#include <string>

#include "preview/preview_pane_controller.h"
#include "preview/video_host.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
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
