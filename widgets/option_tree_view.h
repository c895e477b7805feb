#pragma once

#include <QTreeView>

namespace morvane::widgets {

class OptionTree;

// The option tree's list pane: the rows with their expand buttons, the divider between the label and
// the value column, and the keys and clicks it hands to the tree.
class OptionTreeView : public QTreeView {
    Q_OBJECT

public:
    explicit OptionTreeView(OptionTree* tree);

    bool draggingDivider() const { return m_dragging; }
    // The divider follows the pointer until the left button is released.
    void startDividerDrag() { m_dragging = true; }

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override { mousePressEvent(event); }
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override;
    void paintEvent(QPaintEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    OptionTree* m_tree = nullptr;
    bool m_dragging = false;
};

} // namespace morvane::widgets
