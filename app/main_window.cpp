#include "app/main_window.h"

#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QStandardPaths>

#include "widgets/dialog_units.h"

namespace morvane::app {

namespace {
// The window's size in dialog units.
constexpr int kDialogWidth = 436;
constexpr int kDialogHeight = 262;
} // namespace

std::string defaultOutputFolder() {
    const auto videos = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    return videos.isEmpty() ? std::string("/tmp") : videos.toStdString();
}

MainWindow::MainWindow(std::string programDirectory, QWidget* parent)
    : QDialog(parent), m_programDirectory(std::move(programDirectory)) {
    createControls();
    initialise();
}

MainWindow::~MainWindow() = default;

void MainWindow::createControls() {
    setObjectName(QStringLiteral("mainWindow"));
    m_profileLabel = new QLabel(QStringLiteral("Profile:"), this);
    m_profileLabel->setGeometry(widgets::dialogRect(*this, 10, 197, 23, 10));
    m_outputLabel = new QLabel(QStringLiteral("Output:"), this);
    m_outputLabel->setGeometry(widgets::dialogRect(*this, 10, 213, 25, 10));
    m_outputEdit = new QLineEdit(this);
    m_outputEdit->setObjectName(QStringLiteral("outputEdit"));
    m_outputEdit->setGeometry(widgets::dialogRect(*this, 37, 211, 149, 12));
    const QRect whole = widgets::dialogRect(*this, 0, 0, kDialogWidth, kDialogHeight);
    setFixedSize(whole.size());
}

void MainWindow::initialise() {
    // Order matters: the title and the Output box need the settings; the engine, the panel and
    // the profile list come after the settings as the window grows.
    setIcons();
    readConfiguration();
    setTitle();
    showOutputFolder();
}

void MainWindow::setIcons() {
    setWindowIcon(QIcon(QStringLiteral(":/res/128.svg")));
}

void MainWindow::readConfiguration() {
    m_settings = readSettings(configPathIn(m_programDirectory), defaultOutputFolder());
}

void MainWindow::setTitle() {
    setWindowTitle(QString::fromStdString(app::windowTitle(m_settings)));
}

void MainWindow::showOutputFolder() {
    m_outputEdit->setText(QString::fromStdString(m_settings.outputFolder));
}

QString MainWindow::outputText() const {
    return m_outputEdit->text();
}

} // namespace morvane::app
