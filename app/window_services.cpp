#include "app/window_services.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace morvane::app {

MessageAnswer MessageBoxPrompts::ask(const Message& message) {
    QMessageBox box(m_owner);
    box.setText(QString::fromStdString(message.text));
    box.setWindowTitle(QString::fromStdString(message.caption));
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
        return box.exec() == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MessageAnswer::Ok;
}

std::optional<std::vector<std::string>> QtFileDialogs::openFiles(QWidget* owner,
                                                                 const std::vector<std::string>& filters) {
    QStringList filterList;
    for (const auto& filter : filters) {
        filterList << QString::fromStdString(filter);
    }
    QFileDialog dialog(owner);
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

std::optional<std::string> QtFileDialogs::browseFolder(QWidget* owner, const std::string& title) {
    const QString folder = QFileDialog::getExistingDirectory(owner, QString::fromStdString(title));
    if (folder.isEmpty()) {
        return std::nullopt;
    }
    return QDir::toNativeSeparators(folder).toStdString();
}

} // namespace morvane::app
