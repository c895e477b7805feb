#pragma once

#include <QDialog>

#include <string>

namespace morvane::app {

class DesktopOpener;
class UserPrompts;

// The maker's web pages behind the About box's links.
inline constexpr const char* kHomePageAddress = "https://www.norvik-software.com/";
inline constexpr const char* kSupportPageAddress = "https://www.norvik-software.com/support/";
inline constexpr const char* kDownloadPageAddress = "https://www.norvik-software.com/download/";

// "About": the product name, "Version %s" and the links to the maker's pages, opened through
// `opener`. A link that does not open says why through `prompts` (a message box of its own when
// none is given).
class AboutDialog final : public QDialog {
    Q_OBJECT

public:
    AboutDialog(const std::string& productName, const std::string& version, DesktopOpener& opener,
                QWidget* parent = nullptr, UserPrompts* prompts = nullptr);

private:
    DesktopOpener& m_opener;
};

} // namespace morvane::app
