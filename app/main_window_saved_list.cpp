// The main window's list kept on disk between runs (app/list_keeper.h).
#include "app/list_keeper.h"
#include "app/main_window.h"

#include "app/file_list_controller.h"
#include "platform/user_files.h"
#include "widgets/cell_list_ctrl.h"

namespace morvane::app {

void MainWindow::startListKeeping() {
    m_keepList = readKeepList(m_settings.configPath);
    m_listKeeper =
        std::make_unique<ListKeeper>(m_files, platform::userFilePlaces(m_programDirectory).listFile);
    appendRestoredRows(m_listKeeper->rowsToRestore(*m_prompts));
    m_listKeeper->watch(m_list->cells());
}

void MainWindow::appendRestoredRows(std::vector<FileRow> rows) {
    if (rows.empty()) {
        return;
    }
    if (!m_columnsPresent) {
        m_rows->showColumnsLook();
    }
    const int first = m_files.rowCount();
    const int last = first + static_cast<int>(rows.size()) - 1;
    m_list->cells().insertRowsWith(first, last, [&] {
        for (auto& row : rows) {
            m_files.appendRow(std::move(row));
        }
    });
}

void MainWindow::finishListKeeping() {
    if (m_listKeeper) {
        m_listKeeper->closeCleanly(m_keepList);
        m_listKeeper.reset();
    }
}

} // namespace morvane::app
