#include "widgets/option_tree_delegate.h"

#include <QComboBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSignalBlocker>

#include <algorithm>

#include "widgets/option_tree.h"
#include "widgets/option_tree_items.h"

namespace morvane::widgets {

namespace {

QColor greyText(const QPalette& palette) {
    return palette.color(QPalette::Disabled, QPalette::Text);
}

bool drawsGrey(const OptionTree& tree, const OptionTreeItem& item) {
    return item.isReadOnly() || !tree.isEnabled();
}

void fillCombo(QComboBox& combo, const QModelIndex& index) {
    const QStringList entries = index.data(kOptionTreeChoicesRole).toStringList();
    bool same = combo.count() == entries.size();
    for (int i = 0; same && i < combo.count(); ++i) {
        same = combo.itemText(i) == entries[i];
    }
    if (!same) {
        combo.clear();
        combo.addItems(entries);
    }
    combo.setCurrentIndex(index.data(kOptionTreeCurrentRole).toInt());
    if (combo.isEditable()) {
        const QString text = index.data(Qt::EditRole).toString();
        if (combo.currentText() != text) {
            combo.setEditText(text);
        }
    }
    combo.setPlaceholderText(index.data(kOptionTreePlaceholderRole).toString());
    combo.setEnabled(!index.data(kOptionTreeReadOnlyRole).toBool());
}

} // namespace

OptionTreeDelegate::OptionTreeDelegate(OptionTree* tree, QObject* parent)
    : QStyledItemDelegate(parent), m_tree(tree) {}

void OptionTreeDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    const auto* item = static_cast<const OptionTreeItem*>(index.internalPointer());
    if (item == nullptr) {
        return;
    }
    const QPalette& palette = option.palette;
    const bool grey = drawsGrey(*m_tree, *item);
    const bool heading = (m_tree->options() & kOptionTreeShadeHeadings) != 0 && item->childCount() > 0;
    painter->save();
    if (index.column() == 0) {
        QColor background = heading ? palette.color(QPalette::Button) : item->labelBackground();
        QColor text = grey ? greyText(palette) : item->labelText();
        if (item->isSelected()) {
            background = palette.color(QPalette::Highlight);
            text = palette.color(QPalette::HighlightedText);
        }
        painter->fillRect(option.rect, background);
        QFont font = option.font;
        font.setBold(heading);
        painter->setFont(font);
        painter->setPen(text);
        const QRect textRect = option.rect.adjusted(2, 0, -2, 0);
        const QString shown = QFontMetrics(font).elidedText(item->label(), Qt::ElideRight, textRect.width());
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    } else {
        painter->fillRect(option.rect, heading ? palette.color(QPalette::Button) : item->valueBackground());
        const QWidget* editor = item->currentEditor();
        if (!item->isActivated() || editor == nullptr || !editor->isVisible()) {
            painter->setFont(option.font);
            item->drawValue(*painter, option.rect.adjusted(5, 0, 0, 0),
                            grey ? greyText(palette) : item->valueTextColour());
        }
    }
    if ((m_tree->options() & kOptionTreeGridLines) != 0) {
        painter->setPen(palette.color(QPalette::Button));
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
    }
    painter->restore();
}

QSize OptionTreeDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const auto* item = static_cast<const OptionTreeItem*>(index.internalPointer());
    const int height = item != nullptr ? item->height() : 18;
    // Never clip a label in a font taller than the default row.
    return {option.rect.width(), std::max(height, option.fontMetrics.height() + 2)};
}

QWidget* OptionTreeDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& /*option*/,
                                          const QModelIndex& index) const {
    switch (index.data(kOptionTreeTypeRole).toInt()) {
    case OptionTreeItem::kEdit:
        if (index.data(kOptionTreeMultiLineRole).toBool()) {
            auto* field = new QPlainTextEdit(parent);
            field->setFrameShape(QFrame::NoFrame);
            connect(field, &QPlainTextEdit::textChanged, field, [this, field] { editorChanged(field); });
            return field;
        } else {
            auto* field = new OptionTreeLineEdit(parent);
            field->setFrame(false);
            connect(field, &QLineEdit::textChanged, field, [this, field] { editorChanged(field); });
            return field;
        }
    case OptionTreeItem::kCombo: {
        auto* combo = new QComboBox(parent);
        combo->setEditable(index.data(kOptionTreeEditableRole).toBool());
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setFrame(false);
        connect(combo, &QComboBox::currentIndexChanged, combo, [this, combo] { editorChanged(combo); });
        connect(combo, &QComboBox::editTextChanged, combo, [this, combo] { editorChanged(combo); });
        return combo;
    }
    default:
        return nullptr;
    }
}

void OptionTreeDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    // Filling the editor is no edit: it must not write back what it was just given.
    const QSignalBlocker blocker(editor);
    const bool readOnly = index.data(kOptionTreeReadOnlyRole).toBool();
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        const QString text = index.data(Qt::EditRole).toString();
        if (line->text() != text) {
            line->setText(text);
            line->setCursorPosition(0);
        }
        line->setReadOnly(readOnly);
    } else if (auto* field = qobject_cast<QPlainTextEdit*>(editor)) {
        const QString text = index.data(Qt::EditRole).toString();
        if (field->toPlainText() != text) {
            field->setPlainText(text);
        }
        field->setReadOnly(readOnly);
    } else if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        const QSignalBlocker fieldBlocker(combo->lineEdit());
        fillCombo(*combo, index);
    }
}

void OptionTreeDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                      const QModelIndex& index) const {
    if (const auto* line = qobject_cast<const QLineEdit*>(editor)) {
        model->setData(index, line->text(), Qt::EditRole);
    } else if (const auto* field = qobject_cast<const QPlainTextEdit*>(editor)) {
        model->setData(index, field->toPlainText(), Qt::EditRole);
    } else if (const auto* combo = qobject_cast<const QComboBox*>(editor)) {
        model->setData(index, combo->currentIndex(), kOptionTreeCurrentRole);
        if (combo->isEditable()) {
            model->setData(index, combo->currentText(), Qt::EditRole);
        }
    }
}

void OptionTreeDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                              const QModelIndex& /*index*/) const {
    editor->setGeometry(option.rect.adjusted(1, 0, 0, -1));
}

void OptionTreeDelegate::editorChanged(QWidget* editor) const {
    // The signal is the delegate's own; emitting it changes nothing the delegate holds.
    Q_EMIT const_cast<OptionTreeDelegate*>(this)->commitData(editor);
}

} // namespace morvane::widgets
