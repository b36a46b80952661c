#include "MemoryRegistry.h"

#include <algorithm>
#include <cctype>

using travik::RegDataType;

namespace {

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// "\a\b" and "a\b" both give {"a", "b"}; an empty part stays in, to fail the lookup.
std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = (!path.empty() && path[0] == '\\') ? 1 : 0;
    if (start == path.size()) return parts;
    while (true) {
        const std::size_t end = path.find('\\', start);
        parts.push_back(path.substr(start, end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

std::vector<std::uint8_t> BytesOf(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

}  // namespace

MemoryRegistry::Key& MemoryRegistry::Key::SetValue(const std::string& name, RegDataType type,
                                                   std::vector<std::uint8_t> bytes) {
    for (Value& value : values_) {
        if (SameName(value.name, name)) {
            value.type = type;
            value.bytes = std::move(bytes);
            return *this;
        }
    }
    values_.push_back(Value{name, type, std::move(bytes)});
    return *this;
}

MemoryRegistry::Key& MemoryRegistry::Key::SetString(const std::string& name,
                                                    const std::string& text) {
    return SetValue(name, RegDataType::String, BytesOf(text));
}

MemoryRegistry::Key& MemoryRegistry::Key::SetExpandString(const std::string& name,
                                                          const std::string& text) {
    return SetValue(name, RegDataType::ExpandString, BytesOf(text));
}

MemoryRegistry::Key& MemoryRegistry::Key::SetBinary(const std::string& name,
                                                    const std::vector<std::uint8_t>& bytes) {
    return SetValue(name, RegDataType::Binary, bytes);
}

MemoryRegistry::Key& MemoryRegistry::Key::SetDWord(const std::string& name, std::uint32_t number) {
    std::vector<std::uint8_t> bytes;
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back((number >> shift) & 0xFF);
    return SetValue(name, RegDataType::DWord, bytes);
}

MemoryRegistry::Key& MemoryRegistry::Key::DenyAccess() {
    denied_ = true;
    return *this;
}

const MemoryRegistry::Key::Value* MemoryRegistry::Key::FindValue(const std::string& name) const {
    for (const Value& value : values_) {
        if (SameName(value.name, name)) return &value;
    }
    return nullptr;
}

MemoryRegistry::Key* MemoryRegistry::Key::FindSubKey(const std::string& name) const {
    for (const auto& key : subKeys_) {
        if (SameName(key->name_, name)) return key.get();
    }
    return nullptr;
}

MemoryRegistry::Key& MemoryRegistry::AddKey(const std::string& path) {
    Key* key = &root_;
    for (const std::string& part : SplitPath(path)) {
        Key* next = key->FindSubKey(part);
        if (!next) {
            key->subKeys_.push_back(std::make_unique<Key>(part));
            next = key->subKeys_.back().get();
        }
        key = next;
    }
    return *key;
}

MemoryRegistry::Key* MemoryRegistry::FindKey(const std::string& path) {
    Key* key = &root_;
    for (const std::string& part : SplitPath(path)) {
        key = part.empty() ? nullptr : key->FindSubKey(part);
        if (!key) return nullptr;
    }
    return key;
}

bool MemoryRegistry::OpenKeyReadOnly(const std::string& path) {
    openedPaths_.push_back(path);
    Key* key = FindKey(path);
    open_ = (key && !key->denied_) ? key : nullptr;
    return open_ != nullptr;
}

std::vector<std::string> MemoryRegistry::GetValueNames() {
    std::vector<std::string> names;
    if (open_) {
        for (const auto& value : open_->values_) names.push_back(value.name);
    }
    return names;
}

std::vector<std::string> MemoryRegistry::GetKeyNames() {
    std::vector<std::string> names;
    if (open_) {
        for (const auto& key : open_->subKeys_) names.push_back(key->name_);
    }
    return names;
}

RegDataType MemoryRegistry::GetDataType(const std::string& name) {
    const Key::Value* value = open_ ? open_->FindValue(name) : nullptr;
    return value ? value->type : RegDataType::None;
}

std::optional<std::string> MemoryRegistry::ReadString(const std::string& name) {
    const Key::Value* value = open_ ? open_->FindValue(name) : nullptr;
    if (!value ||
        (value->type != RegDataType::String && value->type != RegDataType::ExpandString)) {
        return std::nullopt;
    }
    const auto end = std::find(value->bytes.begin(), value->bytes.end(), 0);
    return std::string(value->bytes.begin(), end);
}

std::optional<std::vector<std::uint8_t>> MemoryRegistry::ReadBinaryData(const std::string& name) {
    const Key::Value* value = open_ ? open_->FindValue(name) : nullptr;
    if (!value || value->type != RegDataType::Binary) return std::nullopt;
    return value->bytes;
}

bool MemoryRegistry::HasSubKeys() {
    return open_ && !open_->subKeys_.empty();
}

bool FixedVersion::Query(travik::OsVersionInfo& info) {
    sizeSeen_ = info.size;
    if (fails_) return false;
    info.platformId = platformId_;
    info.majorVersion = major_;
    info.minorVersion = minor_;
    return true;
}
