// The settings key of the current user as the core sees it: named values, each with its
// registry type and bytes, read in two steps as RegQueryValueExA reads them. The platform
// supplies the store (a file on Linux, the registry on Windows); tests use an in-memory one.
// Must not depend on anything but base/.
#pragma once
#include <cstdint>

#include "base/result.h"

namespace brine {

// Registry value types kept per value.
constexpr std::uint32_t kRegBinary = 3;  // REG_BINARY
constexpr std::uint32_t kRegDword = 4;   // REG_DWORD, little-endian

// The registry's error codes, as HRESULT_FROM_WIN32 gives them.
constexpr HResult kSettingsNotFound = static_cast<HResult>(0x80070002u);  // ERROR_FILE_NOT_FOUND
constexpr HResult kSettingsAccessDenied = static_cast<HResult>(0x80070005u);  // ERROR_ACCESS_DENIED
constexpr HResult kSettingsNotOpen = static_cast<HResult>(0x80070006u);   // ERROR_INVALID_HANDLE
constexpr HResult kSettingsMoreData = static_cast<HResult>(0x800700EAu);  // ERROR_MORE_DATA

class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // Opens the key, creating it when missing (RegCreateKeyExA). May fail; then nothing else
    // works until a later open succeeds.
    virtual HResult open_key() = 0;

    // RegQueryValueExA. A missing value gives kSettingsNotFound. type, when given, receives the
    // stored type. With data null, *size (when size is given) receives the stored size. With data,
    // *size is the room in data: when the value fits it is copied and *size becomes its size;
    // when it does not, nothing is written to data, *size becomes the size needed and the answer
    // is kSettingsMoreData.
    virtual HResult query_value(const char* name, std::uint32_t* type, std::uint8_t* data,
                                std::uint32_t* size) = 0;

    // RegSetValueExA: stores size bytes of data under name with the given type, replacing any
    // value of that name. A store may refuse names or sizes beyond its bounds (kInvalidArg).
    virtual HResult set_value(const char* name, std::uint32_t type, const std::uint8_t* data,
                              std::uint32_t size) = 0;

    // RegCloseKey. Values set since the open are kept from here on at the latest.
    virtual HResult close_key() = 0;
};

}  // namespace brine
