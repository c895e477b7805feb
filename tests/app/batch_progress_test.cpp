#include "app/batch_progress.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <memory>
#include <vector>

#include "app/cli_batch_view.h"
#include "app/file_list.h"
#include "engine/conversion_job.h"
#include "profiles/profile.h"

namespace morvane::app {
namespace {

using Clock = BatchProgress::Clock;

Clock::time_point at(double seconds) {
    return Clock::time_point{} +
           std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

TEST(BatchProgress, PercentIsWeightedByEachRowsSecondsOfMedia) {
    enum class Kind { Add, Progress, Done, Drop };
    struct Step {
        Kind kind;
        int row;
        double value = 0; // seconds to add, or a percentage
        double base = 0;  // what an added row's percentage counts against; its length when 0
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        int percent;
    };
    const auto add = [](int row, double seconds, double base = 0) {
        return Step{Kind::Add, row, seconds, base == 0 ? seconds : base};
    };
    const std::vector<Case> cases = {
        {"nothing to do", {}, 0},
        {"a short row done of two", {add(0, 10), add(1, 30), {Kind::Done, 0}}, 25},
        {"half of the short row", {add(0, 10), add(1, 30), {Kind::Progress, 0, 50}}, 12},
        {"a cut counts against the whole file", {add(0, 10, 100), {Kind::Progress, 0, 5}}, 50},
        {"a cut past its end waits for its end", {add(0, 10, 100), {Kind::Progress, 0, 20}}, 99},
        {"the converter's 1 past the end goes unheeded",
         {add(0, 10), {Kind::Progress, 0, 99}, {Kind::Progress, 0, 1}},
         99},
        {"a row added later extends the batch", {add(0, 10), {Kind::Done, 0}, add(1, 30)}, 25},
        {"a row unchecked before its turn leaves",
         {add(0, 10), add(1, 30), {Kind::Drop, 1}, {Kind::Progress, 0, 50}},
         50},
        {"a new length before its turn counts", {add(0, 10), add(1, 10), add(1, 30), {Kind::Done, 0}}, 25},
        {"a started row keeps its place and length",
         {add(0, 10), add(1, 10), {Kind::Progress, 1, 0}, add(1, 30), {Kind::Drop, 1}, {Kind::Done, 0}},
         50},
        {"an unknown length weighs as the average", {add(0, 10), add(1, 30), add(2, 0), {Kind::Done, 2}}, 33},
        {"every row done", {add(0, 10), add(1, 0), {Kind::Done, 0}, {Kind::Done, 1}}, 100},
    };
    for (const auto& c : cases) {
        BatchProgress progress(at(0));
        for (const auto& step : c.steps) {
            switch (step.kind) {
            case Kind::Add:
                progress.addRow(step.row, RowWork{step.value, step.base}, at(1));
                break;
            case Kind::Progress:
                progress.rowProgress(step.row, static_cast<int>(step.value), at(1));
                break;
            case Kind::Done:
                progress.rowDone(step.row, at(1));
                break;
            case Kind::Drop:
                progress.dropRow(step.row, at(1));
                break;
            }
        }
        EXPECT_EQ(progress.percent(), c.percent) << c.name;
    }
}

TEST(BatchProgress, TimeLeftWaitsForEnoughProgressThenFollowsThePaceSmoothly) {
    // Two rows of 50 s converted at twice real time, one after the other, a report every second.
    BatchProgress progress(at(0));
    progress.addRow(0, {50, 50}, at(0));
    progress.addRow(1, {50, 50}, at(0));
    const auto report = [&](double t) {
        const double converted = 2 * t;
        if (converted < 50) {
            progress.rowProgress(0, static_cast<int>(converted * 2), at(t));
        } else {
            progress.rowDone(0, at(t));
            progress.rowProgress(1, static_cast<int>((converted - 50) * 2), at(t));
        }
    };
    for (int t = 1; t < 5; ++t) {
        report(t);
        EXPECT_FALSE(progress.secondsLeft(at(t))) << "too early at " << t << " s";
    }
    for (int t = 5; t <= 30; ++t) {
        report(t);
        ASSERT_TRUE(progress.secondsLeft(at(t)));
        EXPECT_NEAR(*progress.secondsLeft(at(t)), 50 - t, 2.0) << t;
    }
    // Between reports the estimate counts down.
    EXPECT_NEAR(*progress.secondsLeft(at(33)), *progress.secondsLeft(at(30)) - 3, 1e-9);

    // A third row as long as the first two doubles what is left; the estimate moves there gradually.
    const double before = *progress.secondsLeft(at(30));
    progress.addRow(2, {100, 100}, at(31));
    const double next = *progress.secondsLeft(at(31));
    EXPECT_GT(next, before - 1);
    EXPECT_LT(next, before + 0.2 * 100) << "no jump to the new figure at once";
    for (int t = 32; t <= 100; ++t) {
        progress.rowProgress(1, std::min(99, static_cast<int>((2.0 * t - 50) * 2)), at(t));
        if (2 * t >= 100) {
            progress.rowDone(1, at(t));
            progress.rowProgress(2, static_cast<int>(2.0 * t - 100), at(t));
        }
    }
    EXPECT_NEAR(*progress.secondsLeft(at(100)), 0.0, 8.0);
    progress.rowDone(2, at(101));
    EXPECT_EQ(*progress.secondsLeft(at(101)), 0.0);
    EXPECT_EQ(progress.percent(), 100);
}

TEST(BatchProgress, ASlowStartGetsAnEstimateLateAndNoProgressNone) {
    BatchProgress slow(at(0));
    slow.addRow(0, {1000, 1000}, at(0));
    slow.rowProgress(0, 1, at(20));
    EXPECT_FALSE(slow.secondsLeft(at(20))) << "1 % after 20 s is too little to tell";
    slow.rowProgress(0, 1, at(30));
    ASSERT_TRUE(slow.secondsLeft(at(30)));
    EXPECT_NEAR(*slow.secondsLeft(at(30)), 99 * 30, 1.0);

    BatchProgress stuck(at(0));
    stuck.addRow(0, {10, 10}, at(0));
    stuck.rowProgress(0, 0, at(60));
    EXPECT_FALSE(stuck.secondsLeft(at(60)));
}

TEST(BatchProgress, TextsForTitlesLinesAndNotices) {
    const std::vector<std::pair<double, std::string>> left = {
        {0, "less than a minute left"},  {59.4, "less than a minute left"}, {60, "about 1 min left"},
        {149, "about 2 min left"},       {3569, "about 59 min left"},       {3600, "about 1 h left"},
        {4830, "about 1 h 21 min left"}, {90000, "about 25 h left"},
    };
    for (const auto& [seconds, text] : left) {
        EXPECT_EQ(timeLeftText(seconds), text) << seconds;
    }
    EXPECT_EQ(batchProgressText(42, std::nullopt), "42%");
    EXPECT_EQ(batchProgressText(42, 180.0), "42% - about 3 min left");

    const auto finished = batchEndNotice({3, 0, 0});
    EXPECT_EQ(finished.summary, "Conversion finished");
    EXPECT_EQ(finished.body, "3 files converted");
    EXPECT_FALSE(finished.problem);
    const auto failed = batchEndNotice({1, 1, 1});
    EXPECT_EQ(failed.summary, "Conversion failed");
    EXPECT_EQ(failed.body, "1 file converted, 1 failed, 1 stopped");
    EXPECT_TRUE(failed.problem);
    EXPECT_EQ(batchEndNotice({0, 0, 2}).summary, "Conversion stopped");
}

TEST(BatchProgress, RowWorkIsTheCutAndWhatItsPercentageCountsAgainst) {
    profiles::Profile realMedia;
    realMedia.Format = "RM";
    engine::ConversionJob job;
    job.duration = 100.5;
    struct Case {
        const char* start;
        const char* end;
        profiles::Profile* profile;
        double seconds;
        double base;
    };
    const std::vector<Case> cases = {
        {"00:00:00", "00:01:40", nullptr, 100.5, 100.5}, // the End cell holds the whole seconds
        {"00:00:10", "00:00:40", nullptr, 30, 100.5},    {"00:00:10", "00:00:40", &realMedia, 30, 30},
        {"00:00:40", "00:00:10", nullptr, 100.5, 100.5}, {"soon", "later", nullptr, 100.5, 100.5},
    };
    for (const auto& c : cases) {
        job.profile = c.profile;
        const auto work = rowWork(&job, c.start, c.end);
        EXPECT_DOUBLE_EQ(work.seconds, c.seconds) << c.start << "-" << c.end;
        EXPECT_DOUBLE_EQ(work.percentBase, c.base) << c.start << "-" << c.end;
    }
    EXPECT_EQ(rowWork(nullptr, "00:00:00", "00:00:10").seconds, 0.0);
}

// The command line's live line and JSON events carry the whole batch.
TEST(BatchProgress, CommandLineShowsTheWholeBatch) {
    for (const auto style : {CliBatchView::Style::Text, CliBatchView::Style::Json}) {
        FileList list;
        for (const double duration : {10.0, 30.0}) {
            auto job = std::make_unique<engine::ConversionJob>();
            job->sourcePath = "/clips/clip.mov";
            job->duration = duration;
            list.append(std::move(job), std::make_unique<profiles::Profile>());
        }
        std::FILE* out = std::tmpfile();
        std::FILE* err = std::tmpfile();
        CliBatchView view(list, "/out", true, out, err, style);
        view.showProgress(0, 0);
        view.setProgress(0, 50);
        view.showProgress(1, 0);
        view.setProgress(1, 20); // two files at once, as with several conversions side by side
        std::string text(4096, '\0');
        std::rewind(out);
        text.resize(std::fread(text.data(), 1, text.size(), out));
        std::fclose(out);
        std::fclose(err);
        if (style == CliBatchView::Style::Text) {
            EXPECT_NE(text.find("\rclip.mov         [#####.....]  50% 00:00:00 | all 12%"), std::string::npos)
                << text;
            EXPECT_EQ(text.substr(text.rfind('\r')),
                      "\rclip.mov         50% | clip.mov         20% | all 27%\x1b[K");
            continue;
        }
        std::vector<int> rows;
        std::vector<int> batch;
        nlohmann::json last;
        for (std::size_t at = 0; at < text.size(); at = text.find('\n', at) + 1) {
            last = nlohmann::json::parse(text.substr(at, text.find('\n', at) - at));
            rows.push_back(last.at("percent"));
            batch.push_back(last.at("batch_percent"));
        }
        EXPECT_EQ(rows, (std::vector<int>{0, 50, 0, 20}));
        EXPECT_EQ(batch, (std::vector<int>{0, 12, 12, 27}));
        EXPECT_TRUE(last.at("batch_seconds_left").is_null()) << "too early to tell";
    }
}

} // namespace
} // namespace morvane::app
