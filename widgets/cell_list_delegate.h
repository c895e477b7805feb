#pragma once

#include <QList>
#include <QPixmap>
#include <QStyledItemDelegate>

#include "widgets/list_cell.h"

class QPalette;

namespace morvane::widgets {

// The colours a cell is drawn in.
struct CellColors {
    QColor text;
    QColor background;
};

// A cell's own colours (the palette's where it has none; grey text on a disabled row).
CellColors ownCellColors(const ListCell& cell, bool rowEnabled, const QPalette& palette);
// The colours a cell is drawn in: a selected row shows highlight colours while the list has the
// focus and window text on button face without it (the selection stays visible).
CellColors cellColors(const ListCell& cell, bool rowEnabled, bool selected, bool listFocused,
                      const QPalette& palette);

// A check box at `box` (from checkBoxRect): window-coloured inside a sunken edge, with the tick when
// checked (black, or grey on a disabled row).
void paintCheckBox(QPainter& painter, const QRect& box, bool checked, bool disabled, const QPalette& palette);

// Paints the cells of a CellListModel: progress bars, check boxes, and image-and-text cells.
class CellListDelegate final : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The images that cells refer to by index.
    void setImages(const QList<QPixmap>& images) { m_images = images; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    void paintProgress(QPainter& painter, const QRect& rect, const ListCell& cell, const CellColors& own,
                       const QPalette& palette, const QFont& font) const;
    void paintCheckCell(QPainter& painter, const QRect& rect, const ListCell& cell, const CellColors& colors,
                        bool disabled, const QPalette& palette, const QFont& font) const;
    void paintTextCell(QPainter& painter, const QRect& rect, const ListCell& cell, const CellColors& colors,
                       Qt::Alignment alignment, const QFont& font) const;

    QList<QPixmap> m_images;
};

} // namespace morvane::widgets
