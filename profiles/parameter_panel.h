#pragma once

// The parameter panel: the option tree on the main window that shows one profile's settings under
// the headings General, Video and Audio, read-only for the chosen profile or editable for the
// selected file-list row, and writes the edited texts back into the row's profile.

#include <QPointer>

#include "profiles/profile.h"

class QRect;
class QWidget;

namespace morvane::widgets {
class OptionTree;
} // namespace morvane::widgets

namespace morvane::profiles {

class ParameterPanel {
public:
    static constexpr int kControlId = 10000001;
    // Description pane, shaded headings and grid lines.
    static constexpr unsigned kTreeOptions = 25;

    // Creates the option tree as a visible child of `window` over `rect` (the panel frame's
    // rectangle) and turns its notifications on; the window need not act on them.
    ParameterPanel(QWidget& window, const QRect& rect);
    ~ParameterPanel();
    ParameterPanel(const ParameterPanel&) = delete;
    ParameterPanel& operator=(const ParameterPanel&) = delete;

    // Clears the tree and fills it from `profile`: editable only when `editable` is set (the
    // selected row's own profile), and even then not the settings marked "READONLY".
    void Show(const Profile& profile, bool editable);
    // Copies every editor's text into the first setting of `profile` with the row's label in the
    // row's category. A drop-down list without a selected entry leaves its setting as it was.
    void StoreEdits(Profile& profile) const;
    // Sets the read-only flag of every edit and combo row.
    void SetAllReadOnly(bool readOnly);

    widgets::OptionTree& tree() const;

private:
    QPointer<widgets::OptionTree> m_tree;
};

} // namespace morvane::profiles
