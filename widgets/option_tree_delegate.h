#pragma once

#include <QStyledItemDelegate>

namespace morvane::widgets {

class OptionTree;

// Paints the option tree's rows (labels between the gutter and the divider, values from 5 pixels right
// of the divider) and makes their editors: a single-line field, a multi-line field or a combo box, filled
// from the model's roles and written back to it on every change.
class OptionTreeDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    OptionTreeDelegate(OptionTree* tree, QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    // The editor covers the value cell but its first pixel column and its bottom grid line.
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

private:
    // Asks the editor's owner to write the editor's value to the model.
    void editorChanged(QWidget* editor) const;

    OptionTree* m_tree = nullptr;
};

} // namespace morvane::widgets
