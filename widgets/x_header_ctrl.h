#pragma once

#include <QHeaderView>
#include <QList>
#include <QPixmap>

namespace morvane::widgets {

// The file list's column header: flat items with an optional picture and caption, two-line
// separators and a 3D frame. A column whose header check state (CellListModel::HeaderCheckRole) is
// 1 or 2 shows that picture of the header's images as its check box, and a click on it checks or
// clears the column in every row.
class CXHeaderCtrl final : public QHeaderView {
    Q_OBJECT

public:
    explicit CXHeaderCtrl(QWidget* parent = nullptr);

    // Pictures by index: 0 none, 1 unchecked box, 2 checked box. Without them the boxes are drawn.
    void setImages(const QList<QPixmap>& images);
    const QList<QPixmap>& images() const { return m_images; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    void onSectionClicked(int logicalIndex);

    QList<QPixmap> m_images;
};

} // namespace morvane::widgets
