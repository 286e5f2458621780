// A small COM-shaped layer: class and interface identifiers, the IUnknown
// slots, and the three calls through which the library creates its
// outside components. On POSIX a class identifier maps to a shared
// library found beside the library (component_path) and loaded with
// dlopen; the library's creation entry makes the object.
#pragma once

#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define QOR_COM_CALL __stdcall
#else
#define QOR_COM_CALL
#endif

namespace qor::platform {

struct Guid {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
};

inline bool operator==(const Guid &a, const Guid &b) {
    if (a.data1 != b.data1 || a.data2 != b.data2 || a.data3 != b.data3) return false;
    for (int i = 0; i < 8; ++i)
        if (a.data4[i] != b.data4[i]) return false;
    return true;
}

using HRESULT = int32_t;

constexpr HRESULT kSOk = 0;
constexpr HRESULT kSFalse = 1;
constexpr HRESULT kENoInterface = int32_t(0x80004002u);
constexpr HRESULT kEPointer = int32_t(0x80004003u);
constexpr HRESULT kEFail = int32_t(0x80004005u);
constexpr HRESULT kClassENoAggregation = int32_t(0x80040110u);
constexpr HRESULT kRegDbEClassNotReg = int32_t(0x80040154u);
constexpr HRESULT kCoENotInitialized = int32_t(0x800401F0u);
constexpr HRESULT kCoEErrorInDll = int32_t(0x800401F9u);

// A Windows error code as a failure result (HRESULT_FROM_WIN32).
constexpr HRESULT hresult_from_win32(int32_t code) {
    return code <= 0 ? code : int32_t((uint32_t(code) & 0xFFFFu) | 0x80070000u);
}

constexpr uint32_t kCoinitMultithreaded = 0;
constexpr uint32_t kClsctxInprocServer = 1;

constexpr Guid kIidIUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// The three standard slots. Objects are released, never deleted by their
// users, hence the protected destructor (and no virtual one, which would
// take vtable slots of its own).
class IUnknown {
  public:
    virtual HRESULT QOR_COM_CALL QueryInterface(const Guid &iid, void **object) = 0;
    virtual uint32_t QOR_COM_CALL AddRef() = 0;
    virtual uint32_t QOR_COM_CALL Release() = 0;

  protected:
    ~IUnknown() = default;
};

// The creation entry every component library exports under this name.
using ComponentCreateFn = HRESULT (*)(const Guid *clsid, const Guid *iid, void **object);
constexpr const char *kComponentCreateSymbol = "QorComponentCreate";

// kSOk on this thread's first initialisation, kSFalse when it was
// initialised already; each successful call needs a CoUninitialize.
HRESULT CoInitializeEx(void *reserved, uint32_t model);
HRESULT CoCreateInstance(const Guid &clsid, IUnknown *outer, uint32_t context, const Guid &iid, void **object);
void CoUninitialize();

}  // namespace qor::platform
