// A bounded table of named settings values with the registry's read semantics; the in-memory
// and the file-backed stores keep their values in one, and the settings file format reads into
// and writes from one. Must not depend on anything but base/ and shell/settings_store.h.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "shell/settings_store.h"

namespace brine {

// Bounds generous for the handful of small values the program keeps; they keep a damaged or
// hostile settings file from costing more than a few hundred kilobytes.
constexpr std::size_t kMaxSettingsValues = 32;
constexpr std::size_t kMaxSettingsNameBytes = 255;
constexpr std::uint32_t kMaxSettingsValueBytes = 2048;

struct SettingsValue {
    std::string name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;

    bool operator==(const SettingsValue& other) const {
        return name == other.name && type == other.type && data == other.data;
    }
};

// Value names are printable ASCII without blanks or '=', not starting with '#', at most
// kMaxSettingsNameBytes long; every such name survives the settings file unchanged.
bool is_valid_settings_name(const char* name, std::size_t length);

class SettingsValueTable {
public:
    // SettingsStore::query_value semantics on this table.
    HResult query(const char* name, std::uint32_t* type, std::uint8_t* data, std::uint32_t* size) const;
    // Replaces or adds a value; kInvalidArg for a bad name, an oversize value or a full table.
    HResult set(const char* name, std::uint32_t type, const std::uint8_t* data, std::uint32_t size);

    const SettingsValue* find(const char* name) const;
    const std::vector<SettingsValue>& values() const { return values_; }
    void clear() { values_.clear(); }
    bool operator==(const SettingsValueTable& other) const { return values_ == other.values_; }

private:
    std::vector<SettingsValue> values_;  // in the order first set
};

}  // namespace brine
