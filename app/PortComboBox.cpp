#include "PortComboBox.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QTreeView>

namespace travik {
namespace {

constexpr int kNameColumn = 0;
constexpr int kDescriptionColumn = 1;
constexpr int kTypedRole = Qt::UserRole + 1;  // true for a path the user typed

bool holds(const QList<PortEntry>& found, const QString& name) {
    for (const PortEntry& entry : found)
        if (entry.name.compare(name, Qt::CaseInsensitive) == 0) return true;
    return false;
}

}  // namespace

PortComboBox::PortComboBox(QWidget* parent)
    : QComboBox(parent), model_(new QStandardItemModel(0, 2, this)), list_(new QTreeView) {
    setModel(model_);
    setModelColumn(kNameColumn);
    list_->setHeaderHidden(true);
    list_->setRootIsDecorated(false);
    list_->setItemsExpandable(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setTextElideMode(Qt::ElideNone);
    setView(list_);  // the combo box owns it from here

    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // Typing alone selects nothing: no completion, and no selection when the
    // edit field loses focus (QComboBox would pick a matching item then).
    setCompleter(nullptr);
    disconnect(lineEdit(), &QLineEdit::editingFinished, this, nullptr);
    connect(lineEdit(), &QLineEdit::returnPressed, this,
            [this] { emit pathEntered(lineEdit()->text()); });
}

QStringList PortComboBox::portNames() const {
    QStringList names;
    for (int i = 0; i < count(); ++i) names << itemText(i);
    return names;
}

QString PortComboBox::portDescription(int index) const {
    const QStandardItem* item = model_->item(index, kDescriptionColumn);
    return item ? item->text() : QString();
}

void PortComboBox::appendPort(const QString& name, const QString& description, bool typed) {
    auto* nameItem = new QStandardItem(name);
    nameItem->setData(typed, kTypedRole);
    auto* descriptionItem = new QStandardItem(description);
    descriptionItem->setToolTip(description);
    model_->appendRow({nameItem, descriptionItem});
}

void PortComboBox::appendPortNames(const QStringList& names) {
    QList<PortEntry> entries;
    for (const QString& name : names) entries.append({name, QString()});
    const QSignalBlocker blocker(this);
    const int selected = currentIndex();
    const QString shown = currentText();
    for (const PortEntry& entry : entries) {
        if (findText(entry.name, Qt::MatchFixedString) < 0)
            appendPort(entry.name, entry.description, false);
    }
    // Adding to an empty list would select the first item.
    if (currentIndex() != selected) setCurrentIndex(selected);
    if (currentText() != shown) setEditText(shown);
}

void PortComboBox::appendTypedPath(const QString& name) {
    const int existing = findText(name, Qt::MatchFixedString);
    if (existing >= 0) {
        model_->item(existing, kNameColumn)->setData(true, kTypedRole);
        return;
    }
    const QSignalBlocker blocker(this);
    const int selected = currentIndex();
    const QString shown = currentText();
    appendPort(name, QString(), true);
    if (currentIndex() != selected) setCurrentIndex(selected);
    if (currentText() != shown) setEditText(shown);
}

void PortComboBox::updatePorts(const QList<PortEntry>& found) {
    const QSignalBlocker blocker(this);
    const QString shown = currentText();
    const QString selectedName = currentIndex() >= 0 ? itemText(currentIndex()) : QString();
    for (int row = count() - 1; row >= 0; --row) {
        const bool typed = model_->item(row, kNameColumn)->data(kTypedRole).toBool();
        if (row != currentIndex() && !typed && !holds(found, itemText(row))) removeItem(row);
    }
    for (const PortEntry& entry : found) {
        const int row = findText(entry.name, Qt::MatchFixedString);
        if (row < 0) {
            appendPort(entry.name, entry.description, false);
        } else {
            model_->item(row, kDescriptionColumn)->setText(entry.description);
            model_->item(row, kDescriptionColumn)->setToolTip(entry.description);
        }
    }
    setCurrentIndex(selectedName.isEmpty() ? -1 : findText(selectedName, Qt::MatchFixedString));
    if (currentText() != shown) setEditText(shown);
}

void PortComboBox::selectPortName(const QString& name) {
    setCurrentIndex(findText(name, Qt::MatchFixedString));
}

// The list is as wide as its two columns need, however narrow the box.
void PortComboBox::fitPopupWidth() {
    list_->resizeColumnToContents(kNameColumn);
    list_->resizeColumnToContents(kDescriptionColumn);
    const int columns = list_->columnWidth(kNameColumn) + list_->columnWidth(kDescriptionColumn);
    const int frame = 2 * list_->frameWidth() + list_->verticalScrollBar()->sizeHint().width();
    list_->setMinimumWidth(qMax(width(), columns + frame));
}

void PortComboBox::showPopup() {
    emit popupAboutToShow();
    fitPopupWidth();
    QComboBox::showPopup();
}

}  // namespace travik
