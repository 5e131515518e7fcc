// An in-memory settings key for tests: counts opens and closes, can be told the key cannot be
// opened, and lets a test plant values of any type and size or look at what was written.
#pragma once
#include <cstring>
#include <string>
#include <vector>

#include "shell/settings_store.h"
#include "shell/settings_values.h"

namespace brine::test {

class MemorySettingsStore : public SettingsStore {
public:
    HResult open_key() override {
        ++openCalls;
        if (openFails) return kSettingsAccessDenied;
        isOpen = true;
        keyExists = true;
        return kOk;
    }
    HResult query_value(const char* name, std::uint32_t* type, std::uint8_t* data,
                        std::uint32_t* size) override {
        ++queryCalls;
        if (!isOpen) return kSettingsNotOpen;
        if (data != nullptr) dataReads.push_back({name ? name : "", size ? *size : 0});
        return table.query(name, type, data, size);
    }
    HResult set_value(const char* name, std::uint32_t type, const std::uint8_t* data,
                      std::uint32_t size) override {
        ++setCalls;
        if (!isOpen) return kSettingsNotOpen;
        const HResult r = table.set(name, type, data, size);
        if (succeeded(r)) writeOrder.push_back(name);
        return r;
    }
    HResult close_key() override {
        ++closeCalls;
        if (!isOpen) return kSettingsNotOpen;
        isOpen = false;
        return kOk;
    }

    // Planting and inspecting values, open or not.
    void put_dword(const char* name, std::uint32_t v) {
        const std::uint8_t b[4] = {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
        table.set(name, kRegDword, b, 4);
    }
    void put_bytes(const char* name, std::uint32_t type, const std::string& bytes) {
        table.set(name, type, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                  static_cast<std::uint32_t>(bytes.size()));
    }
    bool has(const char* name) const { return table.find(name) != nullptr; }
    std::uint32_t type_of(const char* name) const { return table.find(name) ? table.find(name)->type : 0; }
    std::string bytes_of(const char* name) const {
        const SettingsValue* v = table.find(name);
        return v ? std::string(v->data.begin(), v->data.end()) : std::string();
    }
    // The stored value as a little-endian number of up to 4 bytes.
    std::uint32_t dword_of(const char* name) const {
        std::uint32_t n = 0;
        const std::string b = bytes_of(name);
        std::memcpy(&n, b.data(), b.size() < 4 ? b.size() : 4);  // the test machines are little-endian
        return n;
    }

    SettingsValueTable table;
    bool openFails = false;
    bool isOpen = false;
    bool keyExists = false;
    int openCalls = 0, queryCalls = 0, setCalls = 0, closeCalls = 0;
    std::vector<std::string> writeOrder;
    struct DataRead {
        std::string name;
        std::uint32_t room;  // *size offered with a data buffer
    };
    std::vector<DataRead> dataReads;
};

}  // namespace brine::test
