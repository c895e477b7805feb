// A window session for the list-survival test, run as a process of its own so the test can kill it:
// opens the window in PROGRAM_DIR, adds the clips, cuts the first row, gives the second row a title of
// its own in the parameter panel, starts converting one file at a time and runs until it is killed.
//
// Usage: morvane_list_session_child PROGRAM_DIR OUTPUT_DIR CLIP...
#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <clocale>
#include <cstdio>

#include "app/desktop_notifier.h"
#include "app/main_window.h"
#include "app/main_window_layout.h"
#include "platform/program_dir.h"
#include "resources/resources.h"
#include "tests/support/test_support.h"
#include "widgets/cell_list_ctrl.h"
#include "widgets/option_tree.h"
#include "widgets/option_tree_items.h"

namespace {

namespace app = morvane::app;

class AnswerYes final : public app::UserPrompts {
public:
    app::MessageAnswer ask(const app::Message& message) override {
        std::fprintf(stderr, "message: %s\n", message.text.c_str());
        return message.buttons == app::MessageButtons::YesNo ? app::MessageAnswer::Yes
                                                             : app::MessageAnswer::Ok;
    }
};

class NoNotices final : public app::DesktopNotifier {
public:
    void notify(const app::BatchNotice&) override {}
};

morvane::widgets::OptionTreeEdit* titleItem(app::MainWindow& window) {
    morvane::widgets::OptionTreeEdit* found = nullptr;
    window.findChild<morvane::widgets::OptionTree*>()->enumerate(
        nullptr, [&](morvane::widgets::OptionTreeItem& item) {
            if (found == nullptr && item.label() == QStringLiteral("Title")) {
                found = dynamic_cast<morvane::widgets::OptionTreeEdit*>(&item);
            }
            return true;
        });
    return found;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s PROGRAM_DIR OUTPUT_DIR CLIP...\n", argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    morvane::resources::initialise();
    const std::string programDirectory = std::string(argv[1]) + "/";
    morvane::platform::setProgramDirectory(programDirectory);

    AnswerYes prompts;
    NoNotices notices;
    morvane::test::RecordingPowerControl power;
    app::WindowServices services;
    services.prompts = &prompts;
    services.power = &power;
    services.notifier = &notices;
    app::MainWindow window(programDirectory, services);
    window.setProcessCount(1);
    window.findChild<QLineEdit*>(QStringLiteral("outputEdit"))->setText(QString::fromUtf8(argv[2]));
    const std::vector<std::string> clips(argv + 3, argv + argc);
    window.addStartFiles(clips);
    if (!QTest::qWaitFor(
            [&] {
                return window.filesBeingProbed() == 0 &&
                       window.files().rowCount() == static_cast<int>(clips.size());
            },
            30000)) {
        std::fprintf(stderr, "the clips were not added\n");
        return 1;
    }
    window.list().setItemText(0, app::kColumnStart, QStringLiteral("00:00:01"));
    window.list().setItemText(0, app::kColumnEnd, QStringLiteral("00:00:02"));
    window.list().selectRow(1);
    auto* title = titleItem(window);
    if (title == nullptr) {
        std::fprintf(stderr, "the panel has no Title\n");
        return 1;
    }
    title->setText(QStringLiteral("Second of five"));
    window.list().selectRow(0); // leaving row 1 stores its edits
    window.list().clearSelection();
    window.runCommand(app::kIdStart);
    std::fprintf(stdout, "started\n");
    std::fflush(stdout);
    return application.exec();
}
