#pragma once

#include <QAbstractItemModel>

#include <memory>

#include "widgets/option_tree_item.h"

namespace morvane::widgets {

// The option tree's rows as a model of two columns, label and value. The value column carries the
// row's editable value in the edit role and the roles of OptionTreeRole.
class OptionTreeModel : public QAbstractItemModel {
public:
    OptionTreeModel(OptionTreeItem* root, QObject* parent);

    // The row of an index; the hidden root for the invalid index.
    OptionTreeItem* item(const QModelIndex& index) const;
    QModelIndex indexOf(const OptionTreeItem* item, int column) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void append(OptionTreeItem* parent, std::unique_ptr<OptionTreeItem> child);
    void clear();
    // One cell of `row` changed.
    void cellChanged(const OptionTreeItem* row, int column);

private:
    static int rowOf(const OptionTreeItem* item);

    OptionTreeItem* m_root = nullptr;
};

} // namespace morvane::widgets
