#pragma once

#include <optional>
#include <string>

#include "engine/conversion_job.h"
#include "platform/translation.h"

namespace morvane::app {

enum class MessageIcon { None, Information, Warning, Stop };
// ShutdownCountdown: "Shut down now" (Yes) and "Cancel" (No); the box answers Yes by itself when its
// countdown has run out.
enum class MessageButtons { Ok, YesNo, ShutdownCountdown };
enum class MessageAnswer { Ok, Yes, No };

// The captions messages are given with, marked for the catalogues; shownCaption() gives a caption in
// the user's language.
inline constexpr const char* kMessageCaptions[] = {
    QT_TRANSLATE_NOOP("Message", "Error"),     QT_TRANSLATE_NOOP("Message", "Warning"),
    QT_TRANSLATE_NOOP("Message", "Preview"),   QT_TRANSLATE_NOOP("Message", "Video Splitter"),
    QT_TRANSLATE_NOOP("Message", "Shut down"),
};
inline std::string shownCaption(const std::string& caption) {
    return caption.empty() ? caption : platform::translate("Message", caption.c_str());
}

// A message box the user must answer: text, caption, icon and buttons exactly as shown.
struct Message {
    std::string text;
    std::string caption;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    // Seconds a countdown box counts down; the number in its text follows them.
    int countdownSeconds = 0;
};

// Asks the user; the window shows a modal box, the command line prints, tests record and answer.
class UserPrompts {
public:
    virtual ~UserPrompts() = default;
    virtual MessageAnswer ask(const Message& message) = 0;
    // Closes a Yes/No question that is open, as if answered No (a question the events have overtaken).
    virtual void dismissOpenQuestion() {}
};

// How a row of a batch ended, as the driver judged it.
struct RowResult {
    std::string status;     // "Completed", "Fail" or "Abort"
    std::string outputPath; // the converted file as the output check saw it; empty when none was made
    double seconds = 0.0;   // from the row's start to its end
    std::string reason;     // why a row did not complete; empty when it did
    std::string warning{};  // what the user should know about a completed row's output; empty when nothing
};

// What the driver may know of a row before it takes the row's settings to convert it.
struct RowFacts {
    std::string sourcePath;
    std::string profileName; // empty without a profile
    bool realMedia = false;
};

// Everything the batch driver needs of a window. The driver calls it from its worker thread (and
// the start and stop requests from the window's thread); an implementation serialises access to
// its controls, the window by running each call on its interface thread.
class BatchView : public UserPrompts {
public:
    // Rows and cells.
    virtual int rowCount() = 0;
    virtual bool isChecked(int row) = 0;
    virtual void setChecked(int row, bool checked) = 0;
    virtual std::string cellText(int row, int column) = 0;
    virtual void setCellText(int row, int column, const std::string& text) = 0;
    // The job of a row, taken for its conversion; stays valid while the row exists (rows are not
    // removed during a batch). The row's settings are the job's from then on.
    virtual engine::ConversionJob* job(int row) = 0;
    // A row's source and profile without taking its settings; nothing outside the rows.
    virtual std::optional<RowFacts> rowFacts(int row);

    // A progress bar in a row's Status cell.
    virtual void showProgress(int row, int percent) = 0;
    virtual void setProgress(int row, int percent) = 0;
    virtual void removeProgress(int row) = 0;

    // The Output box.
    virtual std::string outputText() = 0;
    virtual void setOutputText(const std::string& text) = 0;

    // The two completion choices, read at the end of a batch.
    virtual bool shutdownWhenDone() = 0;
    virtual bool openFolderWhenDone() = 0;

    // Editing controls and commands off while a batch runs; the Start button on its own.
    virtual void setEditingEnabled(bool enabled) = 0;
    virtual void setStartEnabled(bool enabled) = 0;

    virtual void stopPreview() = 0;
    // Stores the parameter panel's edits into the selected row's profile, when a row is selected.
    virtual void storePanelEdits() = 0;
    // Shows the output folder in the file browser.
    virtual void openFolder(const std::string& folder) = 0;
    // After a row's Status cell has its final text: the outcome for views that report it further.
    virtual void rowFinished(int /*row*/, const RowResult& /*result*/) {}
    // The batch has ended: after the last row's outcome, before the completion actions and messages.
    virtual void batchFinished() {}
};

} // namespace morvane::app
