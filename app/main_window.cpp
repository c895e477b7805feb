#include "app/main_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QStandardPaths>

#include "app/batch_driver.h"
#include "app/encoder_factory.h"
#include "engine/quillon_media_cntl.h"
#include "engine/trace_file.h"
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

MainWindow::~MainWindow() {
    if (m_facade) {
        m_facade->Release();
    }
}

void MainWindow::createControls() {
    setObjectName(QStringLiteral("mainWindow"));
    m_profileLabel = new QLabel(QStringLiteral("Profile:"), this);
    m_profileLabel->setGeometry(widgets::dialogRect(*this, 10, 197, 23, 10));
    m_outputLabel = new QLabel(QStringLiteral("Output:"), this);
    m_outputLabel->setGeometry(widgets::dialogRect(*this, 10, 213, 25, 10));
    m_outputEdit = new QLineEdit(this);
    m_outputEdit->setObjectName(QStringLiteral("outputEdit"));
    m_outputEdit->setGeometry(widgets::dialogRect(*this, 37, 211, 149, 12));
    m_profileCombo = new QComboBox(this);
    m_profileCombo->setObjectName(QStringLiteral("profileCombo"));
    m_profileCombo->setGeometry(widgets::dialogRect(*this, 36, 194, 248, 12));
    m_shutdownCheck = new QCheckBox(QStringLiteral("Shutdown PC when finished."), this);
    m_shutdownCheck->setObjectName(QStringLiteral("shutdownCheck"));
    m_shutdownCheck->setGeometry(widgets::dialogRect(*this, 9, 235, 106, 8));
    m_openFolderCheck = new QCheckBox(QStringLiteral("Auto open the output folder when finished."), this);
    m_openFolderCheck->setObjectName(QStringLiteral("openFolderCheck"));
    m_openFolderCheck->setGeometry(widgets::dialogRect(*this, 142, 235, 145, 8));
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
    presetCompletionChoices();
    initialiseEngine();
    fillProfileList();
    openTrace();
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

void MainWindow::presetCompletionChoices() {
    m_shutdownCheck->setChecked(m_shutdownWhenDone);
    m_openFolderCheck->setChecked(true);
}

void MainWindow::initialiseEngine() {
    m_record = engine::EncoderInitRecord{};
    m_record.forceFrameServer = 0;
    // The batch driver takes this callback's user data when it is created for the window.
    m_record.callback = &BatchDriver::progressCallback;
    m_record.userData = nullptr;
    m_record.kind = engine::EncoderKind::Converter;
    m_record.programDirectory = m_programDirectory;
    m_facade = std::make_unique<engine::CQuillonMediaCntl>(programEncoderFactory());
    m_facade->Init(&m_record);
}

void MainWindow::fillProfileList() {
    m_catalogue.scan(profiles::ProfileCatalogue::folderOf(m_programDirectory), m_settings.configPath);
    const QSignalBlocker blocker(m_profileCombo);
    m_profileCombo->clear();
    for (const auto& name : m_catalogue.names()) {
        m_profileCombo->addItem(QString::fromStdString(name));
    }
    m_profileCombo->setCurrentIndex(m_catalogue.currentIndex());
    m_currentProfileName = m_catalogue.currentName();
    connect(m_profileCombo, &QComboBox::currentIndexChanged, this, &MainWindow::selectProfile);
}

void MainWindow::selectProfile(int index) {
    m_catalogue.selectProfile(index, m_settings.configPath);
    m_currentProfileName = m_catalogue.currentName();
}

void MainWindow::openTrace() {
    engine::openTraceFile();
}

QString MainWindow::outputText() const {
    return m_outputEdit->text();
}

} // namespace morvane::app
