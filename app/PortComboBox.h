// The port selector: a drop-down list with an edit field whose list is
// refreshed each time it opens, and where a typed path is taken on Enter.
#pragma once

#include <QComboBox>
#include <QStringList>

namespace travik {

class PortComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit PortComboBox(QWidget* parent = nullptr);

    QStringList portNames() const;
    // Appends the names the list does not hold yet (compared without regard to
    // case). Keeps the selection and the edit field's text as they are.
    void appendPortNames(const QStringList& names);
    // Selects the item with this text, or none (-1) when there is none; the
    // edit field shows the item's text, or stays as it is for none.
    void selectPortName(const QString& name);
    void showPopup() override;

signals:
    // The list is about to open: time to look for new ports.
    void popupAboutToShow();
    // The user pressed Enter in the edit field.
    void pathEntered(const QString& text);
};

}  // namespace travik
