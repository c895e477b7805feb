// The widget gallery: `morvane-widgets [--page N]` opens with tab N (from 0) showing.
#include <QApplication>
#include <QStringList>
#include <QTabWidget>

#include "examples/widget_gallery/gallery_pages.h"
#include "resources/resources.h"

namespace {

struct Page {
    const char* title;
    QWidget* (*build)();
};

const Page kPages[] = {
    {"File list", &morvane::gallery::buildListPage},
    {"Image buttons", &morvane::gallery::buildButtonPage},
    {"Hyperlinks", &morvane::gallery::buildLinkPage},
    {"Option tree", &morvane::gallery::buildOptionTreePage},
    {"Range slider", &morvane::gallery::buildRangeSliderPage},
};

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    morvane::resources::initialise();
    QTabWidget tabs;
    tabs.setWindowTitle(QStringLiteral("Morvane widgets"));
    for (const Page& page : kPages) {
        tabs.addTab(page.build(), QString::fromUtf8(page.title));
    }
    const QStringList arguments = QApplication::arguments();
    const qsizetype at = arguments.indexOf(QStringLiteral("--page"));
    if (at >= 0 && at + 1 < arguments.size()) {
        tabs.setCurrentIndex(arguments.at(at + 1).toInt());
    }
    tabs.resize(760, 460);
    tabs.show();
    return QApplication::exec();
}
