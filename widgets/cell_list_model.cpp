#include "widgets/cell_list_model.h"

#include <algorithm>

namespace morvane::widgets {

CellListModel::CellListModel(CellRows* rows, QObject* parent) : QAbstractTableModel(parent) {
    if (rows == nullptr) {
        m_ownRows = std::make_unique<ListCellRows>();
        rows = m_ownRows.get();
    }
    m_rows = rows;
}

CellListModel::~CellListModel() = default;

int CellListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows->rowCount();
}

int CellListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant CellListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !validCell(index.row(), index.column())) {
        return {};
    }
    const ListCell c = m_rows->cell(index.row(), index.column());
    switch (role) {
    case Qt::DisplayRole:
        return c.text;
    case Qt::ToolTipRole:
        return c.tipText.isEmpty() ? QVariant() : QVariant(c.tipText);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(columnAlignment(index.column()) | Qt::AlignVCenter);
    case Qt::CheckStateRole:
        return c.check == -1 ? QVariant() : QVariant(c.check == 1 ? Qt::Checked : Qt::Unchecked);
    case Qt::ForegroundRole:
        return c.textColor.isValid() ? QVariant(c.textColor) : QVariant();
    case Qt::BackgroundRole:
        return c.backgroundColor.isValid() ? QVariant(c.backgroundColor) : QVariant();
    case ProgressRole:
        return c.progress ? c.percent : -1;
    default:
        return {};
    }
}

QVariant CellListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) {
        return {};
    }
    const Column& column = m_columns[static_cast<std::size_t>(section)];
    switch (role) {
    case Qt::DisplayRole:
        return column.caption;
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(column.alignment | Qt::AlignVCenter);
    case HeaderCheckRole:
        return column.headerCheck;
    default:
        return {};
    }
}

Qt::ItemFlags CellListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    if (!isRowEnabled(index.row())) {
        return Qt::ItemNeverHasChildren;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

int CellListModel::insertColumn(int column, const QString& caption, Qt::Alignment alignment) {
    if (column < 0 || column > columnCount()) {
        return -1;
    }
    beginInsertColumns({}, column, column);
    m_columns.insert(m_columns.begin() + column, Column{caption, alignment & Qt::AlignHorizontal_Mask});
    endInsertColumns();
    return column;
}

bool CellListModel::deleteColumn(int column) {
    if (column < 0 || column >= columnCount()) {
        return false;
    }
    beginRemoveColumns({}, column, column);
    m_columns.erase(m_columns.begin() + column);
    endRemoveColumns();
    return true;
}

Qt::Alignment CellListModel::columnAlignment(int column) const {
    if (column < 0 || column >= columnCount()) {
        return Qt::AlignLeft;
    }
    return m_columns[static_cast<std::size_t>(column)].alignment;
}

int CellListModel::insertRow(int row, const QString& text) {
    if (row < 0 || !m_rows->insertsRows()) {
        return -1;
    }
    row = std::min(row, rowCount());
    beginInsertRows({}, row, row);
    m_rows->insertRow(row, columnCount());
    if (m_rows->cellCount(row) > 0) {
        ListCell first = m_rows->cell(row, 0);
        first.text = text;
        m_rows->setCell(row, 0, first);
    }
    endInsertRows();
    return row;
}

int CellListModel::deleteRow(int row) {
    if (row < 0 || row >= rowCount() || !m_rows->insertsRows()) {
        return 0;
    }
    beginRemoveRows({}, row, row);
    m_rows->removeRow(row);
    endRemoveRows();
    updateAllHeaderChecks();
    return 1;
}

bool CellListModel::validCell(int row, int column) const {
    return row >= 0 && row < m_rows->rowCount() && column >= 0 && column < columnCount() &&
           column < m_rows->cellCount(row);
}

ListCell CellListModel::cell(int row, int column) const {
    return validCell(row, column) ? m_rows->cell(row, column) : ListCell{};
}

bool CellListModel::editCell(int row, int column, const std::function<void(ListCell&)>& edit) {
    if (!validCell(row, column)) {
        return false;
    }
    ListCell c = m_rows->cell(row, column);
    edit(c);
    m_rows->setCell(row, column, c);
    const QModelIndex changed = index(row, column);
    Q_EMIT dataChanged(changed, changed);
    return true;
}

int CellListModel::setItemText(int row, int column, const QString& text) {
    return editCell(row, column, [&](ListCell& c) { c.text = text; }) ? 1 : 0;
}

QString CellListModel::itemText(int row, int column) const {
    return cell(row, column).text;
}

int CellListModel::setCheck(int row, int column, int state) {
    if (state < -1 || state > 1 || !editCell(row, column, [&](ListCell& c) { c.check = state; })) {
        return 0;
    }
    updateHeaderCheck(column);
    return 1;
}

int CellListModel::check(int row, int column) const {
    return validCell(row, column) ? m_rows->cell(row, column).check : -1;
}

int CellListModel::setProgress(int row, int column, bool showText, const QString& format) {
    return editCell(row, column,
                    [&](ListCell& c) {
                        c.progress = true;
                        c.percent = 0;
                        c.showProgressText = showText;
                        c.progressFormat = format;
                    })
               ? 1
               : 0;
}

void CellListModel::updateProgress(int row, int column, int percent) {
    editCell(row, column, [&](ListCell& c) { c.percent = std::clamp(percent, 0, 100); });
}

void CellListModel::clearProgress(int row, int column) {
    editCell(row, column, [](ListCell& c) {
        c.progress = false;
        c.percent = 0;
    });
}

void* CellListModel::itemData(int row) const {
    return validCell(row, 0) ? m_rows->cell(row, 0).itemData : nullptr;
}

int CellListModel::setItemData(int row, void* data) {
    if (!validCell(row, 0)) {
        return 0;
    }
    ListCell first = m_rows->cell(row, 0);
    first.itemData = data;
    m_rows->setCell(row, 0, first);
    return 1;
}

int CellListModel::setRowEnabled(int row, bool enabled) {
    if (!editCell(row, 0, [&](ListCell& c) { c.enabled = enabled; })) {
        return 0;
    }
    // The whole row changes colour.
    rowsChanged(row, row);
    return 1;
}

bool CellListModel::isRowEnabled(int row) const {
    return validCell(row, 0) && m_rows->cell(row, 0).enabled;
}

int CellListModel::setBold(int row, int column, bool bold) {
    return editCell(row, column, [&](ListCell& c) { c.bold = bold; }) ? 1 : 0;
}

int CellListModel::setItemColors(int row, int column, const QColor& text, const QColor& background) {
    return editCell(row, column,
                    [&](ListCell& c) {
                        c.textColor = text;
                        c.backgroundColor = background;
                    })
               ? 1
               : 0;
}

int CellListModel::setItemImage(int row, int column, int image) {
    return editCell(row, column, [&](ListCell& c) { c.image = image; }) ? 1 : 0;
}

int CellListModel::setToolTip(int row, int column, const QString& text) {
    return editCell(row, column, [&](ListCell& c) { c.tipText = text; }) ? 1 : 0;
}

int CellListModel::headerCheck(int column) const {
    if (column < 0 || column >= columnCount()) {
        return HeaderNoBox;
    }
    return m_columns[static_cast<std::size_t>(column)].headerCheck;
}

void CellListModel::setHeaderCheck(int column, int state) {
    if (column < 0 || column >= columnCount() || state < HeaderNoBox || state > HeaderChecked) {
        return;
    }
    int& current = m_columns[static_cast<std::size_t>(column)].headerCheck;
    if (current == state) {
        return;
    }
    current = state;
    Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
    Q_EMIT headerCheckChanged(column, state);
}

void CellListModel::updateHeaderCheck(int column) {
    const int state = headerCheck(column);
    if (state == HeaderNoBox) {
        return;
    }
    bool anyBox = false;
    bool allChecked = true;
    for (int row = 0; row < rowCount(); ++row) {
        const int c = check(row, column);
        if (c != -1) {
            anyBox = true;
            allChecked = allChecked && c == 1;
        }
    }
    // With no box in the column there is nothing to follow: the header keeps its state.
    if (anyBox) {
        setHeaderCheck(column, allChecked ? HeaderChecked : HeaderUnchecked);
    }
}

void CellListModel::updateAllHeaderChecks() {
    for (int column = 0; column < columnCount(); ++column) {
        updateHeaderCheck(column);
    }
}

void CellListModel::headerClicked(int column) {
    const int state = headerCheck(column);
    if (state == HeaderNoBox) {
        return;
    }
    const bool checkAll = state == HeaderUnchecked;
    setHeaderCheck(column, checkAll ? HeaderChecked : HeaderUnchecked);
    int first = -1;
    int last = -1;
    for (int row = 0; row < rowCount(); ++row) {
        if (check(row, column) == -1) {
            continue;
        }
        ListCell c = m_rows->cell(row, column);
        c.check = checkAll ? 1 : 0;
        m_rows->setCell(row, column, c);
        first = first < 0 ? row : first;
        last = row;
    }
    if (first >= 0) {
        Q_EMIT dataChanged(index(first, column), index(last, column));
    }
}

void CellListModel::insertRowsWith(int first, int last, const std::function<void()>& change) {
    beginInsertRows({}, first, last);
    change();
    endInsertRows();
    updateAllHeaderChecks();
}

void CellListModel::removeRowsWith(int first, int last, const std::function<void()>& change) {
    beginRemoveRows({}, first, last);
    change();
    endRemoveRows();
    updateAllHeaderChecks();
}

void CellListModel::moveRowWith(int from, int to, const std::function<void()>& change) {
    if (!beginMoveRows({}, from, from, {}, to)) {
        return;
    }
    change();
    endMoveRows();
}

void CellListModel::resetWith(const std::function<void()>& change) {
    beginResetModel();
    change();
    endResetModel();
    updateAllHeaderChecks();
}

void CellListModel::rowsChanged(int first, int last) {
    first = std::max(first, 0);
    last = std::min(last, rowCount() - 1);
    if (first > last || columnCount() == 0) {
        return;
    }
    Q_EMIT dataChanged(index(first, 0), index(last, columnCount() - 1));
    updateAllHeaderChecks();
}

} // namespace morvane::widgets
