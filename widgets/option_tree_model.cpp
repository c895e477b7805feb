#include "widgets/option_tree_model.h"

namespace morvane::widgets {

OptionTreeModel::OptionTreeModel(OptionTreeItem* root, QObject* parent)
    : QAbstractItemModel(parent), m_root(root) {}

OptionTreeItem* OptionTreeModel::item(const QModelIndex& index) const {
    return index.isValid() ? static_cast<OptionTreeItem*>(index.internalPointer()) : m_root;
}

QModelIndex OptionTreeModel::indexOf(const OptionTreeItem* item, int column) const {
    if (item == nullptr || item == m_root || item->m_parent == nullptr) {
        return {};
    }
    return createIndex(rowOf(item), column, const_cast<OptionTreeItem*>(item));
}

QModelIndex OptionTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (!hasIndex(row, column, parent)) {
        return {};
    }
    return createIndex(row, column, item(parent)->m_children[static_cast<std::size_t>(row)].get());
}

QModelIndex OptionTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid()) {
        return {};
    }
    return indexOf(item(child)->m_parent, 0);
}

int OptionTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() && parent.column() != 0) {
        return 0;
    }
    return item(parent)->childCount();
}

int OptionTreeModel::columnCount(const QModelIndex&) const {
    return 2;
}

QVariant OptionTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    const OptionTreeItem* row = item(index);
    switch (role) {
    case Qt::DisplayRole:
        return index.column() == 0 ? row->label() : row->valueText();
    case Qt::ToolTipRole:
    case Qt::StatusTipRole:
        return row->description();
    default:
        return index.column() == 1 && (role == Qt::EditRole || role > Qt::UserRole) ? row->editData(role)
                                                                                    : QVariant();
    }
}

bool OptionTreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != 1 || !item(index)->setEditData(value, role)) {
        return false;
    }
    Q_EMIT dataChanged(index, index);
    return true;
}

Qt::ItemFlags OptionTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const OptionTreeItem* row = item(index);
    if (row->childCount() == 0) {
        flags |= Qt::ItemNeverHasChildren;
    }
    if (index.column() == 1 && row->hasEditor() && !row->isReadOnly()) {
        flags |= Qt::ItemIsEditable;
    }
    return flags;
}

void OptionTreeModel::append(OptionTreeItem* parent, std::unique_ptr<OptionTreeItem> child) {
    const int row = parent->childCount();
    beginInsertRows(indexOf(parent, 0), row, row);
    child->m_parent = parent;
    parent->m_children.push_back(std::move(child));
    endInsertRows();
}

void OptionTreeModel::clear() {
    // The rows die after the reset: deleting a focused editor reports a focus change, and whoever
    // hears of it must find a consistent (empty) tree.
    std::vector<std::unique_ptr<OptionTreeItem>> doomed;
    beginResetModel();
    doomed.swap(m_root->m_children);
    endResetModel();
    doomed.clear();
}

void OptionTreeModel::cellChanged(const OptionTreeItem* row, int column) {
    const QModelIndex index = indexOf(row, column);
    if (index.isValid()) {
        Q_EMIT dataChanged(index, index);
    }
}

int OptionTreeModel::rowOf(const OptionTreeItem* item) {
    const auto& siblings = item->m_parent->m_children;
    for (std::size_t i = 0; i < siblings.size(); ++i) {
        if (siblings[i].get() == item) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

} // namespace morvane::widgets
