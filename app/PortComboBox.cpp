#include "PortComboBox.h"

#include <QLineEdit>
#include <QSignalBlocker>

namespace travik {

PortComboBox::PortComboBox(QWidget* parent) : QComboBox(parent) {
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

void PortComboBox::appendPortNames(const QStringList& names) {
    const QSignalBlocker blocker(this);
    const int selected = currentIndex();
    const QString shown = currentText();
    for (const QString& name : names) {
        if (findText(name, Qt::MatchFixedString) < 0) addItem(name);
    }
    // Adding to an empty list would select the first item.
    if (currentIndex() != selected) setCurrentIndex(selected);
    if (currentText() != shown) setEditText(shown);
}

void PortComboBox::selectPortName(const QString& name) {
    setCurrentIndex(findText(name, Qt::MatchFixedString));
}

void PortComboBox::showPopup() {
    emit popupAboutToShow();
    QComboBox::showPopup();
}

}  // namespace travik
