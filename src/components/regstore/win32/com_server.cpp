// The registry store component as a Windows in-process COM server: the
// class factory and the four entry points regsvr32 and the COM runtime
// call. The object itself is the one every platform shares.
#include <objbase.h>
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "platform/regstore_interface.h"

extern "C" qor::platform::HRESULT QorComponentCreate(const qor::platform::Guid *clsid, const qor::platform::Guid *iid,
                                                     void **object);

namespace {

const qor::platform::Guid &as_guid(REFIID id) { return *reinterpret_cast<const qor::platform::Guid *>(&id); }

bool is_store_class(REFCLSID id) { return as_guid(id) == qor::platform::kRegStoreClassId; }

// One factory for the life of the process: it holds no state of its own.
class StoreFactory final : public IClassFactory {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override {
        if (object == nullptr) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *object = static_cast<IClassFactory *>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID iid, void **object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        return QorComponentCreate(&qor::platform::kRegStoreClassId, &as_guid(iid), object);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

StoreFactory g_factory;

// "{5C1E7A42-8D3B-4F6E-9A21-3B7C0D9E4F18}"
void class_id_text(char (&text)[39]) {
    const qor::platform::Guid &g = qor::platform::kRegStoreClassId;
    std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(g.data1), g.data2, g.data3, g.data4[0], g.data4[1], g.data4[2], g.data4[3],
                  g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
}

HRESULT set_text(HKEY key, const char *name, const char *value) {
    LONG rc = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(value),
                             static_cast<DWORD>(std::strlen(value) + 1));
    return HRESULT_FROM_WIN32(rc);
}

}  // namespace

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void **object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!is_store_class(clsid)) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(iid, object);
}

// Objects may outlive the call that made them and keep no count the
// server could consult, so the server stays loaded for the process's life.
extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return S_FALSE; }

// HKEY_CLASSES_ROOT\CLSID\{...}\InprocServer32 = this DLL, both
// apartment kinds: every object is used by one thread at a time.
extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    HMODULE self = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&DllRegisterServer), &self))
        return HRESULT_FROM_WIN32(GetLastError());
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(self, path, sizeof path);
    if (length == 0 || length >= sizeof path) return E_FAIL;

    char id[39];
    class_id_text(id);
    char key_path[64];
    std::snprintf(key_path, sizeof key_path, "CLSID\\%s\\InprocServer32", id);
    HKEY server = nullptr;
    LONG rc = RegCreateKeyExA(HKEY_CLASSES_ROOT, key_path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &server, nullptr);
    if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
    HRESULT hr = set_text(server, nullptr, path);
    if (SUCCEEDED(hr)) hr = set_text(server, "ThreadingModel", "Both");
    RegCloseKey(server);
    if (SUCCEEDED(hr)) {
        HKEY klass = nullptr;
        std::snprintf(key_path, sizeof key_path, "CLSID\\%s", id);
        rc = RegOpenKeyExA(HKEY_CLASSES_ROOT, key_path, 0, KEY_SET_VALUE, &klass);
        hr = HRESULT_FROM_WIN32(rc);
        if (rc == ERROR_SUCCESS) {
            hr = set_text(klass, nullptr, "qorldap9 registry store");
            RegCloseKey(klass);
        }
    }
    return hr;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    char id[39];
    class_id_text(id);
    char key_path[64];
    std::snprintf(key_path, sizeof key_path, "CLSID\\%s\\InprocServer32", id);
    LONG rc = RegDeleteKeyA(HKEY_CLASSES_ROOT, key_path);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return HRESULT_FROM_WIN32(rc);
    std::snprintf(key_path, sizeof key_path, "CLSID\\%s", id);
    rc = RegDeleteKeyA(HKEY_CLASSES_ROOT, key_path);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return HRESULT_FROM_WIN32(rc);
    return S_OK;
}
