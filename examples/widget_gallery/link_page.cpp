// Hyperlinks: the underline modes, a followed link, custom colours, and a link whose target is
// missing (a click shows the error message).
#include <QLabel>
#include <QVBoxLayout>

#include "examples/widget_gallery/gallery_pages.h"
#include "widgets/hyperlink_static.h"

namespace morvane::gallery {

using widgets::HyperlinkStatic;

QWidget* buildLinkPage() {
    auto* page = new QWidget;
    page->setAutoFillBackground(true);
    const auto place = [page](HyperlinkStatic* link, const char* note, int y) {
        link->move(24, y);
        auto* label = new QLabel(QString::fromUtf8(note), page);
        label->move(320, y);
        label->adjustSize();
    };
    auto* hover = new HyperlinkStatic(QStringLiteral("Underlined while the pointer is over it"),
                                      QStringLiteral("https://www.debian.org/"), page);
    place(hover, "underline -1 (the default)", 24);
    auto* always =
        new HyperlinkStatic(QStringLiteral("Always underlined"), QStringLiteral("https://www.qt.io/"), page);
    always->setUnderline(HyperlinkStatic::UnderlineAlways);
    place(always, "underline 1", 64);
    auto* never = new HyperlinkStatic(QStringLiteral("Never underlined"),
                                      QStringLiteral("https://www.kernel.org/"), page);
    never->setUnderline(HyperlinkStatic::UnderlineNever);
    place(never, "underline 0", 104);
    auto* visited =
        new HyperlinkStatic(QStringLiteral("A followed link"), QStringLiteral("https://www.gnu.org/"), page);
    visited->setOpener([](const QString&) { return 33; });
    visited->open();
    place(visited, "visited colour", 144);
    auto* colours =
        new HyperlinkStatic(QStringLiteral("Own colours"), QStringLiteral("https://www.videolan.org/"), page);
    colours->setColors(QColor(0, 128, 96), QColor(96, 96, 96), QColor(224, 112, 0));
    place(colours, "link, visited and hover colours set", 184);
    auto* missing = new HyperlinkStatic(QString(), QStringLiteral("/nonexistent/folder/guide.html"), page);
    place(missing, "empty text shows the address; click: missing target", 224);
    return page;
}

} // namespace morvane::gallery
