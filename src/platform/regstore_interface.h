// The registry store component's interface, shared by the library and the
// component. The order of the virtual functions is the slot order callers
// rely on: 0-2 IUnknown, then 3 OpenKey to 11 SetValue.
#pragma once

#include <cstdint>

#include "platform/com.h"
#include "qorldap9.h"

namespace qor::platform {

// {5c1e7a42-8d3b-4f6e-9a21-3b7c0d9e4f18}
constexpr Guid kRegStoreClassId{0x5c1e7a42, 0x8d3b, 0x4f6e, {0x9a, 0x21, 0x3b, 0x7c, 0x0d, 0x9e, 0x4f, 0x18}};
// {7e20b913-46c5-4a8d-b35f-610a9c27d84e}
constexpr Guid kRegStoreInterfaceId{0x7e20b913, 0x46c5, 0x4a8d, {0xb3, 0x5f, 0x61, 0x0a, 0x9c, 0x27, 0xd8, 0x4e}};

constexpr const char *kRegStoreLibrary = "libqorregstore.so";

// An object has at most one open key. Statuses are 0 or a failure
// (negative, hresult_from_win32 of the registry's code), except EnumKey,
// which gives the registry's own codes (0, 259 at the end, others errors).
class IRegStore : public IUnknown {
  public:
    // 3: makes root\path the open key; an empty path opens the root.
    virtual HRESULT QOR_COM_CALL OpenKey(LDC_HKEY root, const char *path, uint32_t access) = 0;
    // 4
    virtual HRESULT QOR_COM_CALL CloseKey() = 0;
    // 5: creates what is missing of root\path and makes it the open key.
    virtual HRESULT QOR_COM_CALL CreateKey(LDC_HKEY root, const char *path, uint32_t options, uint32_t access,
                                           void *security, uint32_t *disposition) = 0;
    // 6: deletes path below the open key; with recursive nonzero, its
    // subkeys too, all or none.
    virtual HRESULT QOR_COM_CALL DeleteKey(const char *path, int32_t recursive) = 0;
    // 7: keys opened or created on root from now on, and all changes made
    // through them, form one transaction until CommitTransaction. Released
    // uncommitted, it is rolled back. With access holding no write right
    // (such as 1, query value) it only reads, from one state of the store.
    virtual HRESULT QOR_COM_CALL BeginTransaction(LDC_HKEY root, uint32_t access) = 0;
    // 8: capacity in characters on entry, name length on success;
    // last_write points to 8 bytes.
    virtual int32_t QOR_COM_CALL EnumKey(uint32_t index, char *name, uint32_t *capacity, void *last_write) = 0;
    // 9
    virtual HRESULT QOR_COM_CALL CommitTransaction() = 0;
    // 10: reads at most *size bytes; a value that does not fit is not read.
    virtual HRESULT QOR_COM_CALL QueryValue(const char *name, uint32_t *type, void *data, uint32_t *size) = 0;
    // 11
    virtual HRESULT QOR_COM_CALL SetValue(const char *name, uint32_t type, const void *data, uint32_t size) = 0;

  protected:
    ~IRegStore() = default;
};

}  // namespace qor::platform
