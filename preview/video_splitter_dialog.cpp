#include "preview/video_splitter_dialog.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <array>

#include "platform/translation.h"
#include "preview/video_host.h"
#include "widgets/dialog_template.h"
#include "widgets/image_button.h"
#include "widgets/range_slider.h"

namespace morvane::preview {

namespace {

using widgets::ControlKind;
using widgets::DialogControl;

constexpr int kWidthUnits = 221;
constexpr int kHeightUnits = 141;
constexpr int kStartPaneId = 1070;
constexpr int kEndPaneId = 1071;
constexpr int kPlayButtonId = 1046;
constexpr int kSliderId = 1069;
constexpr int kPlayIcon = 186;
constexpr int kPauseIcon = 185;
constexpr const char* kErrorTime = QT_TRANSLATE_NOOP("VideoSplitter", "Error time!");
constexpr const char* kErrorCaption = "Error";
constexpr const char* kEmptyCutText =
    QT_TRANSLATE_NOOP("VideoSplitter", "The part to convert is empty: End must be later than Start.");

// The last control lies below the template's area: the note that tells when a typed time was held
// to the file.
constexpr std::array<DialogControl, 17> kControls{{
    {kStartPaneId, ControlKind::Custom, nullptr, {7, 7, 100, 72}, "startPane"},
    {kEndPaneId, ControlKind::Custom, nullptr, {114, 7, 100, 72}, "endPane"},
    {kPlayButtonId, ControlKind::Custom, nullptr, {7, 83, 16, 14}, "playButton"},
    {kSliderId, ControlKind::Custom, nullptr, {27, 84, 187, 12}, "rangeSlider"},
    {0, ControlKind::Label, QT_TRANSLATE_NOOP("Dialog", "Min"), {7, 102, 45, 8}, "minLabel"},
    {0, ControlKind::Label, QT_TRANSLATE_NOOP("Dialog", "Start"), {60, 102, 45, 8}, "startLabel"},
    {0, ControlKind::Label, QT_TRANSLATE_NOOP("Dialog", "End"), {116, 102, 45, 8}, "endLabel"},
    {0, ControlKind::Label, QT_TRANSLATE_NOOP("Dialog", "Max"), {169, 102, 45, 8}, "maxLabel"},
    {1072, ControlKind::Edit, nullptr, {7, 111, 45, 12}, "minEdit"},
    {1073, ControlKind::Edit, nullptr, {60, 111, 45, 12}, "startEdit"},
    {1074, ControlKind::Edit, nullptr, {116, 111, 45, 12}, "endEdit"},
    {1075, ControlKind::Edit, nullptr, {169, 111, 45, 12}, "maxEdit"},
    {0, ControlKind::Label, QT_TRANSLATE_NOOP("Dialog", "Length:"), {7, 128, 26, 8}, "lengthCaption"},
    {1076, ControlKind::Label, nullptr, {34, 128, 40, 8}, "lengthLabel"},
    {1, ControlKind::DefaultPushButton, QT_TRANSLATE_NOOP("Dialog", "&OK"), {116, 125, 45, 14}, "okButton"},
    {2, ControlKind::PushButton, QT_TRANSLATE_NOOP("Dialog", "&Cancel"), {169, 125, 45, 14}, "cancelButton"},
    {0, ControlKind::Label, nullptr, {7, 142, 207, 8}, "noteLabel"},
}};

QString timeText(long long seconds) {
    return QString::fromStdString(splitterTimeText(seconds));
}

} // namespace

VideoSplitterDialog::VideoSplitterDialog(QWidget* parent, ErrorPrompt prompt)
    : QDialog(parent), m_prompt(std::move(prompt)) {
    setObjectName(QStringLiteral("videoSplitterDialog"));
    setWindowTitle(QCoreApplication::translate("VideoSplitter", "Video Splitter"));
    if (!m_prompt) {
        m_prompt = [this](const std::string& text, const std::string& caption) {
            QMessageBox::critical(this, QCoreApplication::translate("Message", caption.c_str()),
                                  QString::fromStdString(text));
        };
    }
    widgets::createDialogControls(*this, kControls,
                                  [](const DialogControl& row, QWidget& dialog) -> QWidget* {
                                      switch (row.id) {
                                      case kStartPaneId:
                                      case kEndPaneId: {
                                          auto* pane = new VideoHost(&dialog);
                                          // Panes without a picture (nothing loaded, or a file that cannot
                                          // play) stay dark.
                                          QPalette palette = pane->palette();
                                          palette.setColor(QPalette::Window, Qt::black);
                                          pane->setPalette(palette);
                                          return pane;
                                      }
                                      case kPlayButtonId:
                                          return new widgets::ImageButton(&dialog);
                                      case kSliderId:
                                          return new widgets::CRangeSlider(&dialog);
                                      default:
                                          return nullptr;
                                      }
                                  });
    widgets::fixDialogSize(*this, kWidthUnits, kHeightUnits);

    m_startPane = findChild<VideoHost*>(QStringLiteral("startPane"));
    m_endPane = findChild<VideoHost*>(QStringLiteral("endPane"));
    m_playButton = findChild<widgets::ImageButton*>(QStringLiteral("playButton"));
    m_slider = findChild<widgets::CRangeSlider*>(QStringLiteral("rangeSlider"));
    m_minEdit = findChild<QLineEdit*>(QStringLiteral("minEdit"));
    m_startEdit = findChild<QLineEdit*>(QStringLiteral("startEdit"));
    m_endEdit = findChild<QLineEdit*>(QStringLiteral("endEdit"));
    m_maxEdit = findChild<QLineEdit*>(QStringLiteral("maxEdit"));
    m_lengthLabel = findChild<QLabel*>(QStringLiteral("lengthLabel"));
    m_noteLabel = findChild<QLabel*>(QStringLiteral("noteLabel"));
    m_noteLabel->setTextFormat(Qt::PlainText);
    m_minEdit->setEnabled(false);
    m_maxEdit->setEnabled(false);
    m_startEdit->installEventFilter(this);
    m_endEdit->installEventFilter(this);
    m_slider->installEventFilter(this);

    connect(m_slider, &widgets::CRangeSlider::rangeChanged, this, &VideoSplitterDialog::onRangeChanged);
    connect(m_playButton, &QPushButton::clicked, this, &VideoSplitterDialog::onPlayClicked);
    connect(findChild<QPushButton*>(QStringLiteral("okButton")), &QPushButton::clicked, this,
            &VideoSplitterDialog::accept);
    connect(findChild<QPushButton*>(QStringLiteral("cancelButton")), &QPushButton::clicked, this,
            &VideoSplitterDialog::reject);
}

VideoSplitterDialog::~VideoSplitterDialog() {
    closePlayers();
}

void VideoSplitterDialog::showEvent(QShowEvent* event) {
    if (!m_initialised) {
        initialise();
    }
    QDialog::showEvent(event);
}

void VideoSplitterDialog::initialise() {
    m_initialised = true;
    m_slider->SetMinMax(m_values.minimum, m_values.maximum);
    m_slider->SetRange(m_values.start, m_values.end);

    m_minEdit->setText(timeText(m_values.minimum));
    // The maximum is a bound a second past the file's end: Max shows the end itself.
    m_maxEdit->setText(timeText(shownEnd(m_values)));
    showTimes(true, true);

    m_startPlayer.Open(m_sourcePath, m_startPane, this);
    m_startShown = {};
    // The end pane never plays, so it needs no news.
    m_endPlayer.Open(m_sourcePath, m_endPane, nullptr);
    m_endShown = {};
    seekPanes(SeekMode::Exact);

    m_playState = NotStarted;
    m_playButton->setTransparentFace();
    m_playButton->setAlignment(1);
    showPlayPicture(false);
}

void VideoSplitterDialog::onRangeChanged(widgets::RangeChange /*change*/) {
    const double left = m_slider->left();
    const double right = m_slider->right();
    m_values.start = wholeSeconds(left);
    m_values.end = wholeSeconds(right);
    showTimes(true, true);
    m_noteLabel->clear();
    // While a thumb is dragged the panes follow on key frames; the release shows the exact frames.
    seekPanes(m_slider->isTracking() ? SeekMode::KeyFrame : SeekMode::Exact);
}

void VideoSplitterDialog::seekPanes(SeekMode mode) {
    seekPane(m_startPlayer, m_startShown, m_slider->left(), mode);
    seekPane(m_endPlayer, m_endShown, m_slider->right(), mode);
}

void VideoSplitterDialog::seekPane(PreviewPlayer& player, PaneTarget& shown, double seconds, SeekMode mode) {
    // A pane whose end did not move keeps its picture (dragging one thumb leaves the other pane
    // exact), and an exact picture is not replaced by a key frame.
    const bool exact = mode == SeekMode::Exact;
    if (shown.valid && shown.seconds == seconds && (shown.exact || !exact)) {
        return;
    }
    player.Seek(seconds, mode);
    shown = {true, seconds, exact};
}

void VideoSplitterDialog::showTimes(bool startBox, bool endBox) {
    // Start, End and Length as they will be converted, in whole seconds. A box whose typed text is
    // still to be taken keeps it.
    const int start = shownTime(m_values.start, m_values);
    const int end = shownTime(m_values.end, m_values);
    if (startBox) {
        m_startEdit->setText(timeText(start));
    }
    if (endBox) {
        m_endEdit->setText(timeText(end));
    }
    m_lengthLabel->setText(timeText(std::max(end - start, 0)));
}

bool VideoSplitterDialog::takeTypedTime(TypedField field) {
    QLineEdit* edit = field == TypedField::Start ? m_startEdit : m_endEdit;
    const QString typedText = edit->text().trimmed();
    const std::optional<TypedTime> taken = readTypedTime(typedText.toStdString(), field, m_values);
    if (!taken) {
        edit->setText(field == TypedField::Start ? m_startBackup : m_endBackup);
        m_prompt(QCoreApplication::translate("VideoSplitter", kErrorTime).toStdString(), kErrorCaption);
        return false;
    }
    if (field == TypedField::Start) {
        m_slider->SetRange(taken->stored, m_values.end);
        m_values.start = taken->stored;
    } else {
        m_slider->SetRange(m_values.start, taken->stored);
        m_values.end = taken->stored;
    }
    // The value as stored, and the panes and the length with it.
    showTimes(field == TypedField::Start, field == TypedField::End);
    (field == TypedField::Start ? m_startBackup : m_endBackup) = edit->text();
    seekPanes(SeekMode::Exact);
    m_noteLabel->clear();
    if (taken->held) {
        // The user learns that the value was changed, and to what.
        m_noteLabel->setText(
            (field == TypedField::Start
                 ? QCoreApplication::translate("VideoSplitter", "Start %1 lies outside the clip; %2 is used.")
                 : QCoreApplication::translate("VideoSplitter", "End %1 lies outside the clip; %2 is used."))
                .arg(typedText, edit->text()));
        QApplication::beep();
    }
    return true;
}

bool VideoSplitterDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_startEdit || watched == m_endEdit) {
        const TypedField field = watched == m_startEdit ? TypedField::Start : TypedField::End;
        QLineEdit* edit = static_cast<QLineEdit*>(watched);
        if (event->type() == QEvent::FocusIn) {
            (field == TypedField::Start ? m_startBackup : m_endBackup) = edit->text();
        } else if (event->type() == QEvent::FocusOut && edit->isModified()) {
            edit->setModified(false);
            takeTypedTime(field);
        }
    } else if (watched == m_slider && event->type() == QEvent::MouseButtonRelease) {
        // After the slider has handled the release: exact frames at the ends the drag left.
        QMetaObject::invokeMethod(
            this, [this] { seekPanes(SeekMode::Exact); }, Qt::QueuedConnection);
    }
    return QDialog::eventFilter(watched, event);
}

void VideoSplitterDialog::onPlayClicked() {
    switch (m_playState) {
    case NotStarted:
        if (m_sourcePath.empty()) {
            return;
        }
        // From the very beginning of the file, not from the start time.
        m_startPlayer.Open(m_sourcePath, m_startPane, this);
        m_startShown = {};
        m_startPlayer.Play();
        m_playState = Playing;
        showPlayPicture(true);
        return;
    case Paused:
        m_startShown = {};
        m_startPlayer.Play();
        m_playState = Playing;
        showPlayPicture(true);
        return;
    case Playing:
        m_startPlayer.Pause();
        m_playState = Paused;
        showPlayPicture(false);
        return;
    default:
        return;
    }
}

void VideoSplitterDialog::showPlayPicture(bool playing) {
    m_playButton->setIcon(playing ? kPauseIcon : kPlayIcon);
    m_playButton->setTooltipText(playing ? QCoreApplication::translate("VideoSplitter", "Pause")
                                         : QCoreApplication::translate("VideoSplitter", "Play"));
}

bool VideoSplitterDialog::event(QEvent* event) {
    if (event->type() == kGraphEvent) {
        m_startPlayer.HandleGraphEvents();
        return true;
    }
    return QDialog::event(event);
}

void VideoSplitterDialog::accept() {
    // Enter in an edit reaches OK without the edit losing the focus first.
    for (const TypedField field : {TypedField::Start, TypedField::End}) {
        QLineEdit* edit = field == TypedField::Start ? m_startEdit : m_endEdit;
        if (edit->isModified()) {
            edit->setModified(false);
            if (!takeTypedTime(field)) {
                return;
            }
        }
    }
    // A cut without length would give the converter nothing to do.
    if (emptyCut(m_values)) {
        m_prompt(QCoreApplication::translate("VideoSplitter", kEmptyCutText).toStdString(), kErrorCaption);
        return;
    }
    closePlayers();
    QDialog::accept();
}

void VideoSplitterDialog::reject() {
    closePlayers();
    QDialog::reject();
}

void VideoSplitterDialog::closePlayers() {
    m_startPlayer.Close();
    m_endPlayer.Close();
}

std::optional<SplitterValues> runVideoSplitter(QWidget* owner, const std::string& sourcePath,
                                               const SplitterValues& values,
                                               VideoSplitterDialog::ErrorPrompt prompt) {
    VideoSplitterDialog dialog(owner, std::move(prompt));
    dialog.setSourcePath(sourcePath);
    dialog.setValues(values);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.values();
}

} // namespace morvane::preview
