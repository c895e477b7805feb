#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/batch_view.h"

class QString;
class QWidget;

namespace morvane::app {

// The platform's file dialogs, injectable so that tests answer them.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // The files the user chose (several, in the dialog's order), or nothing when cancelled. The
    // dialog opens in `startFolder`, or where it likes when that is empty.
    virtual std::optional<std::vector<std::string>>
    openFiles(QWidget* owner, const std::vector<std::string>& filters, const std::string& startFolder) = 0;
    // The folder the user confirmed, or nothing when cancelled; the browser opens in `startFolder`.
    virtual std::optional<std::string> browseFolder(QWidget* owner, const std::string& title,
                                                    const std::string& startFolder) = 0;
};

// A message's text as a box shows it: a run of more than `longestRun` characters without a blank (a
// long path) gets invisible break opportunities after its separators and, where none comes soon
// enough, within it, so that the box wraps it instead of cutting it off at its edge.
QString breakableText(const QString& text, int longestRun = 60);

// Modal message boxes owned by a window.
// A message without a caption takes the title of the owner's window (the program's own title), not
// whatever the window manager would put in an empty one.
class MessageBoxPrompts final : public UserPrompts {
public:
    explicit MessageBoxPrompts(QWidget* owner) : m_owner(owner) {}
    MessageAnswer ask(const Message& message) override;

private:
    QWidget* m_owner = nullptr;
};

class QtFileDialogs final : public FileDialogs {
public:
    std::optional<std::vector<std::string>> openFiles(QWidget* owner, const std::vector<std::string>& filters,
                                                      const std::string& startFolder) override;
    std::optional<std::string> browseFolder(QWidget* owner, const std::string& title,
                                            const std::string& startFolder) override;
};

} // namespace morvane::app
