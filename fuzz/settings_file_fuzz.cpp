// Fuzzes the settings file parser: any bytes must parse within the bounds, and what it keeps
// must format and read back to the same values. Links only the core.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "shell/settings_file_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    brine::SettingsValueTable table;
    brine::parse_settings_file(reinterpret_cast<const char*>(data), size, table);
    if (table.values().size() > brine::kMaxSettingsValues) std::abort();

    const std::string text = brine::format_settings_file(table);
    if (text.size() >= brine::kMaxSettingsFileBytes) std::abort();
    brine::SettingsValueTable again;
    brine::parse_settings_file(text.data(), text.size(), again);
    if (!(again == table)) std::abort();
    if (brine::format_settings_file(again) != text) std::abort();

    // The registry-style read never reports more than it stored.
    for (const brine::SettingsValue& v : table.values()) {
        std::uint8_t buf[16];
        std::uint32_t room = sizeof buf;
        const brine::HResult r = table.query(v.name.c_str(), nullptr, buf, &room);
        if (v.data.size() > sizeof buf ? r != brine::kSettingsMoreData : r != brine::kOk) std::abort();
        if (room != v.data.size()) std::abort();
    }
    return 0;
}
