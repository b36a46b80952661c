#include "PortChoice.h"

#include <QList>
#include <QSignalBlocker>

#include "Languages.h"
#include "PortComboBox.h"

namespace travik {
namespace {

// The ports found, as the selector lists them.
QList<PortEntry> portEntries(const FoundPorts& found) {
    QList<PortEntry> entries;
    for (const FoundPort& port : found)
        entries.append(
            {QString::fromStdString(port.name), QString::fromStdString(port.description)});
    return entries;
}

}  // namespace

PortChoice::PortChoice(ReadoutState& state, PortComboBox* selector, ReadoutWindow& window,
                       QObject* parent)
    : QObject(parent), state_(state), selector_(selector), window_(window) {}

void PortChoice::clearAndList() {
    state_.ComPortName.clear();
    state_.ComHandle.setNone();
    state_.PortReady = false;
    refreshPortList();
}

void PortChoice::start(const std::string& storedPort, const std::string& storedAdapter) {
    started_ = true;
    state_.ComPortName = storedPort;
    storedPortName_ = storedPort;
    pickedPortName_ = storedPort;
    rememberedAdapter_ = IsAdapterIdentity(storedAdapter) ? storedAdapter : std::string();
    takeAdapterChoice(ChooseRememberedAdapter(state_.ComPortName, rememberedAdapter_, foundPorts_));

    OpenStatus opened;
    if (!state_.ComPortName.empty() && state_.ComHandle.isNone()) {
        opened = OpenComPort(state_.ComHandle, state_.ComPortName, kDeviceBaud, kQueueSize,
                             [this](const std::string& text) { window_.showMessage(text); });
        selector_->setEditText(QString::fromStdString(state_.ComPortName));
    }
    showPortOutcome(opened);
    if (state_.ComHandle.isInvalid()) {
        window_.showMessage(StartupPortFailedText(window_.languageIndex()));
        forgetFailedPort();
    } else {
        state_.PortReady = true;
    }
    setReady(state_.PortReady);
}

void PortChoice::refreshPortList() {
    foundPorts_ = findPorts_();
    selector_->updatePorts(portEntries(foundPorts_));
    if (started_) findRememberedAdapter();
}

// The port in use, or the one start-up could not choose, is gone or another
// adapter's now: the remembered adapter is looked for among the ports found.
void PortChoice::findRememberedAdapter() {
    if (portTyped_ || rememberedAdapter_.empty()) return;
    const std::string name = awaitingAdapter_ ? storedPortName_ : state_.ComPortName;
    if (name.empty() && !awaitingAdapter_) return;
    const AdapterChoice choice = ChooseRememberedAdapter(name, rememberedAdapter_, foundPorts_);
    switch (choice.outcome) {
        case AdapterChoice::Outcome::KeepName:
            break;
        case AdapterChoice::Outcome::FoundElsewhere:
            awaitingAdapter_ = false;
            openFoundAdapter(choice.port);
            break;
        case AdapterChoice::Outcome::NotPluggedIn:
        case AdapterChoice::Outcome::Several:
            showAdapterNotChosen(choice);
            break;
    }
}

// At start-up: the adapter under its new name becomes the port to open; with
// none or several candidates nothing is chosen. The status line says which.
void PortChoice::takeAdapterChoice(const AdapterChoice& choice) {
    switch (choice.outcome) {
        case AdapterChoice::Outcome::KeepName:
            return;
        case AdapterChoice::Outcome::FoundElsewhere:
            state_.ComPortName = choice.port;  // remembered once it opens
            window_.setStatusText(AdapterNowText(choice.port, window_.languageIndex()));
            return;
        case AdapterChoice::Outcome::NotPluggedIn:
        case AdapterChoice::Outcome::Several:
            showAdapterNotChosen(choice);
            break;
    }
    // The stored name and adapter are kept for the next start.
    state_.ComPortName.clear();
    awaitingAdapter_ = true;
}

// The status line says why no port was chosen for the adapter.
void PortChoice::showAdapterNotChosen(const AdapterChoice& choice) {
    const int language = window_.languageIndex();
    window_.setStatusText(choice.outcome == AdapterChoice::Outcome::Several
                              ? AdapterOnSeveralPortsText(choice.candidates, language)
                              : AdapterNotPluggedInText(language));
}

// Found again on a refresh: opened as if the user had picked it.
void PortChoice::openFoundAdapter(const std::string& port) {
    {
        const QSignalBlocker blocker(selector_);
        selector_->selectPortName(QString::fromStdString(port));
    }
    takeSelectedPort();
    if (state_.ComPortName == port && !state_.ComHandle.isInvalid())
        window_.setStatusText(AdapterNowText(port, window_.languageIndex()));
}

void PortChoice::takeTypedPath(const QString& text) {
    if (text.isEmpty()) return;
    selector_->appendTypedPath(text);
    {
        const QSignalBlocker blocker(selector_);
        selector_->selectPortName(text);
    }
    takeSelectedPort();
    portTyped_ = true;
    rememberedAdapter_.clear();
}

void PortChoice::takeSelectedPort() {
    const int selected = selector_->currentIndex();
    if (selected < 0) return;
    state_.ComPortName = selector_->itemText(selected).toStdString();
    pickedPortName_ = state_.ComPortName;
    rememberedAdapter_ = IdentityOfPort(state_.ComPortName, foundPorts_);
    portTyped_ = false;
    awaitingAdapter_ = false;
    state_.PortReady = false;
    if (!state_.ComPortName.empty()) showPortOutcome(openSelectedPort());
    if (state_.ComHandle.isInvalid()) {
        const std::string message = PortSelectionFailedText(window_.languageIndex());
        if (!message.empty()) window_.showMessage(message);
        forgetFailedPort();
    } else {
        state_.PortReady = true;
    }
    setReady(state_.PortReady);
}

// After a port failed to open: no port, nothing selected or typed in the selector.
void PortChoice::forgetFailedPort() {
    state_.ComHandle.setNone();
    state_.ComPortName.clear();
    const QSignalBlocker blocker(selector_);
    selector_->setCurrentIndex(-1);
    selector_->setEditText(QString());
}

OpenStatus PortChoice::openSelectedPort() {
    state_.ComHandle.close();
    OpenStatus opened = OpenComPort(state_.ComHandle, state_.ComPortName, kDeviceBaud, kQueueSize,
                                    [this](const std::string& text) { window_.showMessage(text); });
    const QString name = QString::fromStdString(state_.ComPortName);
    if (selector_->currentText() != name) {
        const QSignalBlocker blocker(selector_);
        selector_->setEditText(name);
    }
    return opened;
}

// The status line says why the port did not open, beside the message box, or
// warns of programs that may hold the port it opened.
void PortChoice::showPortOutcome(const OpenStatus& opened) {
    const int language = window_.languageIndex();
    if (opened.ok()) {
        const std::string warning = PortWarningStatusText(state_.ComPortName, opened, language);
        if (!warning.empty()) window_.setStatusText(warning);
        return;
    }
    window_.setStatusText(PortFailureStatusText(state_.ComPortName, opened, language));
}

void PortChoice::setReady(bool ready) {
    emit readyChanged(ready);
}

// A failed open empties the running port name; the setting keeps the stored
// name (a device not plugged in yet) until the user picks or types another.
std::string PortChoice::portNameToRemember() const {
    if (state_.ComPortName.empty() && pickedPortName_ == storedPortName_) return storedPortName_;
    return state_.ComPortName;
}

// The adapter goes with a name picked from the list (or found again), never
// with a typed one.
std::string PortChoice::adapterToRemember(const std::string& portName) const {
    return portName.empty() || portTyped_ ? std::string() : rememberedAdapter_;
}

}  // namespace travik
