#include "profiles/parameter_panel.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QRect>

#include <map>
#include <memory>
#include <vector>

#include "platform/translation.h"
#include "profiles/option_table.h"
#include "profiles/panel_content.h"
#include "widgets/option_tree.h"
#include "widgets/option_tree_items.h"

namespace morvane::profiles {

namespace {

QString fromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The headings' texts, marked for the catalogues; the rows' labels and descriptions are marked in the
// option table.
constexpr const char* kHeadingTexts[] = {
    QT_TRANSLATE_NOOP("ParameterPanel", "General"),
    QT_TRANSLATE_NOOP("ParameterPanel", "Video"),
    QT_TRANSLATE_NOOP("ParameterPanel", "Audio"),
    QT_TRANSLATE_NOOP("ParameterPanel", "General Options"),
    QT_TRANSLATE_NOOP("ParameterPanel", "Video Options"),
    QT_TRANSLATE_NOOP("ParameterPanel", "Audio Options"),
};

// A label or description as the panel shows it, in the user's language.
QString shown(const std::string& text) {
    return QCoreApplication::translate("ParameterPanel", text.c_str());
}

// The English label a shown one stands for: the profile's settings are found by their English
// labels.
std::string englishLabel(const QString& label) {
    for (const char* heading : kHeadingTexts) {
        if (label == QCoreApplication::translate("ParameterPanel", heading)) {
            return heading;
        }
    }
    for (const auto& definition : optionTable()) {
        if (definition.id != 0 && definition.label != nullptr &&
            label == QCoreApplication::translate("ParameterPanel", definition.label)) {
            return definition.label;
        }
    }
    return label.toStdString();
}

// A drop-down row that remembers the value it was shown with: a fixed list whose value is none of
// its entries shows that value (greyed in the open list) and gives it back unchanged, since the user
// cannot pick "nothing" from such a list.
class PanelCombo final : public widgets::OptionTreeCombo {
public:
    void keepUnlistedValue(const QString& value) {
        m_unlisted = value;
        setPlaceholderText(value);
    }
    bool hasUnlistedValue() const {
        return style() == kDropDownList && currentIndex() < 0 && !m_unlisted.isEmpty();
    }
    QString valueText() const override { return hasUnlistedValue() ? m_unlisted : text(); }

private:
    QString m_unlisted;
};

void fillCombo(PanelCombo& combo, const PanelRow& row) {
    combo.createWindow(row.kind == OptionKind::EditableList ? widgets::OptionTreeCombo::kDropDown
                                                            : widgets::OptionTreeCombo::kDropDownList);
    for (const auto& choice : row.choices) {
        combo.addString(fromUtf8(choice));
    }
    if (row.selected >= 0) {
        combo.setCurrentIndex(row.selected);
    } else if (combo.style() == widgets::OptionTreeCombo::kDropDown) {
        combo.setEditText(fromUtf8(row.text));
    } else {
        combo.keepUnlistedValue(fromUtf8(row.text));
    }
}

} // namespace

ParameterPanel::ParameterPanel(QWidget& window, const QRect& rect)
    : m_tree(new widgets::OptionTree(&window, kTreeOptions, kControlId)) {
    m_tree->setObjectName(QStringLiteral("parameterPanel"));
    m_tree->setGeometry(rect);
    m_tree->EnableNotify(true);
    m_tree->show();
}

ParameterPanel::~ParameterPanel() {
    // The window may already have destroyed the tree with its other children.
    delete m_tree.data();
}

widgets::OptionTree& ParameterPanel::tree() const {
    return *m_tree;
}

void ParameterPanel::Show(const Profile& profile, bool editable) {
    m_tree->deleteAllItems();
    const PanelContent content = panelContent(profile, editable);

    std::map<OptionCategory, widgets::OptionTreeItem*> headings;
    for (const auto& heading : content.headings) {
        auto* item = m_tree->insert(std::make_unique<widgets::OptionTreeItem>());
        item->setLabel(shown(heading.label));
        item->setDescription(shown(heading.description));
        headings[heading.category] = item;
    }

    for (const auto& row : content.rows) {
        widgets::OptionTreeItem* parent = headings.at(row.category);
        widgets::OptionTreeItem* item = nullptr;
        if (row.kind == OptionKind::Text) {
            auto* edit = m_tree->insert(std::make_unique<widgets::OptionTreeEdit>(), parent);
            edit->createWindow();
            edit->setText(fromUtf8(row.text));
            item = edit;
        } else {
            auto* combo = m_tree->insert(std::make_unique<PanelCombo>(), parent);
            fillCombo(*combo, row);
            item = combo;
        }
        item->setLabel(shown(row.label));
        item->setDescription(shown(row.description));
        item->setReadOnly(row.readOnly);
    }

    for (const auto& [category, heading] : headings) {
        m_tree->placeEditors(heading);
    }
    m_tree->expandAll();
}

void ParameterPanel::StoreEdits(Profile& profile) const {
    std::vector<EditedText> edits;
    m_tree->enumerate(nullptr, [&](widgets::OptionTreeItem& item) {
        const bool edit = item.type() == widgets::OptionTreeItem::kEdit;
        const bool combo = item.type() == widgets::OptionTreeItem::kCombo;
        if (!edit && !combo) {
            return true;
        }
        EditedText text;
        text.headingLabel = item.parent() ? englishLabel(item.parent()->label()) : std::string();
        text.label = englishLabel(item.label());
        if (edit) {
            text.text = static_cast<widgets::OptionTreeEdit&>(item).text().toStdString();
        } else {
            const auto* panelCombo = dynamic_cast<const PanelCombo*>(&item);
            if (!panelCombo || !panelCombo->hasUnlistedValue()) {
                text.text = static_cast<widgets::OptionTreeCombo&>(item).text().toStdString();
            }
        }
        edits.push_back(std::move(text));
        return true;
    });
    storeEditedTexts(profile, edits);
}

void ParameterPanel::SetAllReadOnly(bool readOnly) {
    m_tree->enumerate(nullptr, [&](widgets::OptionTreeItem& item) {
        if (item.type() == widgets::OptionTreeItem::kEdit || item.type() == widgets::OptionTreeItem::kCombo) {
            item.setReadOnly(readOnly);
        }
        return true;
    });
}

} // namespace morvane::profiles
