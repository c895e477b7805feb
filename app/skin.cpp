#include "app/skin.h"

#include <QApplication>
#include <QFile>

namespace morvane::app {

bool applySkin(QApplication& application, const std::string& skinFile) {
    QFile file(QString::fromStdString(skinFile));
    // A missing or unreadable skin leaves the platform's look.
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    constexpr qint64 kLargestSkin = 4 * 1024 * 1024;
    if (file.size() > kLargestSkin) {
        return false;
    }
    application.setStyleSheet(QString::fromUtf8(file.readAll()));
    return true;
}

void shutdownSkin(QApplication& application) {
    application.setStyleSheet(QString());
}

} // namespace morvane::app
