#include "widgets/option_tree_info_pane.h"

#include <QCoreApplication>
#include <QPainter>

#include "widgets/option_tree.h"

namespace morvane::widgets {

OptionTreeInfoPane::OptionTreeInfoPane(OptionTree* tree) : QFrame(tree), m_tree(tree) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, colours.color(QPalette::Button));
    setPalette(colours);
}

void OptionTreeInfoPane::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QString title;
    QString text;
    if (const OptionTreeItem* item = m_tree->focusedItem()) {
        title = item->label();
        text = item->description();
    } else if ((m_tree->options() & kOptionTreeDefaultInfo) != 0) {
        title = QCoreApplication::translate("OptionTree", "No Item Selected");
        text = QCoreApplication::translate("OptionTree", "Select an item to see its description.");
    }
    QPainter painter(this);
    const QRect area = contentsRect().adjusted(4, 4, -4, -4);
    painter.setPen(isEnabled() ? palette().color(QPalette::ButtonText)
                               : palette().color(QPalette::Disabled, QPalette::Text));
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    const QFontMetrics boldMetrics(bold);
    painter.drawText(area, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     boldMetrics.elidedText(title, Qt::ElideRight, area.width()));
    painter.setFont(font());
    painter.drawText(area.adjusted(0, boldMetrics.height(), 0, 0),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
}

} // namespace morvane::widgets
