// The port selector: a drop-down list with an edit field whose list is
// refreshed each time it opens, and where a typed path is taken on Enter.
// The list shows beside each port name what the system tells about the port.
#pragma once

#include <QComboBox>
#include <QList>
#include <QString>
#include <QStringList>

class QStandardItemModel;
class QTreeView;

namespace travik {

// A port as the selector lists it: the name (opened, stored, shown in the edit
// field) and its description (shown beside it in the list only).
struct PortEntry {
    QString name;
    QString description;
};

class PortComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit PortComboBox(QWidget* parent = nullptr);

    QStringList portNames() const;
    QString portDescription(int index) const;
    // Appends the names the list does not hold yet (compared without regard to
    // case). Keeps the selection and the edit field's text as they are.
    void appendPortNames(const QStringList& names);
    // A path the user typed: appended like a found port, and never removed by updatePorts.
    void appendTypedPath(const QString& name);
    // Makes the list the ports found now: appends new ones, brings descriptions
    // up to date, and removes ports no longer found, except the selected one
    // and those the user typed. Keeps the selection and the edit field's text.
    void updatePorts(const QList<PortEntry>& found);
    // Selects the item with this text, or none (-1) when there is none; the
    // edit field shows the item's text, or stays as it is for none.
    void selectPortName(const QString& name);
    void showPopup() override;

signals:
    // The list is about to open: time to look for new ports.
    void popupAboutToShow();
    // The user pressed Enter in the edit field.
    void pathEntered(const QString& text);

private:
    void appendPort(const QString& name, const QString& description, bool typed);
    void fitPopupWidth();

    QStandardItemModel* model_;
    QTreeView* list_;
};

}  // namespace travik
