#include "app/list_keeper.h"

#include <QAbstractItemModel>

#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "platform/translation.h"

namespace morvane::app {

namespace {

bool regularFileThere(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The file's text; nothing when there is no file.
std::optional<std::string> readText(const std::string& path, std::string& error) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    if (!S_ISREG(st.st_mode) || !(text << in.rdbuf())) {
        // An empty file gives no characters to copy, which is no failure.
        if (S_ISREG(st.st_mode) && st.st_size == 0) {
            return std::string();
        }
        error = "it cannot be read";
        return std::string();
    }
    return text.str();
}

} // namespace

std::string restoreQuestionText(std::size_t files) {
    return files == 1 ? platform::translate("ListKeeper",
                                            "The program did not close properly last time. Restore the "
                                            "file of the last session?")
                      : platform::withArguments(
                            platform::translate("ListKeeper", "The program did not close properly last time. "
                                                              "Restore the %1 files of the last session?"),
                            {std::to_string(files)});
}

std::string missingFilesText(const std::vector<std::string>& paths) {
    std::string text =
        paths.size() == 1
            ? platform::translate("ListKeeper",
                                  "This file of the last session is no longer there and was left out:")
            : platform::translate("ListKeeper",
                                  "These files of the last session are no longer there and were left out:");
    for (const auto& path : paths) {
        text += "\n" + path;
    }
    return text;
}

namespace {

// Why a saved list cannot be used, as the reader tells it (in English, like the trace), shown in the
// user's language.
std::string shownListProblem(const std::string& reason) {
    static constexpr const char* kProblems[] = {
        QT_TRANSLATE_NOOP("ListKeeper", "it is empty"),
        QT_TRANSLATE_NOOP("ListKeeper", "it is cut short"),
        QT_TRANSLATE_NOOP("ListKeeper", "it is not readable (%1)"),
        QT_TRANSLATE_NOOP("ListKeeper", "it is not a saved file list"),
        QT_TRANSLATE_NOOP("ListKeeper", "a later version of the program wrote it (version %1)"),
        QT_TRANSLATE_NOOP("ListKeeper", "it has no version this program knows"),
        QT_TRANSLATE_NOOP("ListKeeper", "its profiles or rows are not lists"),
        QT_TRANSLATE_NOOP("ListKeeper", "it is damaged: %1"),
    };
    for (const char* pattern : kProblems) {
        if (const auto arguments = platform::argumentsOf(pattern, reason)) {
            return platform::withArguments(platform::translate("ListKeeper", pattern), *arguments);
        }
    }
    return reason;
}

} // namespace

std::string setAsideText(const std::string& path, const std::string& reason, const std::string& aside,
                         const std::string& moveError) {
    std::string text = platform::withArguments(
        platform::translate("ListKeeper", "The saved file list \"%1\" cannot be used: %2."),
        {path, shownListProblem(reason)});
    if (!aside.empty()) {
        return text +
               platform::withArguments(
                   platform::translate("ListKeeper", " It was set aside as \"%1\"; the list starts empty."),
                   {aside});
    }
    return text + platform::withArguments(platform::translate("ListKeeper",
                                                              " It could not be set aside (%1); the "
                                                              "list starts empty and will replace it."),
                                          {moveError});
}

ListKeeper::ListKeeper(const FileList& rows, std::string listFile, QObject* parent)
    : QObject(parent), m_rows(rows), m_ownership(platform::FileOwnership::take(listFile)),
      m_writer(std::move(listFile)) {
    m_timer.setSingleShot(true);
    m_timer.setInterval(kSaveDelayMs);
    connect(&m_timer, &QTimer::timeout, this, &ListKeeper::saveNow);
}

ListKeeper::~ListKeeper() = default;

std::vector<FileRow> ListKeeper::rowsToRestore(UserPrompts& prompts) {
    if (!keeping()) {
        return {};
    }
    const std::string& path = m_writer.path();
    std::string readError;
    const auto text = readText(path, readError);
    std::vector<FileRow> rows;
    if (text) {
        auto parsed = readError.empty() ? parseSavedList(*text)
                                        : platform::Expected<SavedList>(platform::Failure{readError});
        if (!parsed && text->empty() && readError.empty()) {
            parsed = platform::Failure{"it is empty"};
        }
        if (!parsed) {
            const auto aside = platform::setFileAside(path);
            prompts.ask(
                Message{setAsideText(path, parsed.error(), aside ? *aside : std::string(), aside.error()),
                        "Warning", MessageIcon::Warning, MessageButtons::Ok});
        } else if (!parsed->rows.empty() &&
                   (!parsed->open || prompts.ask(Message{restoreQuestionText(parsed->rows.size()), "Warning",
                                                         MessageIcon::Warning, MessageButtons::YesNo}) ==
                                         MessageAnswer::Yes)) {
            auto restored = restoreRows(*parsed, regularFileThere);
            if (!restored.missing.empty()) {
                prompts.ask(Message{missingFilesText(restored.missing), "Warning", MessageIcon::Warning,
                                    MessageButtons::Ok});
            }
            rows = std::move(restored.rows);
        }
    }
    return rows;
}

void ListKeeper::watch(const QAbstractItemModel& model) {
    const auto schedule = [this] { changed(); };
    const auto rowsGone = [this] { profilesReplaced(); };
    connect(&model, &QAbstractItemModel::rowsInserted, this, schedule);
    connect(&model, &QAbstractItemModel::rowsRemoved, this, rowsGone);
    connect(&model, &QAbstractItemModel::rowsMoved, this, schedule);
    connect(&model, &QAbstractItemModel::modelReset, this, rowsGone);
    connect(&model, &QAbstractItemModel::dataChanged, this, schedule);
    // The file is in use from now on, whatever the list holds.
    saveNow();
}

void ListKeeper::changed() {
    // Changes that come in a stream (progress, many rows added) are saved at most once a delay, not
    // put off for as long as the stream lasts.
    if (keeping() && !m_closed && !m_timer.isActive()) {
        m_timer.start();
    }
}

void ListKeeper::profilesReplaced() {
    m_snapshotter.forgetProfiles();
    changed();
}

void ListKeeper::saveNow() {
    m_timer.stop();
    if (keeping() && !m_closed) {
        m_writer.submit(m_snapshotter.snapshot(m_rows, true));
    }
}

void ListKeeper::closeCleanly(bool keep) {
    if (!keeping() || m_closed) {
        return;
    }
    m_timer.stop();
    m_closed = true;
    if (keep && m_rows.rowCount() > 0) {
        m_writer.submit(m_snapshotter.snapshot(m_rows, false));
    } else {
        m_writer.remove();
    }
    m_writer.flush();
}

} // namespace morvane::app
