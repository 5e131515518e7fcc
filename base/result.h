// HRESULT-style result codes shared by every subsystem.
// 0 is success, negative values are failures; platform codes are passed on unchanged.
// Must not depend on anything but the standard library.
#pragma once
#include <cstdint>

namespace brine {

using HResult = std::int32_t;

constexpr HResult kOk = 0;
constexpr HResult kFail = static_cast<HResult>(0x80004005u);         // E_FAIL
constexpr HResult kOutOfMemory = static_cast<HResult>(0x8007000Eu);  // E_OUTOFMEMORY
constexpr HResult kInvalidArg = static_cast<HResult>(0x80070057u);   // E_INVALIDARG
constexpr HResult kNotImpl = static_cast<HResult>(0x80004001u);      // E_NOTIMPL

constexpr bool succeeded(HResult r) { return r >= 0; }
constexpr bool failed(HResult r) { return r < 0; }

}  // namespace brine
