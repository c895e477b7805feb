#pragma once

#include <QDialog>

#include <functional>
#include <optional>
#include <string>

#include "preview/preview_player.h"
#include "preview/video_splitter_logic.h"
#include "widgets/range_slider_math.h"

class QLabel;
class QLineEdit;

namespace morvane::widgets {
class CRangeSlider;
class ImageButton;
} // namespace morvane::widgets

namespace morvane::preview {

class VideoHost;

// "Video Splitter": picks the part of one file to convert, a start and an end in whole seconds. A
// range slider spans the file; the left pane shows the frame at the start, the right pane the frame
// at the end, each through its own player; Start and End can also be typed. The play button plays the
// left pane from the file's beginning (and it loops at the end like the main window's pane).
class VideoSplitterDialog final : public QDialog {
    Q_OBJECT

public:
    // Tells the user of an error and waits for the answer (text, caption). The default is a message
    // box with the stop icon, owned by the dialog.
    using ErrorPrompt = std::function<void(const std::string& text, const std::string& caption)>;

    enum PlayState { NotStarted = 0, Playing = 1, Paused = 2 };

    explicit VideoSplitterDialog(QWidget* parent = nullptr, ErrorPrompt prompt = {});
    ~VideoSplitterDialog() override;

    // Set before the dialog is shown.
    void setSourcePath(const std::string& path) { m_sourcePath = path; }
    void setValues(const SplitterValues& values) { m_values = values; }
    // The last values stored by the slider or by an accepted typed time.
    const SplitterValues& values() const { return m_values; }

    // Fills the controls and opens both players; runs when the dialog is first shown.
    void initialise();
    int playState() const { return m_playState; }

    widgets::CRangeSlider& slider() const { return *m_slider; }
    VideoHost& startPane() const { return *m_startPane; }
    VideoHost& endPane() const { return *m_endPane; }
    PreviewPlayer& startPlayer() { return m_startPlayer; }
    PreviewPlayer& endPlayer() { return m_endPlayer; }

    // A typed time not yet taken (its edit still has the focus) is taken first; OK does not close
    // the dialog when it is refused.
    void accept() override;
    // Cancel, Escape and the window's close button.
    void reject() override;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void onRangeChanged(widgets::RangeChange change);
    void onPlayClicked();
    // Takes the text of Start or End; false (text restored, error shown) when it is refused.
    bool takeTypedTime(TypedField field);
    // What a pane was last asked to show.
    struct PaneTarget {
        bool valid = false;
        double seconds = 0.0;
        bool exact = false;
    };
    void seekPanes(SeekMode mode);
    static void seekPane(PreviewPlayer& player, PaneTarget& shown, double seconds, SeekMode mode);
    // Start (when `startBox`), End (when `endBox`) and Length from the stored values, never past the
    // file's end.
    void showTimes(bool startBox, bool endBox);
    void showPlayPicture(bool playing);
    void closePlayers();

    ErrorPrompt m_prompt;
    std::string m_sourcePath;
    SplitterValues m_values;
    int m_playState = NotStarted;
    bool m_initialised = false;
    QString m_startBackup;
    QString m_endBackup;
    PaneTarget m_startShown;
    PaneTarget m_endShown;

    widgets::CRangeSlider* m_slider = nullptr;
    widgets::ImageButton* m_playButton = nullptr;
    VideoHost* m_startPane = nullptr;
    VideoHost* m_endPane = nullptr;
    QLineEdit* m_minEdit = nullptr;
    QLineEdit* m_startEdit = nullptr;
    QLineEdit* m_endEdit = nullptr;
    QLineEdit* m_maxEdit = nullptr;
    QLabel* m_lengthLabel = nullptr;
    QLabel* m_noteLabel = nullptr;
    // Declared after the panes' pointers but destroyed before the panes (children of the dialog).
    PreviewPlayer m_startPlayer;
    PreviewPlayer m_endPlayer;
};

// Runs the splitter modally over `owner` for `sourcePath`, opening with `values`; the chosen values
// on OK, nothing on Cancel.
std::optional<SplitterValues> runVideoSplitter(QWidget* owner, const std::string& sourcePath,
                                               const SplitterValues& values,
                                               VideoSplitterDialog::ErrorPrompt prompt = {});

} // namespace morvane::preview
