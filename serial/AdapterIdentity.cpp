#include "AdapterIdentity.h"

#include <algorithm>
#include <cstdio>

#include "Utf8Sequence.h"

namespace travik {
namespace {

const char kSerialPrefix[] = "usb:";
const char kPlacePrefix[] = "usb-at:";

bool IsPlainIdentityChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '-';
}

void AppendEscapedByte(std::string& out, char c) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned>(static_cast<unsigned char>(c)));
    out += hex;
}

// The text with every byte outside IsPlainIdentityChar written as %XX.
std::string Escaped(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        if (IsPlainIdentityChar(c)) {
            escaped += c;
        } else {
            AppendEscapedByte(escaped, c);
        }
    }
    return escaped;
}

bool IsHexId(const std::string& text) {
    return text.size() == 4 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

std::string LowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && LowerAscii(a) == LowerAscii(b);
}

bool StartsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

bool IsUpperHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// A run of plain characters and %XX escapes, not empty.
bool IsEscapedText(const std::string& text) {
    if (text.empty()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsPlainIdentityChar(text[i])) continue;
        if (text[i] != '%' || i + 2 >= text.size()) return false;
        if (!IsUpperHexDigit(text[i + 1]) || !IsUpperHexDigit(text[i + 2])) return false;
        i += 2;
    }
    return true;
}

const FoundPort* FindByName(const std::string& name, const FoundPorts& found) {
    for (const FoundPort& port : found) {
        if (EqualsIgnoringCase(port.name, name)) return &port;
    }
    return nullptr;
}

}  // namespace

std::string UsbSerialIdentity(const std::string& vendorId, const std::string& productId,
                              const std::string& serial) {
    const std::string vendor = LowerAscii(vendorId);
    const std::string product = LowerAscii(productId);
    if (!IsHexId(vendor) || !IsHexId(product) || serial.empty()) return {};
    const std::string identity = kSerialPrefix + vendor + ":" + product + ":" + Escaped(serial);
    return identity.size() <= kMaxIdentityLength ? identity : std::string();
}

std::string UsbPlaceIdentity(const std::string& place) {
    if (place.empty()) return {};
    const std::string identity = kPlacePrefix + Escaped(place);
    return identity.size() <= kMaxIdentityLength ? identity : std::string();
}

std::string EscapedNonUtf8(const std::string& text) {
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        char32_t codePoint = 0;
        const std::size_t length = Utf8SequenceAt(text, at, codePoint);
        if (length == 0 || text[at] == '%') {
            AppendEscapedByte(out, text[at]);
            ++at;
        } else {
            out.append(text, at, length);
            at += length;
        }
    }
    return out;
}

bool IsAdapterIdentity(const std::string& text) {
    if (text.size() > kMaxIdentityLength) return false;
    if (StartsWith(text, kPlacePrefix)) return IsEscapedText(text.substr(sizeof kPlacePrefix - 1));
    if (!StartsWith(text, kSerialPrefix)) return false;
    const std::string rest = text.substr(sizeof kSerialPrefix - 1);
    // VID:PID:SERIAL
    if (rest.size() < 11 || rest[4] != ':' || rest[9] != ':') return false;
    return IsHexId(rest.substr(0, 4)) && IsHexId(rest.substr(5, 4)) &&
           IsEscapedText(rest.substr(10));
}

std::string IdentityOfPort(const std::string& name, const FoundPorts& found) {
    const FoundPort* port = FindByName(name, found);
    return port ? port->identity : std::string();
}

std::string PortOfIdentity(const std::string& identity, const FoundPorts& found,
                           std::size_t* matches) {
    std::string name;
    std::size_t count = 0;
    for (const FoundPort& port : found) {
        if (!identity.empty() && port.identity == identity) {
            name = port.name;
            ++count;
        }
    }
    if (matches) *matches = count;
    return count == 1 ? name : std::string();
}

AdapterChoice ChooseRememberedAdapter(const std::string& name, const std::string& identity,
                                      const FoundPorts& found) {
    AdapterChoice choice;
    if (!IsAdapterIdentity(identity)) return choice;
    const FoundPort* named = FindByName(name, found);
    if (named && (named->identity.empty() || named->identity == identity)) return choice;

    for (const FoundPort& port : found) {
        if (port.identity == identity) choice.candidates.push_back(port.name);
    }
    if (choice.candidates.size() == 1) {
        choice.outcome = AdapterChoice::Outcome::FoundElsewhere;
        choice.port = choice.candidates.front();
        choice.candidates.clear();
    } else if (choice.candidates.empty()) {
        choice.outcome = AdapterChoice::Outcome::NotPluggedIn;
    } else {
        choice.outcome = AdapterChoice::Outcome::Several;
    }
    return choice;
}

}  // namespace travik
