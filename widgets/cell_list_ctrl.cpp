#include "widgets/cell_list_ctrl.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

#include "widgets/cell_list_delegate.h"
#include "widgets/x_header_ctrl.h"

namespace morvane::widgets {

QStringList localFilePaths(const QList<QUrl>& urls) {
    QStringList paths;
    for (const QUrl& url : urls) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty()) {
            paths.append(url.toLocalFile());
        }
    }
    return paths;
}

CellListCtrl::CellListCtrl(QWidget* parent, CellRows* rows)
    : QTableView(parent), m_model(new CellListModel(rows, this)), m_delegate(new CellListDelegate(this)),
      m_header(new CXHeaderCtrl(this)) {
    setHorizontalHeader(m_header);
    setModel(m_model);
    setItemDelegate(m_delegate);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab and Shift+Tab leave the list for the window's next control; the arrows move within it.
    setTabKeyNavigation(false);
    setShowGrid(true);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setDropIndicatorShown(false);
}

CellListCtrl::~CellListCtrl() = default;

int CellListCtrl::insertColumn(int column, const QString& caption, Qt::Alignment alignment, int width) {
    const int inserted = m_model->insertColumn(column, caption, alignment);
    if (inserted >= 0 && width >= 0) {
        m_header->resizeSection(inserted, width);
    }
    return inserted;
}

int CellListCtrl::getSelectedRow() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    int first = -1;
    for (const QModelIndex& index : rows) {
        first = first < 0 ? index.row() : std::min(first, index.row());
    }
    return first;
}

bool CellListCtrl::selectRow(int row) {
    if (row < 0 || row >= m_model->rowCount()) {
        return false;
    }
    setCurrentIndex(m_model->index(row, 0));
    QTableView::selectRow(row);
    return true;
}

bool CellListCtrl::toggleCheck(int row, int column) {
    const int state = m_model->check(row, column);
    if (state == -1) {
        return false;
    }
    m_model->setCheck(row, column, state == 1 ? 0 : 1);
    Q_EMIT checkBoxClicked(row, column);
    return true;
}

void CellListCtrl::mousePressEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid()) {
        if (!m_model->isRowEnabled(index.row())) {
            // A disabled row (or one without cells) ignores clicks: no toggle, no selection.
            event->accept();
            return;
        }
        if (event->button() == Qt::LeftButton) {
            toggleCheck(index.row(), index.column());
        }
    }
    QTableView::mousePressEvent(event);
}

void CellListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second click of a quick pair toggles a box again, as two single clicks would.
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && !m_model->isRowEnabled(index.row())) {
        event->accept();
        return;
    }
    if (index.isValid() && event->button() == Qt::LeftButton) {
        toggleCheck(index.row(), index.column());
    }
    QTableView::mouseDoubleClickEvent(event);
}

void CellListCtrl::keyPressEvent(QKeyEvent* event) {
    // Space toggles the first box of the current row, so the list works without a mouse.
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        const int row = currentIndex().row();
        if (row >= 0 && m_model->isRowEnabled(row)) {
            for (int column = 0; column < m_model->columnCount(); ++column) {
                if (toggleCheck(row, column)) {
                    break;
                }
            }
        }
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void CellListCtrl::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    // Selected rows change colour with the focus.
    viewport()->update();
}

void CellListCtrl::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    viewport()->update();
}

void CellListCtrl::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls() && !localFilePaths(event->mimeData()->urls()).isEmpty()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void CellListCtrl::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasUrls() && !localFilePaths(event->mimeData()->urls()).isEmpty()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void CellListCtrl::dropEvent(QDropEvent* event) {
    const QStringList paths = localFilePaths(event->mimeData()->urls());
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    if (m_dropHandler) {
        m_dropHandler(paths);
    }
}

} // namespace morvane::widgets
