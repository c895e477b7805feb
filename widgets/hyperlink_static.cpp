#include "widgets/hyperlink_static.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>
#include <QTimerEvent>
#include <QUrl>

namespace morvane::widgets {

namespace {

QString shellErrorMessage(int code) {
    switch (code) {
    case 0:
        return QCoreApplication::translate("HyperlinkStatic",
                                           "The operating system is out\nof memory or resources.");
    case 2:
        return QCoreApplication::translate("HyperlinkStatic", "The specified file was not found.");
    case 3:
        return QCoreApplication::translate("HyperlinkStatic", "The specified path was not found.");
    case 5:
        return QCoreApplication::translate("HyperlinkStatic",
                                           "The operating system denied\naccess to the specified file.");
    case 8:
        return QCoreApplication::translate("HyperlinkStatic",
                                           "There was not enough memory to complete the operation.");
    case 11:
        return QCoreApplication::translate(
            "HyperlinkStatic", "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).");
    case 26:
        return QCoreApplication::translate("HyperlinkStatic", "A sharing violation occurred. ");
    case 27:
        return QCoreApplication::translate("HyperlinkStatic",
                                           "The filename association is\nincomplete or invalid.");
    case 28:
        return QCoreApplication::translate(
            "HyperlinkStatic", "The DDE transaction could not\nbe completed because the request timed out.");
    case 29:
        return QCoreApplication::translate("HyperlinkStatic", "The DDE transaction failed.");
    case 30:
        return QCoreApplication::translate(
            "HyperlinkStatic",
            "The DDE transaction could not\nbe completed because other DDE transactions\nwere "
            "being processed.");
    case 31:
        return QCoreApplication::translate(
            "HyperlinkStatic", "There is no application associated\nwith the given filename extension.");
    case 32:
        return QCoreApplication::translate("HyperlinkStatic",
                                           "The specified dynamic-link library was not found.");
    default:
        return QCoreApplication::translate("HyperlinkStatic", "Unknown Error (%1) occurred.").arg(code);
    }
}

constexpr int kOpened = 33;

} // namespace

QString hyperlinkErrorText(int code) {
    return QCoreApplication::translate("HyperlinkStatic", "Unable to open hyperlink:\n\n") +
           shellErrorMessage(code);
}

int openWithDesktop(const QString& address) {
    const QUrl url = QUrl::fromUserInput(address, QDir::currentPath(), QUrl::AssumeLocalFile);
    if (!url.isValid()) {
        return 2;
    }
    if (url.isLocalFile()) {
        const QFileInfo file(url.toLocalFile());
        if (!file.exists()) {
            return file.dir().exists() ? 2 : 3;
        }
    }
    return QDesktopServices::openUrl(url) ? kOpened : 31;
}

HyperlinkStatic::HyperlinkStatic(const QString& text, const QString& address, QWidget* parent)
    : QLabel(text.isEmpty() ? address : text, parent), m_address(address.isEmpty() ? text : address),
      m_opener(&openWithDesktop), m_reportError([this](const QString& message) {
          QMessageBox box(QMessageBox::Warning, window()->windowTitle(), message, QMessageBox::Ok, this);
          box.exec();
      }) {
    setMouseTracking(true);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setToolTip(m_address);
    applyFont();
    fitToText();
}

void HyperlinkStatic::setAddress(const QString& address) {
    m_address = address;
    if (text().isEmpty()) {
        setText(address);
    }
    setToolTip(address);
    fitToText();
}

void HyperlinkStatic::setUnderline(int mode) {
    if (mode < UnderlineHover || mode > UnderlineAlways) {
        return;
    }
    m_underline = mode;
    applyFont();
    update();
}

void HyperlinkStatic::setColors(const QColor& link, const QColor& visited, const QColor& hover) {
    m_linkColor = link;
    m_visitedColor = visited;
    m_hoverColor = hover;
    update();
}

void HyperlinkStatic::setFitToText(bool fit) {
    m_fitToText = fit;
    fitToText();
}

QColor HyperlinkStatic::currentColor() const {
    if (m_hovered) {
        return m_hoverColor;
    }
    return m_visited ? m_visitedColor : m_linkColor;
}

void HyperlinkStatic::applyFont() {
    QFont f = font();
    f.setUnderline(m_underline == UnderlineAlways || (m_underline == UnderlineHover && m_hovered));
    if (f != font()) {
        setFont(f);
    }
}

void HyperlinkStatic::fitToText() {
    if (!m_fitToText) {
        return;
    }
    const QSize wanted = fontMetrics().size(Qt::TextSingleLine, text()) + QSize(2 * margin(), 2 * margin());
    QRect r = geometry();
    // Keep the text where its alignment puts it.
    const Qt::Alignment a = alignment();
    if (a & Qt::AlignHCenter) {
        r.setX(r.x() + (r.width() - wanted.width()) / 2);
    } else if (a & Qt::AlignRight) {
        r.setX(r.x() + r.width() - wanted.width());
    }
    if (a & Qt::AlignVCenter) {
        r.setY(r.y() + (r.height() - wanted.height()) / 2);
    }
    r.setSize(wanted);
    setGeometry(r);
}

void HyperlinkStatic::setHovered(bool hovered) {
    if (m_hovered == hovered) {
        return;
    }
    m_hovered = hovered;
    applyFont();
    if (hovered) {
        m_hoverTimer.start(kHoverPollMs, this);
    } else {
        m_hoverTimer.stop();
    }
    update();
}

void HyperlinkStatic::mouseMoveEvent(QMouseEvent* event) {
    setHovered(true);
    QLabel::mouseMoveEvent(event);
}

void HyperlinkStatic::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_hoverTimer.timerId()) {
        QLabel::timerEvent(event);
        return;
    }
    if (!rect().contains(mapFromGlobal(QCursor::pos()))) {
        setHovered(false);
    }
}

void HyperlinkStatic::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        open();
    }
    QLabel::mouseReleaseEvent(event);
}

void HyperlinkStatic::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        open();
        event->accept();
        return;
    default:
        QLabel::keyPressEvent(event);
    }
}

bool HyperlinkStatic::open() {
    if (m_address.isEmpty()) {
        return false;
    }
    setHovered(false);
    const int result = m_opener ? m_opener(m_address) : 31;
    if (result > 32) {
        m_visited = true;
        update();
        return true;
    }
    QApplication::beep();
    if (m_reportError) {
        m_reportError(hyperlinkErrorText(result));
    }
    return false;
}

void HyperlinkStatic::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        fitToText();
    }
}

void HyperlinkStatic::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setFont(font());
    p.setPen(currentColor());
    p.drawText(contentsRect().adjusted(margin(), margin(), -margin(), -margin()),
               alignment() | Qt::TextSingleLine, text());
}

} // namespace morvane::widgets
