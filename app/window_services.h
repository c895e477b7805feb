#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/batch_view.h"

#include <QPointer>

class QMessageBox;
class QString;
class QWidget;

namespace morvane::app {

// The platform's file dialogs, injectable so that tests answer them.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // The files the user chose (several, in the dialog's order), or nothing when cancelled.
    virtual std::optional<std::vector<std::string>> openFiles(QWidget* owner,
                                                              const std::vector<std::string>& filters) = 0;
    // The folder the user confirmed, or nothing when cancelled.
    virtual std::optional<std::string> browseFolder(QWidget* owner, const std::string& title) = 0;
};

// A message's text as a box shows it: a run of more than `longestRun` characters without a blank (a
// long path) gets invisible break opportunities after its separators and, where none comes soon
// enough, within it, so that the box wraps it instead of cutting it off at its edge.
QString breakableText(const QString& text, int longestRun = 60);

// Modal message boxes owned by a window.
// A shutdown countdown shows its seconds going down and answers Yes when they have run out.
class MessageBoxPrompts final : public UserPrompts {
public:
    explicit MessageBoxPrompts(QWidget* owner) : m_owner(owner) {}
    MessageAnswer ask(const Message& message) override;
    void dismissOpenQuestion() override;

private:
    MessageAnswer countdown(QMessageBox& box, int seconds);

    QWidget* m_owner = nullptr;
    QPointer<QMessageBox> m_openQuestion; // the Yes/No box being asked, if one is
};

class QtFileDialogs final : public FileDialogs {
public:
    std::optional<std::vector<std::string>> openFiles(QWidget* owner,
                                                      const std::vector<std::string>& filters) override;
    std::optional<std::string> browseFolder(QWidget* owner, const std::string& title) override;
};

} // namespace morvane::app
