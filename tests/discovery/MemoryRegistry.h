// An in-memory registry the tests fill themselves. Like the system registry it
// keeps one key open at a time, finds keys and values without regard to case
// and lists them in the order they were added.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Registry.h"

class MemoryRegistry : public travik::Registry {
public:
    class Key {
    public:
        explicit Key(std::string name) : name_(std::move(name)) {}

        Key& SetString(const std::string& name, const std::string& text);
        Key& SetExpandString(const std::string& name, const std::string& text);
        Key& SetBinary(const std::string& name, const std::vector<std::uint8_t>& bytes);
        Key& SetDWord(const std::string& name, std::uint32_t number);
        // Opening this key fails from now on, as with a key the user may not read.
        Key& DenyAccess();

    private:
        friend class MemoryRegistry;
        struct Value {
            std::string name;
            travik::RegDataType type;
            std::vector<std::uint8_t> bytes;
        };
        Key& SetValue(const std::string& name, travik::RegDataType type,
                      std::vector<std::uint8_t> bytes);
        const Value* FindValue(const std::string& name) const;
        Key* FindSubKey(const std::string& name) const;

        std::string name_;
        bool denied_ = false;
        std::vector<Value> values_;
        std::vector<std::unique_ptr<Key>> subKeys_;
    };

    // The key at `path` (backslash-separated, leading backslash optional),
    // created with every missing key on the way.
    Key& AddKey(const std::string& path);

    // Every path opened so far, successful or not, in order.
    const std::vector<std::string>& openedPaths() const { return openedPaths_; }

    bool OpenKeyReadOnly(const std::string& path) override;
    std::vector<std::string> GetValueNames() override;
    std::vector<std::string> GetKeyNames() override;
    travik::RegDataType GetDataType(const std::string& name) override;
    std::optional<std::string> ReadString(const std::string& name) override;
    std::optional<std::vector<std::uint8_t>> ReadBinaryData(const std::string& name) override;
    bool HasSubKeys() override;

private:
    Key* FindKey(const std::string& path);

    Key root_{""};
    Key* open_ = nullptr;
    std::vector<std::string> openedPaths_;
};

// A version query answering with fixed numbers, or failing.
class FixedVersion : public travik::VersionSource {
public:
    FixedVersion(std::uint32_t platformId, std::uint32_t major, std::uint32_t minor)
        : platformId_(platformId), major_(major), minor_(minor) {}
    static FixedVersion Failing() {
        FixedVersion version(0, 0, 0);
        version.fails_ = true;
        return version;
    }

    bool Query(travik::OsVersionInfo& info) override;

    // The size field the last query was given.
    std::uint32_t sizeSeen() const { return sizeSeen_; }

private:
    std::uint32_t platformId_;
    std::uint32_t major_;
    std::uint32_t minor_;
    bool fails_ = false;
    std::uint32_t sizeSeen_ = 0;
};
