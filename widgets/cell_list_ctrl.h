#pragma once

#include <QStringList>
#include <QTableView>

#include <functional>

#include "widgets/cell_list_model.h"

namespace morvane::widgets {

class CellListDelegate;
class CXHeaderCtrl;

// The file list: one selected row at a time, selected across all columns and always shown, grid
// lines, and cells drawn by CellListDelegate (check boxes, progress bars, image and text).
// A click anywhere in a cell with a check box toggles it and emits checkBoxClicked; clicks on a
// disabled row do nothing at all. Local files dropped on the list reach the installed drop handler.
//
// The rows live in the model's store: by default in the control itself, or in a program's records
// given as a `CellRows` (see cell_rows.h). The operations below are the model's, bounds-checked.
class CellListCtrl final : public QTableView {
    Q_OBJECT

public:
    using DropHandler = std::function<void(const QStringList& paths)>;

    // A given store must outlive the control.
    explicit CellListCtrl(QWidget* parent = nullptr, CellRows* rows = nullptr);
    ~CellListCtrl() override;

    CellListModel& cells() { return *m_model; }
    const CellListModel& cells() const { return *m_model; }
    CXHeaderCtrl& headerCtrl() { return *m_header; }
    CellListDelegate& delegate() { return *m_delegate; }

    // Inserts a column; width -1 keeps the header's default. Returns its index or -1.
    int insertColumn(int column, const QString& caption, Qt::Alignment alignment = Qt::AlignLeft,
                     int width = -1);
    bool deleteColumn(int column) { return m_model->deleteColumn(column); }

    int insertRow(int row, const QString& text) { return m_model->insertRow(row, text); }
    int deleteRow(int row) { return m_model->deleteRow(row); }
    int setItemText(int row, int column, const QString& text) {
        return m_model->setItemText(row, column, text);
    }
    QString itemText(int row, int column) const { return m_model->itemText(row, column); }
    int setCheck(int row, int column, int state) { return m_model->setCheck(row, column, state); }
    int getCheck(int row, int column) const { return m_model->check(row, column); }
    int setProgress(int row, int column, bool showText = true, const QString& format = {}) {
        return m_model->setProgress(row, column, showText, format);
    }
    void updateProgress(int row, int column, int percent) { m_model->updateProgress(row, column, percent); }
    void clearProgress(int row, int column) { m_model->clearProgress(row, column); }
    void* getItemData(int row) const { return m_model->itemData(row); }
    int setItemData(int row, void* data) { return m_model->setItemData(row, data); }

    // The first selected row, or -1.
    int getSelectedRow() const;
    // Selects a row and makes it current; false for a row that does not exist.
    bool selectRow(int row);

    // Receives the local paths of files dropped on the list, in drop order.
    void installDropHandler(DropHandler handler) { m_dropHandler = std::move(handler); }

Q_SIGNALS:
    // A click toggled the check box of a cell.
    void checkBoxClicked(int row, int column);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Toggles the box of a cell when it has one and tells the owner. True when it toggled.
    bool toggleCheck(int row, int column);

    CellListModel* m_model = nullptr;
    CellListDelegate* m_delegate = nullptr;
    CXHeaderCtrl* m_header = nullptr;
    DropHandler m_dropHandler;
};

// The local file paths among the URLs of a drag, in their order.
QStringList localFilePaths(const QList<QUrl>& urls);

} // namespace morvane::widgets
