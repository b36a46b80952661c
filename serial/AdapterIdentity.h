// What identifies a serial adapter whatever name the system gives its port
// today, and finding the remembered adapter again among the ports found.
#pragma once

#include <string>
#include <vector>

#include "CommPortList.h"

namespace travik {

// An identity is one token of printable ASCII without spaces, at most
// kMaxIdentityLength characters:
//   usb:VID:PID:SERIAL  a USB adapter with a serial number (ids in lower-case hex)
//   usb-at:PLACE        one without, by its place on the USB bus ("1-1.2" on Linux)
// Bytes of the serial number or the place outside [A-Za-z0-9._-] are written %XX.
inline constexpr std::size_t kMaxIdentityLength = 160;

std::string UsbSerialIdentity(const std::string& vendorId, const std::string& productId,
                              const std::string& serial);
std::string UsbPlaceIdentity(const std::string& place);

// `text` with each byte that is not part of valid UTF-8, and each "%", written
// %XX as in identities, so that a line of it is text whatever a device reports.
std::string EscapedNonUtf8(const std::string& text);

// Whether `text` has the form of an identity made above; anything else (a
// settings file's or a command line's hostile text) names no adapter.
bool IsAdapterIdentity(const std::string& text);

// What start-up and a refresh do about the remembered port.
struct AdapterChoice {
    enum class Outcome {
        KeepName,        // the name is the adapter, or nothing says otherwise
        FoundElsewhere,  // the adapter is plugged in once, under `port`
        NotPluggedIn,    // the name is gone or another adapter's; the adapter is nowhere
        Several,         // the adapter's identity is on several ports (`candidates`)
    };
    Outcome outcome = Outcome::KeepName;
    std::string port;                     // FoundElsewhere: the port to open
    std::vector<std::string> candidates;  // Several: their names, in the order found
};

// The remembered port `name` and adapter `identity` against the ports found
// now. The name is kept when no valid identity is remembered, and when the
// name is found with that identity or with none known (the system tells
// nothing: not another adapter). Names compare without regard to case.
AdapterChoice ChooseRememberedAdapter(const std::string& name, const std::string& identity,
                                      const FoundPorts& found);

// The identity of the port called `name` among `found`; empty when not found or unknown.
std::string IdentityOfPort(const std::string& name, const FoundPorts& found);

// The port `identity` names among `found`: its name when exactly one port has
// it; empty otherwise, with `matches` (when given) set to how many have it.
std::string PortOfIdentity(const std::string& identity, const FoundPorts& found,
                           std::size_t* matches = nullptr);

}  // namespace travik
