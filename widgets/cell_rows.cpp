#include "widgets/cell_rows.h"

#include <algorithm>

namespace morvane::widgets {

void CellRows::insertRow(int, int) {}

void CellRows::removeRow(int) {}

int ListCellRows::cellCount(int row) const {
    return static_cast<int>(m_rows.at(static_cast<std::size_t>(row)).size());
}

ListCell ListCellRows::cell(int row, int column) const {
    return m_rows.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(column));
}

void ListCellRows::setCell(int row, int column, const ListCell& cell) {
    m_rows.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(column)) = cell;
}

void ListCellRows::insertRow(int row, int cells) {
    m_rows.insert(m_rows.begin() + row, std::vector<ListCell>(static_cast<std::size_t>(std::max(cells, 0))));
}

void ListCellRows::removeRow(int row) {
    m_rows.erase(m_rows.begin() + row);
}

} // namespace morvane::widgets
