// Option tree: the parameter panel's look with a row being edited (notifications shown below it), a
// display-only tree with read-only rows and the placeholder description, and a disabled tree.
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "examples/widget_gallery/gallery_pages.h"
#include "widgets/option_tree.h"
#include "widgets/option_tree_items.h"

namespace morvane::gallery {
namespace {

using widgets::OptionTree;
using widgets::OptionTreeCombo;
using widgets::OptionTreeEdit;
using widgets::OptionTreeItem;

// Fills a tree with the three kinds of rows the parameter panel shows.
void fillSettings(OptionTree& tree, bool editable) {
    auto heading = [&tree](const QString& label, const QString& description) {
        auto* item = tree.insert(std::make_unique<OptionTreeItem>());
        item->setLabel(label);
        item->setDescription(description);
        return item;
    };
    auto edit = [&tree, editable](OptionTreeItem* parent, const QString& label, const QString& value,
                                  bool readOnly) {
        auto* item = tree.insert(std::make_unique<OptionTreeEdit>(), parent);
        item->setLabel(label);
        item->setDescription(QStringLiteral("%1 of the converted file; type a new value.").arg(label));
        item->createWindow();
        item->setText(value);
        item->setReadOnly(readOnly || !editable);
        return item;
    };
    auto combo = [&tree, editable](OptionTreeItem* parent, const QString& label, OptionTreeCombo::Style style,
                                   const QStringList& choices, const QString& value) {
        auto* item = tree.insert(std::make_unique<OptionTreeCombo>(), parent);
        item->setLabel(label);
        item->setDescription(QStringLiteral("%1: pick one of the listed choices.").arg(label));
        item->createWindow(style);
        for (const QString& choice : choices) {
            item->addString(choice);
        }
        if (item->selectString(0, value) < 0) {
            item->setEditText(value);
        }
        item->setReadOnly(!editable);
        return item;
    };
    OptionTreeItem* general = heading(QStringLiteral("General"), QStringLiteral("General Options"));
    edit(general, QStringLiteral("Start Time"), QStringLiteral("00:00:05"), false);
    edit(general, QStringLiteral("Container"), QStringLiteral("avi"), true);
    OptionTreeItem* video = heading(QStringLiteral("Video"), QStringLiteral("Video Options"));
    combo(video, QStringLiteral("Video Codec"), OptionTreeCombo::kDropDownList,
          {QStringLiteral("xvid"), QStringLiteral("mpeg4"), QStringLiteral("h264")}, QStringLiteral("mpeg4"));
    combo(video, QStringLiteral("Frame Rate"), OptionTreeCombo::kDropDown,
          {QStringLiteral("23.976"), QStringLiteral("25"), QStringLiteral("29.97")}, QStringLiteral("12.5"));
    edit(video, QStringLiteral("Bit Rate"), QStringLiteral("1200"), false);
    OptionTreeItem* audio = heading(QStringLiteral("Audio"), QStringLiteral("Audio Options"));
    combo(audio, QStringLiteral("Channels"), OptionTreeCombo::kDropDownList,
          {QStringLiteral("1 (Mono)"), QStringLiteral("2 (Stereo)")}, QStringLiteral("2"));
    edit(audio, QStringLiteral("Bit Rate"), QStringLiteral("128"), false);
    tree.expandAll();
}

QGroupBox* framed(const QString& title, QWidget* content) {
    auto* box = new QGroupBox(title);
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(content);
    return box;
}

} // namespace

QWidget* buildOptionTreePage() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);

    // The parameter panel's look: description pane, shaded headings, grid lines; an open editor.
    auto* panel = new OptionTree(nullptr, 25, 10000001);
    panel->setMinimumSize(225, 300);
    fillSettings(*panel, true);
    auto* log = new QLabel(QStringLiteral("Notifications appear here."));
    log->setWordWrap(true);
    panel->EnableNotify(true);
    QObject::connect(panel, &OptionTree::notify, log, [log](int code, OptionTreeItem* item, bool*) {
        log->setText(QStringLiteral("Last notification: %1 (%2)")
                         .arg(code)
                         .arg(item != nullptr ? item->label() : QStringLiteral("no row")));
    });
    auto* editing = new QWidget;
    auto* editingLayout = new QVBoxLayout(editing);
    editingLayout->setContentsMargins(0, 0, 0, 0);
    editingLayout->addWidget(panel);
    editingLayout->addWidget(log);
    editingLayout->addStretch(1);
    grid->addWidget(framed(QStringLiteral("Editable, options 25, a row being edited"), editing), 0, 0);

    // Display only: every row read-only and grey; placeholder texts without a focused row.
    auto* display = new OptionTree(nullptr, 0x1 | 0x4 | 0x8, 2);
    display->setMinimumSize(225, 300);
    fillSettings(*display, false);
    grid->addWidget(framed(QStringLiteral("Read-only rows, placeholder description"), display), 0, 1);

    // Plain look without the description pane, and the whole control disabled.
    auto* disabled = new OptionTree(nullptr, 0x10, 3);
    disabled->setMinimumSize(225, 300);
    fillSettings(*disabled, true);
    disabled->topLevelItem(2)->setExpanded(false);
    disabled->setFocusedItem(disabled->topLevelItem(1)->child(0));
    disabled->setEnabled(false);
    grid->addWidget(framed(QStringLiteral("Disabled, grid lines, Audio closed"), disabled), 0, 2);

    // Open the first setting's editor once the page is shown.
    OptionTreeItem* start = panel->topLevelItem(0)->child(0);
    panel->setFocusedItem(start);
    QMetaObject::invokeMethod(
        panel, [panel, start] { panel->activateItem(start); }, Qt::QueuedConnection);
    return page;
}

} // namespace morvane::gallery
