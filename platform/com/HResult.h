#pragma once
// COM result codes: a 32-bit value whose top bit is the severity and whose low 16 bits are
// the code part. The values are the Windows ones, so a Win32 backend can pass them through.
#include <cstdint>

#ifdef _WIN32
#include "platform/win32/WindowsApi.h"

// The result codes and their macros are the Windows headers' own: use them unqualified.
namespace plat {
using ::HRESULT;
} // namespace plat

#else
namespace plat {

using HRESULT = std::int32_t;

constexpr std::uint32_t SEVERITY_SUCCESS = 0;
constexpr std::uint32_t SEVERITY_ERROR = 1;
constexpr std::uint32_t FACILITY_WIN32 = 7;

constexpr HRESULT MAKE_HRESULT(std::uint32_t severity, std::uint32_t facility, std::uint32_t code) {
    return static_cast<HRESULT>((severity << 31) | ((facility & 0x1FFF) << 16) | (code & 0xFFFF));
}
constexpr std::uint32_t HRESULT_CODE(HRESULT hr) {
    return static_cast<std::uint32_t>(hr) & 0xFFFF;
}
constexpr bool SUCCEEDED(HRESULT hr) {
    return hr >= 0;
}
constexpr bool FAILED(HRESULT hr) {
    return hr < 0;
}
// A Windows error code (ERROR_… of the registry, for one) as a failure result.
constexpr HRESULT HRESULT_FROM_WIN32(std::int32_t error) {
    return error <= 0
               ? static_cast<HRESULT>(error)
               : MAKE_HRESULT(SEVERITY_ERROR, FACILITY_WIN32, static_cast<std::uint32_t>(error));
}

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
constexpr HRESULT DV_E_FORMATETC = static_cast<HRESULT>(0x80040064u);

} // namespace plat
#endif
