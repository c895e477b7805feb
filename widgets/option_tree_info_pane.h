#pragma once

#include <QFrame>

namespace morvane::widgets {

class OptionTree;

// The option tree's description pane: the focused row's label in bold and its description below.
class OptionTreeInfoPane : public QFrame {
    Q_OBJECT

public:
    explicit OptionTreeInfoPane(OptionTree* tree);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    OptionTree* m_tree = nullptr;
};

} // namespace morvane::widgets
