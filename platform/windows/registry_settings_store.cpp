// RegCreateKeyExW / RegQueryValueExW / RegSetValueExW / RegCloseKey behind SettingsStore. Win32
// error codes are handed on as HRESULT_FROM_WIN32, as the interface's codes are defined.
#include "platform/windows/registry_settings_store.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/windows/win_text.h"

namespace brine {
namespace {

HResult from_win32(LONG error) {
    return error == ERROR_SUCCESS ? kOk : static_cast<HResult>(HRESULT_FROM_WIN32(static_cast<unsigned long>(error)));
}

HKEY as_key(void* key) { return static_cast<HKEY>(key); }

std::wstring value_name(const char* name) { return sjis_to_wide(name ? name : ""); }

}  // namespace

RegistrySettingsStore::~RegistrySettingsStore() {
    if (key_) close_key();
}

HResult RegistrySettingsStore::open_key() {
    if (key_) return kOk;
    HKEY key = nullptr;
    wchar_t emptyClass[] = L"";
    const LONG r = RegCreateKeyExW(HKEY_CURRENT_USER, keyPath_.c_str(), 0, emptyClass, REG_OPTION_NON_VOLATILE,
                                   KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (r != ERROR_SUCCESS) return from_win32(r);
    key_ = key;
    return kOk;
}

HResult RegistrySettingsStore::query_value(const char* name, std::uint32_t* type, std::uint8_t* data,
                                           std::uint32_t* size) {
    if (!key_) return kSettingsNotOpen;
    const std::wstring wname = value_name(name);
    DWORD storedType = 0;
    if (!data) {
        DWORD stored = 0;
        const LONG r = RegQueryValueExW(as_key(key_), wname.c_str(), nullptr, &storedType, nullptr, &stored);
        if (r != ERROR_SUCCESS) return from_win32(r);
        if (type) *type = storedType;
        if (size) *size = stored;
        return kOk;
    }
    const DWORD room = size ? *size : 0;
    // Read into a buffer of our own: a value that grew since the caller asked its size must not
    // leave the caller's buffer half written.
    std::vector<BYTE> bytes(room > 0 ? room : 1);
    DWORD got = room;
    const LONG r = RegQueryValueExW(as_key(key_), wname.c_str(), nullptr, &storedType, bytes.data(), &got);
    if (r == ERROR_MORE_DATA) {
        if (size) *size = got;
        return kSettingsMoreData;
    }
    if (r != ERROR_SUCCESS) return from_win32(r);
    if (got > 0) std::memcpy(data, bytes.data(), got);
    if (type) *type = storedType;
    if (size) *size = got;
    return kOk;
}

HResult RegistrySettingsStore::set_value(const char* name, std::uint32_t type, const std::uint8_t* data,
                                         std::uint32_t size) {
    if (!key_) return kSettingsNotOpen;
    if (!data && size > 0) return kInvalidArg;
    const std::wstring wname = value_name(name);
    return from_win32(RegSetValueExW(as_key(key_), wname.c_str(), 0, type, data, size));
}

HResult RegistrySettingsStore::close_key() {
    if (!key_) return kSettingsNotOpen;
    const LONG r = RegCloseKey(as_key(key_));
    key_ = nullptr;
    return from_win32(r);
}

}  // namespace brine
