#include "app/configure_dialog.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include <algorithm>
#include <array>
#include <charconv>
#include <functional>

#include "platform/translation.h"
#include "widgets/dialog_template.h"

namespace morvane::app {

namespace {

using widgets::ControlKind;
using widgets::DialogControl;

constexpr int kWidthUnits = 162;
constexpr int kHeightUnits = 91;
constexpr int kCountBoxId = 1040;
constexpr int kSpinnerId = 1041;

constexpr std::array<DialogControl, 8> kControls{{
    {0, ControlKind::GroupBox, nullptr, {6, 2, 146, 82}, "frame"},
    {0,
     ControlKind::Label,
     QT_TRANSLATE_NOOP("Dialog", "Simultaneous process:"),
     {23, 12, 79, 10},
     "countLabel"},
    {kCountBoxId, ControlKind::Edit, nullptr, {101, 11, 18, 12}, "countBox"},
    {kSpinnerId, ControlKind::Custom, nullptr, {123, 10, 10, 14}, "countSpinner"},
    {1039,
     ControlKind::CheckBox,
     QT_TRANSLATE_NOOP("Dialog", "Shutdown PC when finished."),
     {25, 29, 106, 12},
     "shutdownCheck"},
    {1042,
     ControlKind::CheckBox,
     QT_TRANSLATE_NOOP("Dialog", "Keep the list for the next start"),
     {25, 43, 125, 12},
     "keepListCheck"},
    {1, ControlKind::DefaultPushButton, QT_TRANSLATE_NOOP("Dialog", "OK"), {28, 63, 37, 14}, "okButton"},
    {2, ControlKind::PushButton, QT_TRANSLATE_NOOP("Dialog", "Cancel"), {82, 63, 38, 14}, "cancelButton"},
}};

int clampCount(int count) {
    return std::clamp(count, ConfigureValues::kLowestCount, ConfigureValues::kHighestCount);
}

// The up and down arrows alone, bound to the count box: each click asks the dialog to step.
class CountSpinner final : public QAbstractSpinBox {
public:
    CountSpinner(QWidget* parent, std::function<void(int)> onStep)
        : QAbstractSpinBox(parent), m_onStep(std::move(onStep)) {
        setFrame(false);
        setButtonSymbols(QAbstractSpinBox::UpDownArrows);
        lineEdit()->hide();
        setFocusPolicy(Qt::NoFocus);
    }

    void stepBy(int steps) override { m_onStep(steps); }

protected:
    StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }

private:
    std::function<void(int)> m_onStep;
};

// The arrow keys in the count box step it, as the spinner's arrows do.
class ArrowKeys final : public QObject {
public:
    ArrowKeys(QObject* parent, std::function<void(int)> onStep)
        : QObject(parent), m_onStep(std::move(onStep)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Up || key == Qt::Key_Down) {
                m_onStep(key == Qt::Key_Up ? 1 : -1);
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void(int)> m_onStep;
};

} // namespace

int processCountFromText(std::string_view boxText) {
    if (boxText.empty() || boxText.front() < '0' || boxText.front() > '9') {
        return 0;
    }
    return boxText.front() - '0';
}

int simultaneousConversions(int processCount) {
    return clampCount(processCount);
}

int steppedProcessCount(std::string_view boxText, int lastPosition, int steps) {
    int current = lastPosition;
    int parsed = 0;
    const auto* end = boxText.data() + boxText.size();
    const auto [rest, error] = std::from_chars(boxText.data(), end, parsed);
    if (error == std::errc() && rest == end) {
        current = parsed;
    } else if (error == std::errc::result_out_of_range) {
        current = ConfigureValues::kHighestCount;
    }
    return clampCount(clampCount(current) +
                      std::clamp(steps, -ConfigureValues::kHighestCount, ConfigureValues::kHighestCount));
}

ConfigureDialog::ConfigureDialog(const ConfigureValues& values, QWidget* parent)
    : QDialog(parent), m_values(values), m_spinnerPosition(clampCount(values.processCount)) {
    setObjectName(QStringLiteral("configureDialog"));
    setWindowTitle(QCoreApplication::translate("ConfigureDialog", "Configure"));
    const auto stepper = [this](int steps) { step(steps); };
    widgets::createDialogControls(*this, kControls, [&](const DialogControl&, QWidget& dialog) {
        return new CountSpinner(&dialog, stepper);
    });

    m_countBox = findChild<QLineEdit*>(QStringLiteral("countBox"));
    m_countBox->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_countBox));
    m_countBox->installEventFilter(new ArrowKeys(m_countBox, stepper));
    // The spinner sits against the right edge of its box, as tall as the box.
    auto* spinner = findChild<QAbstractSpinBox*>(QStringLiteral("countSpinner"));
    const QRect box = m_countBox->geometry();
    spinner->setGeometry(box.right() + 1, box.top(), spinner->width(), box.height());
    widgets::fixDialogSize(*this, kWidthUnits, kHeightUnits);

    m_shutdownCheck = findChild<QCheckBox*>(QStringLiteral("shutdownCheck"));
    connect(findChild<QPushButton*>(QStringLiteral("okButton")), &QPushButton::clicked, this,
            &QDialog::accept);
    connect(findChild<QPushButton*>(QStringLiteral("cancelButton")), &QPushButton::clicked, this,
            &QDialog::reject);

    m_countBox->setText(QString::number(m_values.processCount));
    m_shutdownCheck->setChecked(m_values.shutdownWhenDone);
    m_keepListCheck = findChild<QCheckBox*>(QStringLiteral("keepListCheck"));
    m_keepListCheck->setChecked(m_values.keepList);
}

void ConfigureDialog::step(int steps) {
    m_spinnerPosition = steppedProcessCount(m_countBox->text().toStdString(), m_spinnerPosition, steps);
    m_countBox->setText(QString::number(m_spinnerPosition));
}

void ConfigureDialog::accept() {
    m_values.processCount = processCountFromText(m_countBox->text().toStdString());
    m_values.shutdownWhenDone = m_shutdownCheck->isChecked();
    m_values.keepList = m_keepListCheck->isChecked();
    QDialog::accept();
}

bool ConfigureDialog::edit(ConfigureValues& values, QWidget* parent) {
    ConfigureDialog dialog(values, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    values = dialog.values();
    return true;
}

} // namespace morvane::app
