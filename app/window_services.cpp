#include "app/window_services.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

#include <algorithm>

namespace morvane::app {

QString breakableText(const QString& text, int longestRun) {
    constexpr QChar kBreak(0x200B); // zero-width space: a place to break, nothing to see
    const qsizetype step = std::max(longestRun / 2, 1);
    QString shown;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && !text[end].isSpace()) {
            ++end;
        }
        const QStringView run = QStringView(text).mid(start, end - start);
        if (run.size() <= longestRun) {
            shown += run;
        } else {
            qsizetype sinceBreak = 0;
            for (qsizetype i = 0; i < run.size(); ++i) {
                shown += run[i];
                if (i + 1 < run.size() && (run[i] == QLatin1Char('/') || ++sinceBreak >= step)) {
                    shown += kBreak;
                    sinceBreak = 0;
                }
            }
        }
        if (end < text.size()) {
            shown += text[end];
        }
        start = end + 1;
    }
    return shown;
}

MessageAnswer MessageBoxPrompts::ask(const Message& message) {
    QMessageBox box(m_owner);
    // Plain text: a path or a name may hold "<" and must not be taken for markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(breakableText(QString::fromStdString(message.text)));
    QString caption = QString::fromStdString(shownCaption(message.caption));
    if (caption.isEmpty() && m_owner != nullptr) {
        caption = m_owner->window()->windowTitle();
    }
    box.setWindowTitle(caption);
    switch (message.icon) {
    case MessageIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MessageIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MessageIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageIcon::Stop:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    if (message.buttons == MessageButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.button(QMessageBox::Yes)->setText(QCoreApplication::translate("Message", "&Yes"));
        box.button(QMessageBox::No)->setText(QCoreApplication::translate("Message", "&No"));
        return box.exec() == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.button(QMessageBox::Ok)->setText(QCoreApplication::translate("Message", "OK"));
    box.exec();
    return MessageAnswer::Ok;
}

std::optional<std::vector<std::string>> QtFileDialogs::openFiles(QWidget* owner,
                                                                 const std::vector<std::string>& filters,
                                                                 const std::string& startFolder) {
    QStringList filterList;
    for (const auto& filter : filters) {
        filterList << QString::fromStdString(filter);
    }
    QFileDialog dialog(owner);
    if (!startFolder.empty()) {
        dialog.setDirectory(QString::fromStdString(startFolder));
    }
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setNameFilters(filterList);
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    std::vector<std::string> paths;
    for (const auto& file : dialog.selectedFiles()) {
        paths.push_back(QDir::toNativeSeparators(file).toStdString());
    }
    return paths;
}

std::optional<std::string> QtFileDialogs::browseFolder(QWidget* owner, const std::string& title,
                                                       const std::string& startFolder) {
    const QString folder = QFileDialog::getExistingDirectory(owner, QString::fromStdString(title),
                                                             QString::fromStdString(startFolder));
    if (folder.isEmpty()) {
        return std::nullopt;
    }
    return QDir::toNativeSeparators(folder).toStdString();
}

} // namespace morvane::app
