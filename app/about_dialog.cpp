#include "app/about_dialog.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

#include <array>
#include <vector>

#include "app/batch_view.h"
#include "app/desktop_actions.h"
#include "platform/translation.h"
#include "widgets/dialog_template.h"
#include "widgets/hyperlink_static.h"

namespace morvane::app {

namespace {

using widgets::ControlKind;
using widgets::DialogControl;

constexpr int kWidthUnits = 242;
constexpr int kHeightUnits = 179;

struct Link {
    int id;
    const char* text;
    const char* address;
};

constexpr std::array<Link, 3> kLinks{{
    {1059, QT_TRANSLATE_NOOP("AboutDialog", "Norvik Software Homepage"), kHomePageAddress},
    {1060, QT_TRANSLATE_NOOP("AboutDialog", "Technical Support"), kSupportPageAddress},
    {1061, QT_TRANSLATE_NOOP("AboutDialog", "Check Update"), kDownloadPageAddress},
}};

constexpr std::array<DialogControl, 8> kControls{{
    {0, ControlKind::Picture, ":/res/128.svg", {14, 14, 21, 20}, "icon"},
    {1031, ControlKind::Label, nullptr, {48, 15, 180, 10}, "productName"},
    {1030, ControlKind::Label, nullptr, {48, 29, 180, 10}, "version"},
    {0, ControlKind::GroupBox, nullptr, {14, 52, 214, 90}, "frame"},
    {1059, ControlKind::Custom, nullptr, {34, 68, 150, 10}, "homePageLink"},
    {1060, ControlKind::Custom, nullptr, {34, 90, 150, 10}, "supportLink"},
    {1061, ControlKind::Custom, nullptr, {34, 112, 150, 10}, "updateLink"},
    {1, ControlKind::DefaultPushButton, QT_TRANSLATE_NOOP("Dialog", "OK"), {178, 154, 50, 14}, "okButton"},
}};

// What the links' opener answers, in the shell's terms the link understands.
constexpr int kOpened = 33;
constexpr int kNoProgramForIt = 31;

} // namespace

AboutDialog::AboutDialog(const std::string& productName, const std::string& version, DesktopOpener& opener,
                         QWidget* parent, UserPrompts* prompts)
    : QDialog(parent), m_opener(opener) {
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowTitle(QCoreApplication::translate("AboutDialog", "About"));

    std::vector<widgets::HyperlinkStatic*> links;
    widgets::createDialogControls(*this, kControls, [&](const DialogControl& control, QWidget& dialog) {
        widgets::HyperlinkStatic* created = nullptr;
        for (const auto& link : kLinks) {
            if (link.id == control.id) {
                created = new widgets::HyperlinkStatic(QCoreApplication::translate("AboutDialog", link.text),
                                                       QString::fromUtf8(link.address), &dialog);
                created->setOpener([this](const QString& address) {
                    return m_opener.openUrl(QUrl(address)) ? kOpened : kNoProgramForIt;
                });
                if (prompts) {
                    created->setErrorReporter([prompts](const QString& message) {
                        prompts->ask(Message{message.toStdString(), "Warning", MessageIcon::Warning,
                                             MessageButtons::Ok});
                    });
                }
                links.push_back(created);
            }
        }
        return created;
    });
    // Placed in their template rectangles, the links fit themselves to their texts again, so that
    // only the text is clickable.
    for (auto* link : links) {
        link->setFitToText(true);
    }
    auto* name = findChild<QLabel*>(QStringLiteral("productName"));
    auto* versionLabel = findChild<QLabel*>(QStringLiteral("version"));
    name->setTextFormat(Qt::PlainText);
    versionLabel->setTextFormat(Qt::PlainText);
    name->setText(QString::fromStdString(productName));
    versionLabel->setText(
        QCoreApplication::translate("AboutDialog", "Version %1").arg(QString::fromStdString(version)));
    // The fields were placed empty: a long name or version widens its own field.
    for (auto* label : {name, versionLabel}) {
        label->resize(label->size().expandedTo(label->sizeHint()));
    }
    widgets::fixDialogSize(*this, kWidthUnits, kHeightUnits);
    auto* ok = findChild<QPushButton*>(QStringLiteral("okButton"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    // The box opens with OK, its default button, focused, so that Enter closes it; Tab goes on to
    // the links (Enter on a focused link opens it).
    QWidget* previous = ok;
    for (auto* link : links) {
        QWidget::setTabOrder(previous, link);
        previous = link;
    }
    ok->setFocus(Qt::OtherFocusReason);
}

} // namespace morvane::app
