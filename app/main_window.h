#pragma once

#include <QDialog>

#include <memory>
#include <string>

#include "app/app_settings.h"
#include "engine/conversion_job.h"
#include "profiles/profile_catalogue.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QLabel;

namespace morvane::engine {
class CQuillonMediaCntl;
} // namespace morvane::engine

namespace morvane::app {

// The program's only top-level window.
class MainWindow final : public QDialog {
    Q_OBJECT

public:
    // `programDirectory` ends with "/"; every file of the program is found from it.
    explicit MainWindow(std::string programDirectory, QWidget* parent = nullptr);
    ~MainWindow() override;

    const AppSettings& settings() const { return m_settings; }
    QString outputText() const;
    const profiles::ProfileCatalogue& catalogue() const { return m_catalogue; }
    const std::string& currentProfileName() const { return m_currentProfileName; }
    engine::CQuillonMediaCntl& facade() { return *m_facade; }

private:
    void createControls();
    // The opening steps, in the order the window performs them.
    void initialise();
    void setIcons();
    void readConfiguration();
    void setTitle();
    void showOutputFolder();
    void presetCompletionChoices();
    void initialiseEngine();
    void fillProfileList();
    void openTrace();

    void selectProfile(int index);

    std::string m_programDirectory;
    AppSettings m_settings;
    // Lives as long as the window; the engine is released when the window goes.
    std::unique_ptr<engine::CQuillonMediaCntl> m_facade;
    engine::EncoderInitRecord m_record;
    profiles::ProfileCatalogue m_catalogue;
    std::string m_currentProfileName;
    // Kept for the run only, never stored.
    bool m_shutdownWhenDone = false;

    QLabel* m_profileLabel = nullptr;
    QComboBox* m_profileCombo = nullptr;
    QLabel* m_outputLabel = nullptr;
    QLineEdit* m_outputEdit = nullptr;
    QCheckBox* m_shutdownCheck = nullptr;
    QCheckBox* m_openFolderCheck = nullptr;
};

// The platform's default output folder: the user's Videos folder, else /tmp.
std::string defaultOutputFolder();

} // namespace morvane::app
