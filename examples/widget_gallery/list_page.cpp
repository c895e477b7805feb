// The file list: check boxes with the check-all header, progress bars, coloured and bold cells, a
// disabled row, and drops of files from a file manager.
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <array>

#include "examples/widget_gallery/gallery_pages.h"
#include "widgets/cell_geometry.h"
#include "widgets/cell_list_ctrl.h"
#include "widgets/picture.h"
#include "widgets/x_header_ctrl.h"

namespace morvane::gallery {

using widgets::CellListCtrl;
using widgets::CellListModel;

namespace {

struct Row {
    const char* file;
    const char* target;
    const char* end;
    const char* status;
    bool checked;
};

constexpr std::array<Row, 6> kRows{{
    {"holiday.mov", "MP4", "00:03:25", "Ready", true},
    {"lecture part 1.avi", "FLV", "01:12:40", "", true},
    {"interview.wmv", "iPod", "00:24:02", "", true},
    {"trailer.mp4", "AVI", "00:02:11", "Completed", false},
    {"broken.rm", "WMV", "00:00:31", "Fail", true},
    {"locked.mpg", "PSP", "00:10:00", "Ready", true},
}};

void addRow(CellListCtrl& list, const QString& file, const QString& target, const QString& end,
            const QString& status, bool checked) {
    const int row = list.insertRow(list.cells().rowCount(), QString());
    list.setCheck(row, 0, checked ? 1 : 0);
    list.setItemText(row, 1, file);
    list.setItemText(row, 2, target);
    list.setItemText(row, 3, QStringLiteral("00:00:00"));
    list.setItemText(row, 4, end);
    list.setItemText(row, 5, status);
}

} // namespace

QWidget* buildListPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* list = new CellListCtrl(page);
    list->setMinimumHeight(220);
    list->headerCtrl().setImages(widgets::loadPictureStrip(130, 16, list->devicePixelRatioF()));

    // The main window's six columns, sized from the list's width.
    const std::array<int, 5> shares{3, 20, 8, 6, 6};
    const std::vector<int> widths = widgets::columnWidthsByShare(702, shares, 64);
    const std::array<const char*, 6> captions{"", "Video File", "Target", "Start", "End", "Status"};
    for (int c = 0; c < 6; ++c) {
        list->insertColumn(c, QString::fromUtf8(captions[static_cast<std::size_t>(c)]),
                           c == 1 ? Qt::AlignLeft : Qt::AlignHCenter, widths[static_cast<std::size_t>(c)]);
    }
    list->cells().setHeaderCheck(0, CellListModel::HeaderUnchecked);
    for (const Row& row : kRows) {
        addRow(*list, QString::fromUtf8(row.file), QString::fromUtf8(row.target), QString::fromUtf8(row.end),
               QString::fromUtf8(row.status), row.checked);
    }
    list->setProgress(1, 5);
    list->updateProgress(1, 5, 50);
    list->setProgress(2, 5);
    list->cells().setItemColors(4, 5, QColor(176, 32, 32), QColor());
    list->cells().setBold(4, 5, true);
    list->cells().setRowEnabled(5, false);
    list->selectRow(1);
    list->horizontalHeader()->setStretchLastSection(true);
    list->setFocus();

    auto* log = new QLabel(QStringLiteral("Click a box, the header box, or drop files on the list."), page);
    QObject::connect(list, &CellListCtrl::checkBoxClicked, log, [log](int row, int column) {
        log->setText(QStringLiteral("checkBoxClicked(%1, %2)").arg(row).arg(column));
    });
    list->installDropHandler([list, log](const QStringList& paths) {
        for (const QString& path : paths) {
            addRow(*list, QFileInfo(path).fileName(), QStringLiteral("MP4"), QStringLiteral("00:00:00"),
                   QStringLiteral("Ready"), true);
        }
        log->setText(QStringLiteral("Dropped %1 file(s)").arg(paths.size()));
    });

    auto* run = new QPushButton(QStringLiteral("Run progress"), page);
    run->setCheckable(true);
    auto* timer = new QTimer(page);
    timer->setInterval(80);
    QObject::connect(timer, &QTimer::timeout, list, [list] {
        const int percent = list->cells().cell(1, 5).percent;
        list->updateProgress(1, 5, percent >= 100 ? 0 : percent + 1);
    });
    QObject::connect(run, &QPushButton::toggled, timer,
                     [timer](bool on) { on ? timer->start() : timer->stop(); });

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(log, 1);
    bottom->addWidget(run);
    layout->addWidget(list, 1);
    layout->addLayout(bottom);
    return page;
}

} // namespace morvane::gallery
