#include "widgets/cell_rows.h"

namespace morvane::widgets {

bool CellRows::insertRow(int, int) {
    return false;
}

bool CellRows::removeRow(int) {
    return false;
}

int ListCellRows::cellCount(int row) const {
    return static_cast<int>(m_rows.at(static_cast<std::size_t>(row)).size());
}

ListCell ListCellRows::cell(int row, int column) const {
    return m_rows.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(column));
}

void ListCellRows::setCell(int row, int column, const ListCell& cell) {
    m_rows.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(column)) = cell;
}

bool ListCellRows::insertRow(int row, int cells) {
    if (row < 0 || row > rowCount() || cells < 0) {
        return false;
    }
    m_rows.insert(m_rows.begin() + row, std::vector<ListCell>(static_cast<std::size_t>(cells)));
    return true;
}

bool ListCellRows::removeRow(int row) {
    if (row < 0 || row >= rowCount()) {
        return false;
    }
    m_rows.erase(m_rows.begin() + row);
    return true;
}

} // namespace morvane::widgets
