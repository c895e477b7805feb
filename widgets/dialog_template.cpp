#include "widgets/dialog_template.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFont>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRect>

#include <algorithm>

namespace morvane::widgets {

namespace {

// The margin kept between a grown control and the edge of its frame or dialog, in dialog units.
constexpr int kMarginUnits = 4;

bool inside(const UnitRect& inner, const UnitRect& outer) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.width <= outer.x + outer.width &&
           inner.y + inner.height <= outer.y + outer.height;
}

// Captions of the tables are marked for the catalogues in the context "Dialog" and shown in the
// user's language.
QString textOf(const DialogControl& control) {
    return control.text ? QCoreApplication::translate("Dialog", control.text) : QString();
}

QWidget* createStandard(const DialogControl& control, QWidget& dialog) {
    switch (control.kind) {
    case ControlKind::Label:
        return new QLabel(textOf(control), &dialog);
    case ControlKind::GroupBox:
        return new QGroupBox(textOf(control), &dialog);
    case ControlKind::Edit:
        return new QLineEdit(textOf(control), &dialog);
    case ControlKind::CheckBox:
        return new QCheckBox(textOf(control), &dialog);
    case ControlKind::PushButton:
    case ControlKind::DefaultPushButton: {
        auto* button = new QPushButton(textOf(control), &dialog);
        button->setDefault(control.kind == ControlKind::DefaultPushButton);
        button->setAutoDefault(control.kind == ControlKind::DefaultPushButton);
        return button;
    }
    case ControlKind::Picture: {
        auto* picture = new QLabel(&dialog);
        picture->setAlignment(Qt::AlignCenter);
        return picture;
    }
    case ControlKind::Custom:
        break;
    }
    return nullptr;
}

bool sameLine(const QRect& a, const QRect& b) {
    return a.top() <= b.bottom() && b.top() <= a.bottom();
}

} // namespace

void makeRoomForGrownControls(std::span<PlacedControl> controls) {
    std::vector<std::size_t> order(controls.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return controls[a].placed.left() < controls[b].placed.left();
    });
    std::vector<int> shift(controls.size(), 0);
    for (std::size_t k = 0; k < order.size(); ++k) {
        const auto& b = controls[order[k]];
        if (b.frame) {
            continue;
        }
        int& moveB = shift[order[k]];
        for (std::size_t m = 0; m < k; ++m) {
            const auto& a = controls[order[m]];
            // Right of `a`: starts beyond its middle (templates let neighbours touch or overlap a little).
            if (a.frame || b.placed.left() <= a.placed.center().x() || !sameLine(a.placed, b.placed)) {
                continue;
            }
            // `b` keeps the template's gap after `a`'s moved and grown right edge, and never overlaps it.
            const int gap = std::max(0, b.placed.left() - a.placed.right() - 1);
            const int aRight = a.grown.right() + shift[order[m]];
            moveB = std::max(moveB, aRight + 1 + gap - b.placed.left());
        }
    }
    for (std::size_t i = 0; i < controls.size(); ++i) {
        controls[i].grown.translate(shift[i], 0);
    }
}

QRect grownToFit(const QRect& placed, const QSize& needed) {
    QRect grown = placed;
    if (needed.width() > placed.width()) {
        grown.setWidth(needed.width());
    }
    if (needed.height() > placed.height()) {
        const int top = placed.top() - (needed.height() - placed.height()) / 2;
        grown.setTop(std::max(0, top));
        grown.setHeight(needed.height());
    }
    return grown;
}

QRect placeControl(QWidget& control, const QWidget& dialog, const UnitRect& rect) {
    QRect pixels = dialogRect(dialog, rect.x, rect.y, rect.width, rect.height);
    // Labels (texts and pictures) and buttons grow to what they show; fields and frames keep their size.
    if (qobject_cast<QLabel*>(&control) || qobject_cast<QAbstractButton*>(&control)) {
        pixels = grownToFit(pixels, control.sizeHint());
    }
    control.setGeometry(pixels);
    return pixels;
}

std::vector<QWidget*> createDialogControls(QWidget& dialog, std::span<const DialogControl> table,
                                           const ControlFactory& custom) {
    std::vector<QWidget*> controls;
    controls.reserve(table.size());
    for (const auto& row : table) {
        QWidget* control = row.kind == ControlKind::Custom ? (custom ? custom(row, dialog) : nullptr)
                                                           : createStandard(row, dialog);
        if (control && row.name) {
            control->setObjectName(QString::fromUtf8(row.name));
        }
        if (control && row.kind == ControlKind::Picture && row.text) {
            const QRect pixels = dialogRect(dialog, row.rect.x, row.rect.y, row.rect.width, row.rect.height);
            static_cast<QLabel*>(control)->setPixmap(
                QIcon(QString::fromUtf8(row.text)).pixmap(pixels.size()));
        }
        if (control) {
            placeControl(*control, dialog, row.rect);
        }
        controls.push_back(control);
    }

    std::vector<PlacedControl> placements;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const auto& r = table[i].rect;
        const QRect placed = dialogRect(dialog, r.x, r.y, r.width, r.height);
        placements.push_back({placed, controls[i] ? controls[i]->geometry() : placed,
                              table[i].kind == ControlKind::GroupBox || !controls[i]});
    }
    makeRoomForGrownControls(placements);
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (controls[i]) {
            controls[i]->setGeometry(placements[i].grown);
        }
    }

    // A frame grows to hold the grown controls that its template rectangle holds.
    const QRect margin = dialogRect(dialog, 0, 0, kMarginUnits, kMarginUnits);
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (table[i].kind != ControlKind::GroupBox || !controls[i]) {
            continue;
        }
        QRect frame = controls[i]->geometry();
        for (std::size_t j = 0; j < table.size(); ++j) {
            if (j != i && controls[j] && inside(table[j].rect, table[i].rect)) {
                const QRect child = controls[j]->geometry();
                frame.setRight(std::max(frame.right(), child.right() + margin.width()));
                frame.setBottom(std::max(frame.bottom(), child.bottom() + margin.height()));
            }
        }
        controls[i]->setGeometry(frame);
    }
    return controls;
}

void fixDialogSize(QWidget& dialog, int widthUnits, int heightUnits) {
    const QRect whole = dialogRect(dialog, 0, 0, widthUnits, heightUnits);
    const QRect margin = dialogRect(dialog, 0, 0, kMarginUnits, kMarginUnits);
    int width = whole.width();
    int height = whole.height();
    for (const auto* child : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isWindow()) {
            continue;
        }
        width = std::max(width, child->geometry().right() + 1 + margin.width());
        height = std::max(height, child->geometry().bottom() + 1 + margin.height());
    }
    dialog.setFixedSize(width, height);
}

QFont fittingDialogFont(const QFont& font, const QSize& available, double smallestPoints,
                        const std::function<QSize(const QFont&)>& sizeAt) {
    const auto fits = [&](const QFont& candidate) {
        const QSize size = sizeAt(candidate);
        return size.width() <= available.width() && size.height() <= available.height();
    };
    if (fits(font)) {
        return font;
    }
    QFont candidate = font;
    if (font.pointSizeF() > 0) {
        for (double points = font.pointSizeF() - 0.5; points >= smallestPoints; points -= 0.5) {
            candidate.setPointSizeF(points);
            if (fits(candidate)) {
                return candidate;
            }
        }
        candidate.setPointSizeF(std::min(smallestPoints, font.pointSizeF()));
        return candidate;
    }
    // A font sized in pixels: a point is 4/3 of a pixel on the reference screen.
    const int smallestPixels = static_cast<int>(smallestPoints * 4 / 3);
    for (int pixels = font.pixelSize() - 1; pixels >= smallestPixels; --pixels) {
        candidate.setPixelSize(pixels);
        if (fits(candidate)) {
            return candidate;
        }
    }
    candidate.setPixelSize(std::min(smallestPixels, font.pixelSize()));
    return candidate;
}

} // namespace morvane::widgets
