#pragma once

#include <QBasicTimer>
#include <QColor>
#include <QLabel>

#include <functional>

namespace morvane::widgets {

// The message for an open that failed with a shell error code: "Unable to open hyperlink:\n\n"
// followed by the code's text.
QString hyperlinkErrorText(int code);

// Opens an address with the desktop's program for it. Returns a value above 32 on success, else an
// error code of the kind hyperlinkErrorText explains.
using LinkOpener = std::function<int(const QString& address)>;
// The desktop's opener: a local file or folder that does not exist gives 2 (3 when its folder is
// missing too), an address nothing opens gives 31.
int openWithDesktop(const QString& address);

// A static text that behaves like a web link: coloured, underlined while the pointer is over it
// (by default), a hand cursor, and a click opens its address. A failed open beeps and shows the
// reason; a successful one turns the link to its visited colour. Tab reaches it and Enter or Space
// opens it, as a click does.
class HyperlinkStatic final : public QLabel {
    Q_OBJECT

public:
    enum Underline { UnderlineHover = -1, UnderlineNever = 0, UnderlineAlways = 1 };

    // An empty address is taken from the text, an empty text from the address.
    explicit HyperlinkStatic(const QString& text = {}, const QString& address = {},
                             QWidget* parent = nullptr);

    void setAddress(const QString& address);
    const QString& address() const { return m_address; }
    void setUnderline(int mode);
    int underline() const { return m_underline; }
    void setColors(const QColor& link, const QColor& visited, const QColor& hover);
    void setFitToText(bool fit);

    bool isHovered() const { return m_hovered; }
    bool isVisited() const { return m_visited; }
    // The colour the text is drawn in now.
    QColor currentColor() const;

    // Tests and programs replace how the address is opened and how a failure is told.
    void setOpener(LinkOpener opener) { m_opener = std::move(opener); }
    void setErrorReporter(std::function<void(const QString& message)> reporter) {
        m_reportError = std::move(reporter);
    }

    // What a click does: opens the address; true on success.
    bool open();

    // How often the pointer is looked for once it is over the link.
    static constexpr int kHoverPollMs = 100;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void fitToText();
    void applyFont();
    void setHovered(bool hovered);

    QColor m_linkColor{0, 0, 238};
    QColor m_visitedColor{85, 26, 139};
    QColor m_hoverColor{255, 0, 0};
    bool m_hovered = false;
    bool m_visited = false;
    int m_underline = UnderlineHover;
    bool m_fitToText = true;
    QString m_address;
    QBasicTimer m_hoverTimer;
    LinkOpener m_opener;
    std::function<void(const QString&)> m_reportError;
};

} // namespace morvane::widgets
