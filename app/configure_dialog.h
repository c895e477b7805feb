#pragma once

#include <QDialog>

#include <string_view>

class QCheckBox;
class QLineEdit;

namespace morvane::app {

// What the Configure dialog edits; the count and the shutdown choice last only while the program runs,
// the choice to keep the list is kept in config.ini.
struct ConfigureValues {
    static constexpr int kLowestCount = 1;
    static constexpr int kHighestCount = 4;

    int processCount = 2;          // "Simultaneous process:": how many files a batch converts at once
    bool shutdownWhenDone = false; // "Shutdown PC when finished."
    bool keepList = false;         // "Keep the list for the next start": kept after a clean exit too
};

// The count OK stores from the count box: the value of its first character, 0 when that is not a digit.
int processCountFromText(std::string_view boxText);

// How many files a batch converts at once for a stored count: the count kept between 1 and 4 (the box
// takes any first digit).
int simultaneousConversions(int processCount);

// The number the spinner writes into the count box after `steps` clicks (up positive): the box's
// number, or `lastPosition` when the box holds none, kept between 1 and 4 before and after stepping.
int steppedProcessCount(std::string_view boxText, int lastPosition, int steps);

// "Configure": the process count with its spinner, the shutdown choice and the choice to keep the
// list. OK stores them, Cancel nothing.
class ConfigureDialog final : public QDialog {
    Q_OBJECT

public:
    explicit ConfigureDialog(const ConfigureValues& values, QWidget* parent = nullptr);

    // The values the dialog opened with, or those OK stored.
    const ConfigureValues& values() const { return m_values; }

    // Runs the dialog modally; on OK `values` takes the confirmed ones. True on OK.
    static bool edit(ConfigureValues& values, QWidget* parent);

    void accept() override;

private:
    void step(int steps);

    ConfigureValues m_values;
    int m_spinnerPosition = 2;
    QLineEdit* m_countBox = nullptr;
    QCheckBox* m_shutdownCheck = nullptr;
    QCheckBox* m_keepListCheck = nullptr;
};

} // namespace morvane::app
