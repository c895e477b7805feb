#pragma once

#include <QDialog>

#include <string>

#include "app/app_settings.h"

class QLineEdit;
class QLabel;

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

private:
    void createControls();
    // The opening steps, in the order the window performs them.
    void initialise();
    void setIcons();
    void readConfiguration();
    void setTitle();
    void showOutputFolder();

    std::string m_programDirectory;
    AppSettings m_settings;
    QLabel* m_profileLabel = nullptr;
    QLabel* m_outputLabel = nullptr;
    QLineEdit* m_outputEdit = nullptr;
};

// The platform's default output folder: the user's Videos folder, else /tmp.
std::string defaultOutputFolder();

} // namespace morvane::app
