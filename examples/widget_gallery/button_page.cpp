// Image buttons: the main window's picture buttons and the preview buttons with their three state
// pictures side by side, the splitter's play/pause button, captions in each alignment, a disabled
// button.
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include <array>

#include "examples/widget_gallery/gallery_pages.h"
#include "widgets/image_button.h"
#include "widgets/picture.h"

namespace morvane::gallery {

using widgets::ImageButton;

namespace {

struct ButtonRow {
    const char* tooltip;
    std::array<int, 3> bitmaps; // hover, normal, pressed
};

constexpr std::array<ButtonRow, 11> kButtons{{
    {"Add media file to control list", {152, 153, 154}},
    {"Remove file from control list", {164, 158, 166}},
    {"Split the media file", {195, 196, 197}},
    {"More...", {176, 177, 178}},
    {"Start convert", {167, 168, 169}},
    {"Stop convert", {170, 171, 172}},
    {"Rewind", {201, 200, 202}},
    {"Play", {204, 203, 205}},
    {"Pause", {207, 206, 208}},
    {"Stop", {210, 209, 211}},
    {"Fast forward", {213, 212, 214}},
}};

QLabel* pictureLabel(int number, QWidget* parent) {
    auto* label = new QLabel(parent);
    if (const auto picture = widgets::Picture::load(number)) {
        label->setPixmap(picture->render(parent->devicePixelRatioF()));
    }
    label->setToolTip(QString::number(number));
    return label;
}

QGroupBox* stateSheet(QWidget* parent) {
    auto* box = new QGroupBox(QStringLiteral("Buttons and their pictures: live, then hover, normal, pressed"),
                              parent);
    auto* grid = new QGridLayout(box);
    for (std::size_t i = 0; i < kButtons.size(); ++i) {
        const ButtonRow& row = kButtons[i];
        const int gridRow = static_cast<int>(i % 6);
        const int gridColumn = static_cast<int>(i / 6) * 5;
        auto* button = new ImageButton(box);
        button->setBitmaps(row.bitmaps[0], Qt::black, row.bitmaps[1], Qt::black, row.bitmaps[2], Qt::black);
        button->setAlignment(3);
        button->setTooltipText(QString::fromUtf8(row.tooltip));
        const auto normal = widgets::Picture::load(row.bitmaps[1]);
        button->setFixedSize(normal ? normal->size() : QSize(40, 40));
        grid->addWidget(button, gridRow, gridColumn);
        for (int state = 0; state < 3; ++state) {
            grid->addWidget(pictureLabel(row.bitmaps[static_cast<std::size_t>(state)], box), gridRow,
                            gridColumn + 1 + state);
        }
    }
    grid->setColumnMinimumWidth(4, 24);
    return box;
}

QGroupBox* variants(QWidget* parent) {
    auto* box = new QGroupBox(QStringLiteral("Icons, alignments, states"), parent);
    auto* layout = new QVBoxLayout(box);

    // The splitter's play button: icon 186 "Play", 185 "Pause" while playing.
    auto* play = new ImageButton(box);
    play->setIcon(186);
    play->setTransparentFace();
    play->setAlignment(1);
    play->setTooltipText(QStringLiteral("Play"));
    play->setFixedSize(34, 30);
    QObject::connect(play, &ImageButton::clicked, play, [play] {
        const bool playing = play->toolTip() == QStringLiteral("Pause");
        play->setIcon(playing ? 186 : 185);
        play->setTooltipText(playing ? QStringLiteral("Play") : QStringLiteral("Pause"));
    });
    layout->addWidget(new QLabel(QStringLiteral("Play / pause (click):"), box));
    layout->addWidget(play);

    const std::array<const char*, 3> captions{"0: picture left", "1: picture on top", "2: picture right"};
    for (int alignment = 0; alignment < 3; ++alignment) {
        auto* button = new ImageButton(box);
        button->setIcon(186);
        button->setAlignment(alignment);
        button->setText(QString::fromUtf8(captions[static_cast<std::size_t>(alignment)]));
        button->setFlat(false);
        button->setFixedSize(150, alignment == 1 ? 48 : 30);
        layout->addWidget(button);
    }
    auto* disabled = new ImageButton(box);
    disabled->setBitmaps(167, Qt::black, 168, Qt::black, 169, Qt::black);
    disabled->setAlignment(3);
    disabled->setFixedSize(40, 40);
    disabled->setEnabled(false);
    layout->addWidget(new QLabel(QStringLiteral("Disabled:"), box));
    layout->addWidget(disabled);
    layout->addStretch(1);
    return box;
}

} // namespace

QWidget* buildButtonPage() {
    auto* page = new QWidget;
    auto* layout = new QHBoxLayout(page);
    layout->addWidget(stateSheet(page), 1);
    layout->addWidget(variants(page));
    return page;
}

} // namespace morvane::gallery
