// The settings key on Windows: HKEY_CURRENT_USER\Software\Orvane\Brinelight Vespera, opened with
// RegCreateKeyExW (created when missing) and closed after each load or save, values read in the
// registry's own two steps. Value names are ASCII; the W calls keep them exact on every locale.
#pragma once
#include <string>

#include "shell/settings_store.h"

namespace brine {

constexpr wchar_t kSettingsKeyPath[] = L"Software\\Orvane\\Brinelight Vespera";

class RegistrySettingsStore : public SettingsStore {
public:
    RegistrySettingsStore() = default;
    // Another subkey of HKEY_CURRENT_USER, for tests that must not touch the program's own key.
    explicit RegistrySettingsStore(std::wstring keyPath) : keyPath_(std::move(keyPath)) {}
    ~RegistrySettingsStore() override;
    RegistrySettingsStore(const RegistrySettingsStore&) = delete;
    RegistrySettingsStore& operator=(const RegistrySettingsStore&) = delete;

    HResult open_key() override;
    // Nothing reaches data unless the whole value fits (the registry leaves a short buffer
    // undefined; the interface promises it untouched).
    HResult query_value(const char* name, std::uint32_t* type, std::uint8_t* data,
                        std::uint32_t* size) override;
    HResult set_value(const char* name, std::uint32_t type, const std::uint8_t* data,
                      std::uint32_t size) override;
    HResult close_key() override;

private:
    std::wstring keyPath_ = kSettingsKeyPath;
    void* key_ = nullptr;  // HKEY
};

}  // namespace brine
