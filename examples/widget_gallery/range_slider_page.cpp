// Range slider: a cut inside a clip, the whole interval, a band of no width, a band against the right
// end and a disabled slider; each shows its values and the last change code as it is dragged.
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "examples/widget_gallery/gallery_pages.h"
#include "widgets/range_slider.h"

namespace morvane::gallery {

using widgets::CRangeSlider;

QWidget* buildRangeSliderPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    struct Sample {
        QString title;
        double minimum;
        double maximum;
        double left;
        double right;
        bool enabled;
    };
    const Sample samples[] = {
        {QStringLiteral("A cut of 0:20 to 1:05 in a clip of 1:40"), 0, 100, 20, 65, true},
        {QStringLiteral("The whole interval (as created: 0 to 1)"), 0, 1, 0, 1, true},
        {QStringLiteral("Start equal to end: a band of no width"), 0, 100, 40, 40, true},
        {QStringLiteral("Against the right end"), 0, 3600, 2700, 3600, true},
        {QStringLiteral("Disabled"), 0, 100, 10, 30, false},
    };
    for (const Sample& sample : samples) {
        auto* slider = new CRangeSlider;
        slider->setFixedHeight(20);
        slider->setMinimumWidth(400);
        slider->SetMinMax(sample.minimum, sample.maximum);
        slider->SetRange(sample.left, sample.right);
        slider->setEnabled(sample.enabled);
        auto* values = new QLabel;
        auto show = [slider, values](int change) {
            values->setText(
                QStringLiteral("left %1, right %2, interval %3 to %4%5")
                    .arg(slider->left(), 0, 'f', 2)
                    .arg(slider->right(), 0, 'f', 2)
                    .arg(slider->minimum())
                    .arg(slider->maximum())
                    .arg(change < 0 ? QString() : QStringLiteral(", last change code %1").arg(change)));
        };
        show(-1);
        QObject::connect(slider, &CRangeSlider::rangeChanged, values,
                         [show](widgets::RangeChange change) { show(static_cast<int>(change)); });
        auto* box = new QGroupBox(sample.title);
        auto* boxLayout = new QVBoxLayout(box);
        boxLayout->setContentsMargins(8, 4, 8, 4);
        boxLayout->addWidget(slider);
        boxLayout->addWidget(values);
        layout->addWidget(box);
    }
    layout->addStretch(1);
    // The first slider has the keyboard focus (its focus rectangle shows on the band).
    CRangeSlider* first = page->findChild<CRangeSlider*>();
    QMetaObject::invokeMethod(
        first, [first] { first->setFocus(); }, Qt::QueuedConnection);
    return page;
}

} // namespace morvane::gallery
