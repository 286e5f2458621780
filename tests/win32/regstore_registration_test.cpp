// Registering and unregistering the registry store COM server, as
// regsvr32 does. Runs alone: the class is unknown for a moment.
#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include <string>

#include "platform/regstore_interface.h"

namespace pf = qor::platform;

namespace {

using EntryPoint = HRESULT(WINAPI *)();

HRESULT create_store() {
    void *object = nullptr;
    HRESULT hr = CoCreateInstance(*reinterpret_cast<const GUID *>(&pf::kRegStoreClassId), nullptr, CLSCTX_INPROC_SERVER,
                                  *reinterpret_cast<const GUID *>(&pf::kRegStoreInterfaceId), &object);
    if (SUCCEEDED(hr)) static_cast<pf::IRegStore *>(object)->Release();
    return hr;
}

TEST(RegStoreRegistration, UnregisterThenRegisterAgain) {
    ASSERT_GE(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), 0);
    HMODULE dll = LoadLibraryA("qorregstore.dll");
    ASSERT_NE(dll, nullptr);
    auto unregister_server =
        reinterpret_cast<EntryPoint>(reinterpret_cast<void *>(GetProcAddress(dll, "DllUnregisterServer")));
    auto register_server =
        reinterpret_cast<EntryPoint>(reinterpret_cast<void *>(GetProcAddress(dll, "DllRegisterServer")));
    ASSERT_TRUE(unregister_server && register_server);

    EXPECT_EQ(unregister_server(), S_OK);
    EXPECT_EQ(create_store(), REGDB_E_CLASSNOTREG);
    // a second unregistration finds nothing to remove and is no failure
    EXPECT_EQ(unregister_server(), S_OK);

    EXPECT_EQ(register_server(), S_OK);
    EXPECT_EQ(create_store(), S_OK);
    char path[MAX_PATH] = {};
    DWORD size = sizeof path;
    ASSERT_EQ(RegGetValueA(HKEY_CLASSES_ROOT, "CLSID\\{5C1E7A42-8D3B-4F6E-9A21-3B7C0D9E4F18}\\InprocServer32", nullptr,
                           RRF_RT_REG_SZ, nullptr, path, &size),
              ERROR_SUCCESS);
    char module[MAX_PATH] = {};
    GetModuleFileNameA(dll, module, sizeof module);
    EXPECT_STRCASEEQ(path, module);
    FreeLibrary(dll);
    CoUninitialize();
}

}  // namespace
