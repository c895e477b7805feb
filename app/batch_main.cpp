// morvane-batch: converts files from the command line with the program's profiles, settings and
// converter, through the same batch logic as the window.
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/app_settings.h"
#include "app/batch_cli.h"
#include "app/batch_driver.h"
#include "app/batch_journal.h"
#include "app/cli_batch_view.h"
#include "app/encoder_factory.h"
#include "app/file_adder.h"
#include "app/file_list.h"
#include "app/startup_checks.h"
#ifdef MORVANE_WITH_TRANSLATIONS
#include "app/translations.h"
#endif
#include "engine/quillon_media_cntl.h"
#include "engine/trace_file.h"
#include "media/media_plugin.h"
#include "platform/fd_io.h"
#include "platform/power_control.h"
#include "platform/program_dir.h"
#include "platform/signal_pipe.h"
#include "platform/translation.h"
#include "platform/unique_fd.h"
#include "profiles/profile_catalogue.h"

namespace {

namespace app = morvane::app;
namespace engine = morvane::engine;
namespace platform = morvane::platform;
namespace profiles = morvane::profiles;

// Prints every message to standard error, as the window would show it.
class StderrPrompts final : public app::UserPrompts {
public:
    app::MessageAnswer ask(const app::Message& message) override {
        if (message.caption.empty()) {
            std::fprintf(stderr, "%s\n", message.text.c_str());
        } else {
            std::fprintf(stderr, "%s: %s\n", app::shownCaption(message.caption).c_str(),
                         message.text.c_str());
        }
        return message.buttons == app::MessageButtons::YesNo ? app::MessageAnswer::Yes
                                                             : app::MessageAnswer::Ok;
    }
};

const char* categoryWord(profiles::OptionCategory category) {
    switch (category) {
    case profiles::OptionCategory::Video:
        return "Video";
    case profiles::OptionCategory::Audio:
        return "Audio";
    default:
        break;
    }
    return "General";
}

int unknownProfile(const std::string& name, const profiles::ProfileCatalogue& catalogue) {
    std::fprintf(
        stderr, "morvane-batch: %s\n",
        platform::withArguments(platform::translate("BatchMain", "no profile is named \"%1\""), {name})
            .c_str());
    const auto matches = app::closeMatches(name, catalogue.names());
    if (!matches.empty()) {
        std::fprintf(stderr, "%s\n", platform::translate("BatchMain", "Close matches:").c_str());
        for (const auto& m : matches) {
            std::fprintf(stderr, "  %s\n", m.c_str());
        }
    }
    std::fprintf(stderr, "%s\n",
                 platform::translate("BatchMain", "Use --list-profiles to see them all.").c_str());
    return 2;
}

// The entry `wanted` names (see app::profilesMeant); nothing after saying why there is none or
// which ones it could be.
std::optional<std::string> namedProfile(const std::string& wanted,
                                        const profiles::ProfileCatalogue& catalogue) {
    const auto meant = app::profilesMeant(wanted, catalogue);
    if (meant.empty()) {
        unknownProfile(wanted, catalogue);
        return std::nullopt;
    }
    if (meant.size() > 1) {
        std::fprintf(
            stderr, "morvane-batch: %s\n",
            platform::withArguments(platform::translate("BatchMain", "\"%1\" could be any of %2 profiles:"),
                                    {wanted, std::to_string(meant.size())})
                .c_str());
        for (const auto& name : meant) {
            std::fprintf(stderr, "  %s\t(ID %s)\n", name.c_str(),
                         app::profileIdOf(catalogue.pathOf(name)).c_str());
        }
        std::fprintf(stderr, "%s\n",
                     platform::translate("BatchMain", "Name one as --list-profiles shows it.").c_str());
        return std::nullopt;
    }
    return meant.front();
}

int showProfile(const profiles::ProfileCatalogue& catalogue, const std::string& wanted) {
    const auto name = namedProfile(wanted, catalogue);
    if (!name) {
        return 2;
    }
    profiles::Profile profile;
    profiles::parseProfile(catalogue, *name, profile);
    std::printf("Name: %s\nSName: %s\nFormat: %s\nExtName: %s\nMediaType: %s\nQALevel: %d\n",
                profile.name.c_str(), profile.SName.c_str(), profile.Format.c_str(), profile.ExtName.c_str(),
                profile.MediaType.c_str(), profile.QALevel);
    for (const auto& param : profile.chain()) {
        std::string choices;
        for (const auto& choice : param.choices) {
            choices += (choices.empty() ? "" : "|") + choice;
        }
        std::printf("%s\t%d\t%s\t%s\t%s\t%s\t%s\t%s\n", categoryWord(param.category), param.id,
                    param.name.c_str(), param.label.c_str(), param.value.c_str(), param.mark.c_str(),
                    param.choiceText.c_str(), choices.c_str());
    }
    return 0;
}

int probeFiles(engine::CQuillonMediaCntl& facade, const std::vector<std::string>& files,
               const std::string& cwd) {
    int status = 0;
    StderrPrompts prompts;
    for (const auto& file : files) {
        const std::string path = app::absolutePath(file, cwd);
        const auto job = app::probeFile(facade, path);
        app::reportMediaDetectorProblemOnce(prompts);
        if (!job) {
            std::fprintf(stderr, "%s: %s\n", app::shownCaption("Error").c_str(),
                         app::refusedFileText(path).c_str());
            status = 1;
            continue;
        }
        std::printf("%s: duration=%.3f width=%d height=%d video=%d audio=%d frameserver=%d\n", file.c_str(),
                    job->duration, job->sourceWidth, job->sourceHeight, job->hasVideo, job->hasAudio,
                    job->useFrameServer);
    }
    return status;
}

// Ctrl-C while converting: the first is a confirmed stop request, the second ends at once. The
// converter and its children die with us.
class InterruptWatcher {
public:
    explicit InterruptWatcher(app::BatchDriver& driver)
        : m_signals(platform::SignalPipe::install({SIGINT, SIGTERM})), m_finish(::eventfd(0, EFD_CLOEXEC)),
          m_thread([this, &driver] { watch(driver); }) {}
    InterruptWatcher(const InterruptWatcher&) = delete;
    InterruptWatcher& operator=(const InterruptWatcher&) = delete;
    ~InterruptWatcher() {
        m_finished.store(true);
        const std::uint64_t one = 1;
        [[maybe_unused]] const bool woken =
            platform::writeAll(m_finish.get(), {reinterpret_cast<const char*>(&one), sizeof one});
        m_thread.join();
    }

private:
    void watch(app::BatchDriver& driver) {
        int interrupts = 0;
        while (!m_finished.load()) {
            // Sleeps until a signal comes or the batch has ended (without the event descriptor: a tenth of a
            // second at a time).
            std::array<pollfd, 2> ready{{{m_signals.fd(), POLLIN, 0}, {m_finish.get(), POLLIN, 0}}};
            if (::poll(ready.data(), ready.size(), m_finish.valid() ? -1 : 100) <= 0 ||
                (ready[0].revents & POLLIN) == 0 || m_signals.take() == 0) {
                continue;
            }
            if (++interrupts == 1) {
                std::fprintf(stderr, "\n%s\n",
                             platform::translate("BatchMain",
                                                 "Stopping: the running conversion is abandoned and nothing "
                                                 "unfinished is kept; press Ctrl-C again to quit at once.")
                                 .c_str());
                driver.stopConfirmed();
            } else {
                std::fprintf(stderr, "\n%s\n", platform::translate("BatchMain", "Quitting.").c_str());
                ::_exit(130);
            }
        }
    }

    platform::SignalPipe m_signals;
    platform::UniqueFd m_finish; // written when the batch has ended
    std::atomic<bool> m_finished{false};
    std::thread m_thread; // last: it starts once the members it reads are there
};

// What every mode needs to know about where it runs.
struct Places {
    std::string programDirectory;
    std::string configPath;
    std::string cwd;
};

// The start-up checks; their problems go to standard error at once.
app::StartupReport startupReport(const Places& places, const profiles::ProfileCatalogue& catalogue) {
    auto report = app::checkStartup(places.programDirectory, catalogue);
    for (const auto& problem : report.problems) {
        std::fprintf(stderr, "morvane-batch: %s\n", problem.c_str());
    }
    return report;
}

int probeMode(const app::CliRequest& request, const Places& places) {
    engine::EncoderInitRecord record;
    record.programDirectory = places.programDirectory;
    record.callback = [](std::int32_t, void*) {};
    engine::CQuillonMediaCntl facade(app::programEncoderFactory());
    if (facade.Init(&record) != 1) {
        std::fprintf(stderr, "morvane-batch: %s\n",
                     platform::translate("BatchMain", "the conversion engine could not be started").c_str());
        return 1;
    }
    const int status = probeFiles(facade, request.files, places.cwd);
    facade.Release();
    return status;
}

// The profile the files are converted with: the one named, else the one chosen in config.ini. Nothing
// (after saying why) when there is none.
std::optional<std::string> chosenProfile(const app::CliRequest& request,
                                         const profiles::ProfileCatalogue& catalogue) {
    if (request.profile) {
        return namedProfile(*request.profile, catalogue);
    }
    std::string name = catalogue.currentName();
    if (name.empty()) {
        std::fprintf(stderr, "morvane-batch: %s\n",
                     platform::translate(
                         "BatchMain",
                         "no profile is chosen in config.ini; name one with -p (--list-profiles shows them)")
                         .c_str());
        return std::nullopt;
    }
    return name;
}

// Files read at the same time while the list is made.
constexpr unsigned kFilesProbedAtOnce = 4;

// Adds the request's files to the list with their cut times; returns how many could not be read.
std::size_t addFiles(app::FileList& list, app::CliBatchView& view, engine::CQuillonMediaCntl& facade,
                     const profiles::ProfileCatalogue& catalogue, const std::string& profileName,
                     const app::CliRequest& request, const std::string& cwd) {
    StderrPrompts prompts;
    std::size_t undecodable = 0;
    std::vector<std::string> paths;
    for (const auto& file : request.files) {
        paths.push_back(app::absolutePath(file, cwd));
    }
    auto jobs = app::probeFiles(facade, paths, kFilesProbedAtOnce);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::string& path = paths[i];
        const int row = app::addProbedFile(list, catalogue, profileName, path, std::move(jobs[i]), prompts);
        if (row < 0) {
            ++undecodable;
            view.fileSkipped(path, app::refusedFileText(path));
            continue;
        }
        if (request.start) {
            list.row(row).cells[app::kColumnStart] = *request.start;
        }
        if (request.end) {
            list.row(row).cells[app::kColumnEnd] = *request.end;
        }
        view.rowAdded(row, profileName);
    }
    return undecodable;
}

bool allCompleted(const app::FileList& list) {
    for (int i = 0; i < list.rowCount(); ++i) {
        if (list.row(i).cells[app::kColumnStatus] != app::kStatusCompleted) {
            return false;
        }
    }
    return true;
}

// --journal: which files an earlier run converted already, and each outcome of this run recorded as it ends.
class JournalRun {
public:
    JournalRun(app::BatchJournal journal, const app::CliRequest& request, std::string profileName,
               const profiles::ProfileCatalogue& catalogue, std::string outputFolder)
        : m_journal(std::move(journal)), m_profileName(std::move(profileName)),
          m_start(request.start.value_or(std::string())), m_end(request.end.value_or(std::string())),
          m_outputFolder(std::move(outputFolder)) {
        profiles::parseProfile(catalogue, m_profileName, m_profile);
        if (m_journal.unreadLines() > 0) {
            std::fprintf(
                stderr,
                "morvane-batch: %d line(s) of the journal \"%s\" could not be read and are not used\n",
                m_journal.unreadLines(), m_journal.path().c_str());
        }
    }

    // The files still to convert; those the journal holds as done are reported through `view` and counted.
    std::vector<std::string> filesToConvert(const std::vector<std::string>& files, const std::string& cwd,
                                            app::CliBatchView& view, std::size_t& doneBefore) const {
        std::vector<std::string> left;
        for (const auto& file : files) {
            const std::string path = app::absolutePath(file, cwd);
            if (const auto key = keyFor(path)) {
                if (const auto done = m_journal.completed(*key)) {
                    view.fileDoneBefore(path, done->output);
                    ++doneBefore;
                    continue;
                }
            }
            left.push_back(path);
        }
        return left;
    }

    // Records the outcome of every row of `list` as the batch reports it.
    void follow(const app::FileList& list, app::CliBatchView& view) {
        m_keys.clear();
        for (int row = 0; row < list.rowCount(); ++row) {
            const auto* job = list.row(row).job.get();
            m_keys.push_back(job ? keyFor(job->sourcePath.str()) : std::nullopt);
        }
        view.setOutcomeRecorder([this](int row, const app::RowResult& result) {
            if (row < 0 || static_cast<std::size_t>(row) >= m_keys.size() ||
                !m_keys[static_cast<std::size_t>(row)]) {
                return;
            }
            const auto written =
                m_journal.record(app::JournalEntry{*m_keys[static_cast<std::size_t>(row)], result.status,
                                                   result.outputPath, result.seconds, result.reason});
            if (!written && !m_warned.exchange(true)) {
                std::fprintf(stderr, "morvane-batch: %s\n", written.error().c_str());
            }
        });
    }

private:
    std::optional<app::JournalKey> keyFor(const std::string& path) const {
        return app::journalKeyFor(path, m_profile, m_profileName, m_start, m_end, m_outputFolder);
    }

    app::BatchJournal m_journal;
    std::string m_profileName;
    profiles::Profile m_profile;
    std::string m_start;
    std::string m_end;
    std::string m_outputFolder;
    std::vector<std::optional<app::JournalKey>> m_keys; // by row
    std::atomic<bool> m_warned{false};
};

std::string outputFolderOf(const app::CliRequest& request, const Places& places) {
    if (request.outputFolder) {
        return app::absolutePath(*request.outputFolder, places.cwd);
    }
    return app::readSettings(places.configPath, app::defaultVideosFolder(), places.programDirectory)
        .outputFolder;
}

// Opens the journal the request names, if any; false (the reason written) when it cannot be opened.
bool openJournal(std::optional<JournalRun>& journal, const app::CliRequest& request, const Places& places,
                 const std::string& profileName, const profiles::ProfileCatalogue& catalogue,
                 const std::string& outputFolder) {
    if (!request.journal) {
        return true;
    }
    auto opened = app::BatchJournal::open(app::absolutePath(*request.journal, places.cwd));
    if (!opened) {
        std::fprintf(stderr, "morvane-batch: %s\n", opened.error().c_str());
        return false;
    }
    journal.emplace(std::move(*opened), request, profileName, catalogue, outputFolder);
    return true;
}

// Ends a run that has no row to convert: a success when every file was converted by an earlier run.
int endWithoutRows(engine::CQuillonMediaCntl& facade, app::CliBatchView& view, bool allDoneBefore) {
    if (allDoneBefore) {
        std::fprintf(stderr, "morvane-batch: nothing left to convert: every file was converted before\n");
    } else {
        std::fprintf(stderr, "morvane-batch: %s\n",
                     platform::translate("BatchMain", "nothing to convert").c_str());
    }
    facade.Release();
    const int exitCode = allDoneBefore ? 0 : 1;
    view.batchEnded(exitCode, false);
    return exitCode;
}

int convertMode(const app::CliRequest& request, const Places& places,
                const profiles::ProfileCatalogue& catalogue, const app::StartupReport& report) {
    const auto profileName = chosenProfile(request, catalogue);
    if (!profileName) {
        return 2;
    }
    if (const auto it = report.unavailable.find(*profileName); it != report.unavailable.end()) {
        std::fprintf(stderr, "morvane-batch: %s\n",
                     app::unavailableProfileText(it->first, it->second).c_str());
        return 1;
    }
    const std::string outputFolder = outputFolderOf(request, places);

    // The driver registers itself as the record's progress callback before the engine copies it.
    app::FileList list;
    app::CliBatchView view(list, outputFolder, ::isatty(STDOUT_FILENO) == 1, stdout, stderr,
                           request.json ? app::CliBatchView::Style::Json : app::CliBatchView::Style::Text);
    std::optional<JournalRun> journal;
    if (!openJournal(journal, request, places, *profileName, catalogue, outputFolder)) {
        return 2;
    }
    app::CliRequest toConvert = request;
    std::size_t doneBefore = 0;
    if (journal) {
        toConvert.files = journal->filesToConvert(request.files, places.cwd, view, doneBefore);
    }
    platform::SystemPowerControl power;
    engine::EncoderInitRecord record;
    record.kind = engine::EncoderKind::Converter;
    record.programDirectory = places.programDirectory;
    engine::CQuillonMediaCntl facade(app::programEncoderFactory());
    app::BatchDriver driver(view, facade, record, power, places.programDirectory, app::defaultVideosFolder());
    driver.setUnavailableProfiles(report.unavailable);
    driver.setSimultaneous(request.jobs.value_or(app::kDefaultCliJobs));
    if (facade.Init(&record) != 1) {
        std::fprintf(stderr, "morvane-batch: %s\n",
                     platform::translate("BatchMain", "the conversion engine could not be started").c_str());
        return 1;
    }

    engine::openTraceFile();
    const std::size_t undecodable = toConvert.files.empty() ? 0
                                                            : addFiles(list, view, facade, catalogue,
                                                                       *profileName, toConvert, places.cwd);
    if (journal) {
        journal->follow(list, view);
    }
    if (list.rowCount() == 0) {
        return endWithoutRows(facade, view, doneBefore > 0 && undecodable == 0);
    }
    {
        const InterruptWatcher watcher(driver);
        if (driver.startRequest()) {
            driver.wait();
        }
    }
    facade.Release();
    engine::closeTraceFile();

    // Standard output is the events' alone in JSON mode.
    std::fprintf(request.json ? stderr : stdout, "\n%s", view.resultTable().c_str());
    // A batch the user stopped did not convert everything it was given.
    const int exitCode = undecodable == 0 && allCompleted(list) && !driver.abortRequested() ? 0 : 1;
    view.batchEnded(exitCode, driver.abortRequested());
    return exitCode;
}

} // namespace

int main(int argc, char** argv) {
    // Under a file size limit a write that reaches it must fail (the trace then stops growing and
    // the converter's own failure is reported), not end the program without a word.
    ::signal(SIGXFSZ, SIG_IGN);
    // What the media libraries say while files are probed belongs in the trace, not on the terminal.
    morvane::media::setPluginMessageSink([](std::string_view line) { engine::writeTraceLine(line); });
    std::vector<std::string> arguments(argv + 1, argv + argc);
#ifdef MORVANE_WITH_TRANSLATIONS
    // Messages in the user's language; with --json everything stays English, since another program
    // reads what is printed.
    if (std::find(arguments.begin(), arguments.end(), "--json") == arguments.end()) {
        app::installTranslations(platform::programDirectory(), nullptr,
                                 [](const char* name) { return std::getenv(name); });
    }
#endif
    const auto parsed = app::parseCliArguments(arguments);
    if (!parsed) {
        std::fprintf(stderr, "morvane-batch: %s\n\n%s", parsed.error().c_str(), app::cliUsage().c_str());
        return 2;
    }
    const auto& request = *parsed;
    switch (request.mode) {
    case app::CliRequest::Mode::Help:
        std::printf("%s", app::cliUsage().c_str());
        return 0;
    case app::CliRequest::Mode::Version:
        std::printf("morvane-batch %s\n", MORVANE_VERSION);
        return 0;
    default:
        break;
    }

    Places places;
    places.programDirectory = platform::programDirectory();
    places.configPath = app::configPathIn(places.programDirectory);
    std::error_code ec;
    places.cwd = std::filesystem::current_path(ec).string();

    profiles::ProfileCatalogue catalogue;
    catalogue.scan(profiles::ProfileCatalogue::foldersOf(places.programDirectory), places.configPath);
    switch (request.mode) {
    case app::CliRequest::Mode::ListProfiles: {
        // A profile this system cannot convert with is marked after a tab, with the reason.
        const auto report = startupReport(places, catalogue);
        for (const auto& name : catalogue.names()) {
            const auto it = report.unavailable.find(name);
            const bool unavailable = it != report.unavailable.end();
            if (request.json) {
                std::printf("%s\n", app::profileListEntry(name, catalogue.pathOf(name),
                                                          unavailable ? it->second : std::string())
                                        .c_str());
                continue;
            }
            std::printf("%s%s\n", name.c_str(),
                        unavailable
                            ? platform::withArguments(platform::translate("BatchMain", "\t(unavailable: %1)"),
                                                      {it->second})
                                  .c_str()
                            : "");
        }
        return 0;
    }
    case app::CliRequest::Mode::ShowProfile:
        return showProfile(catalogue, *request.profile);
    case app::CliRequest::Mode::Probe:
        return probeMode(request, places);
    default:
        return convertMode(request, places, catalogue, startupReport(places, catalogue));
    }
}
