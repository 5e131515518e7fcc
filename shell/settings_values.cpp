// The registry's two-step read on a plain table: size first, then the bytes, never more than
// the caller's room.
#include "shell/settings_values.h"

#include <cstring>

namespace brine {

bool is_valid_settings_name(const char* name, std::size_t length) {
    if (name == nullptr || length == 0 || length > kMaxSettingsNameBytes) return false;
    if (name[0] == '#') return false;  // would read back as a comment line
    for (std::size_t i = 0; i < length; ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c <= 0x20 || c >= 0x7F || c == '=') return false;
    }
    return true;
}

const SettingsValue* SettingsValueTable::find(const char* name) const {
    if (name == nullptr) return nullptr;
    for (const SettingsValue& v : values_)
        if (v.name == name) return &v;
    return nullptr;
}

HResult SettingsValueTable::query(const char* name, std::uint32_t* type, std::uint8_t* data,
                                  std::uint32_t* size) const {
    const SettingsValue* v = find(name);
    if (v == nullptr) return kSettingsNotFound;
    if (data != nullptr && size == nullptr) return kInvalidArg;
    const auto stored = static_cast<std::uint32_t>(v->data.size());
    if (type != nullptr) *type = v->type;
    if (data == nullptr) {
        if (size != nullptr) *size = stored;
        return kOk;
    }
    if (*size < stored) {
        *size = stored;
        return kSettingsMoreData;
    }
    if (stored > 0) std::memcpy(data, v->data.data(), stored);
    *size = stored;
    return kOk;
}

HResult SettingsValueTable::set(const char* name, std::uint32_t type, const std::uint8_t* data,
                                std::uint32_t size) {
    if (name == nullptr || !is_valid_settings_name(name, std::strlen(name))) return kInvalidArg;
    if (size > kMaxSettingsValueBytes || (data == nullptr && size > 0)) return kInvalidArg;
    SettingsValue* slot = nullptr;
    for (SettingsValue& v : values_)
        if (v.name == name) slot = &v;
    if (slot == nullptr) {
        if (values_.size() >= kMaxSettingsValues) return kInvalidArg;
        values_.push_back(SettingsValue{name, 0, {}});
        slot = &values_.back();
    }
    slot->type = type;
    slot->data.assign(data, data + size);
    return kOk;
}

}  // namespace brine
