// The port behind the port selector: the one picked, typed or stored, opened
// for the readout, and the adapter remembered with it, found again when the
// system gives it another name. Tells the window through its ReadoutWindow
// side (status line, message boxes) and through readyChanged.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <string>

#include "AdapterIdentity.h"
#include "CommPortList.h"
#include "Readout.h"

namespace travik {

class PortComboBox;

class PortChoice : public QObject {
    Q_OBJECT
public:
    // `state` holds the port in use; `selector` shows the choice; `window`
    // gets the status texts and messages. All outlive the choice.
    PortChoice(ReadoutState& state, PortComboBox* selector, ReadoutWindow& window,
               QObject* parent = nullptr);

    // Where the ports come from: the machine's (FindSerialPorts) unless
    // another source is given before start-up.
    void setPortFinder(std::function<FoundPorts()> finder) { findPorts_ = std::move(finder); }

    // Start-up, before the settings are read: no port, the ports listed.
    void clearAndList();
    // Start-up, once the settings are read and the language applied: the
    // stored port (or its adapter under a new name) is opened.
    void start(const std::string& storedPort, const std::string& storedAdapter);

    // What the settings keep of the choice.
    std::string portNameToRemember() const;
    std::string adapterToRemember(const std::string& portName) const;

public slots:
    // The selector's item was picked: that port is opened.
    void takeSelectedPort();
    // A port discovery cannot see (a pseudo-terminal): typed, then Enter.
    void takeTypedPath(const QString& text);
    // The selector's list is about to open: the ports are looked for anew.
    void refreshPortList();

signals:
    // The port is open and ready for a readout, or not (any more).
    void readyChanged(bool ready);

private:
    void findRememberedAdapter();
    void takeAdapterChoice(const AdapterChoice& choice);
    void showAdapterNotChosen(const AdapterChoice& choice);
    void openFoundAdapter(const std::string& port);
    OpenStatus openSelectedPort();
    void showPortOutcome(const OpenStatus& opened);
    void forgetFailedPort();
    void setReady(bool ready);

    ReadoutState& state_;
    PortComboBox* selector_;
    ReadoutWindow& window_;
    std::function<FoundPorts()> findPorts_ = FindSerialPorts;
    FoundPorts foundPorts_;          // as the last refresh of the selector found them
    bool started_ = false;           // start-up is over: a refresh looks for the adapter
    std::string storedPortName_;     // comID as read at start-up
    std::string pickedPortName_;     // the last port picked or typed, else storedPortName_
    std::string rememberedAdapter_;  // the identity of the adapter behind the port, if known
    bool portTyped_ = false;         // the port is a name typed by hand: never replaced
    bool awaitingAdapter_ = false;   // start-up chose nothing: the adapter is looked for
};

}  // namespace travik
