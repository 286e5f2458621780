// The binary interface of qorldap9.dll as a Windows caller meets it: the
// export names, the calling convention, the DLLs it pulls in and the
// record's byte layout. The DLL is loaded at run time, as callers do.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "exports_list.h"

// Calls fn with two arguments and answers how many bytes of arguments
// the callee left on the stack: 8 for cdecl (the caller cleans), 0 for
// stdcall.
extern "C" int measure_call2(void *fn, void *first, int second);
asm(".text\n"
    ".globl _measure_call2\n"
    "_measure_call2:\n"
    "  pushl %ebp\n"
    "  movl %esp, %ebp\n"
    "  pushl %esi\n"
    "  movl %esp, %esi\n"
    "  pushl 16(%ebp)\n"
    "  pushl 12(%ebp)\n"
    "  call *8(%ebp)\n"
    "  movl %esi, %eax\n"
    "  subl %esp, %eax\n"
    "  movl %esi, %esp\n"
    "  popl %esi\n"
    "  popl %ebp\n"
    "  ret\n");

namespace {

class DllAbi : public ::testing::Test {
  protected:
    void SetUp() override {
        dll_ = LoadLibraryA("qorldap9.dll");
        ASSERT_NE(dll_, nullptr) << "LoadLibraryA failed: " << GetLastError();
    }
    void TearDown() override {
        if (dll_) FreeLibrary(dll_);
    }
    template <typename Fn>
    Fn proc(const char *name) {
        return reinterpret_cast<Fn>(reinterpret_cast<void *>(GetProcAddress(dll_, name)));
    }
    HMODULE dll_ = nullptr;
};

// The names of the DLLs a loaded module imports, and for one of them the
// names of the imported functions (an ordinal import shows as "#n").
std::vector<std::string> imports_of(HMODULE module, const char *from = nullptr,
                                    std::vector<std::string> *functions = nullptr) {
    auto *base = reinterpret_cast<const unsigned char *>(module);
    auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
    auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS32 *>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY &dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    std::vector<std::string> names;
    if (dir.VirtualAddress == 0) return names;
    for (auto *d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR *>(base + dir.VirtualAddress); d->Name != 0; ++d) {
        std::string name = reinterpret_cast<const char *>(base + d->Name);
        names.push_back(name);
        if (from == nullptr || functions == nullptr || _stricmp(name.c_str(), from) != 0) continue;
        auto *thunk = reinterpret_cast<const IMAGE_THUNK_DATA32 *>(base + d->OriginalFirstThunk);
        for (; thunk->u1.AddressOfData != 0; ++thunk) {
            if (IMAGE_SNAP_BY_ORDINAL32(thunk->u1.Ordinal)) {
                functions->push_back("#" + std::to_string(IMAGE_ORDINAL32(thunk->u1.Ordinal)));
            } else {
                auto *by_name = reinterpret_cast<const IMAGE_IMPORT_BY_NAME *>(base + thunk->u1.AddressOfData);
                functions->push_back(reinterpret_cast<const char *>(by_name->Name));
            }
        }
    }
    return names;
}

std::string upper(std::string text) {
    for (char &c : text) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return text;
}

TEST_F(DllAbi, EveryListedNameResolvesUndecorated) {
    int checked = 0;
    for (const ExportName &e : kExportNames) {
        EXPECT_NE(GetProcAddress(dll_, e.name), nullptr) << e.name;
        // neither the C-decorated nor a stdcall-decorated form exists
        EXPECT_EQ(GetProcAddress(dll_, ("_" + std::string(e.name)).c_str()), nullptr) << e.name;
        for (int bytes : {0, 4, 8, 12, 16})
            EXPECT_EQ(GetProcAddress(dll_, (std::string(e.name) + "@" + std::to_string(bytes)).c_str()), nullptr)
                << e.name << "@" << bytes;
        ++checked;
    }
    EXPECT_GT(checked, 40);
}

TEST_F(DllAbi, InternalRoutinesAreNotExported) {
    for (const char *name : {"seal_password", "ntlm_logon_check", "QorComponentCreate", "passwd_verify",
                             "_ZN3qor8platform9ldap_initEPKci", "__emutls_get_address", "_Unwind_Resume"})
        EXPECT_EQ(GetProcAddress(dll_, name), nullptr) << name;
}

TEST_F(DllAbi, ExportsAreCdecl) {
    unsigned char record[sizeof(LDAP_Config) + 16];
    auto initialize = proc<int(__cdecl *)(void *)>("LDAP_Config_initializeEx");
    auto set_port = proc<void *>("LDC_setPortEx");
    auto set_flags = proc<void *>("LDC_setmbFlags");
    ASSERT_TRUE(initialize && set_port && set_flags);
    initialize(record);
    // two arguments: the caller must find both still on the stack
    EXPECT_EQ(measure_call2(set_port, record, 636), 8);
    EXPECT_EQ(measure_call2(set_flags, record, 0x22), 8);
    int32_t port = 0, flags = 0;
    std::memcpy(&port, record + 1928, 4);
    std::memcpy(&flags, record + 1968, 4);
    EXPECT_EQ(port, 636);
    EXPECT_EQ(flags, 0x22);
}

TEST_F(DllAbi, RecordDefaultsSitAtTheirOffsets) {
    unsigned char raw[2024 + 8];
    std::memset(raw, 0xEE, sizeof raw);
    auto initialize_aux = proc<int(__cdecl *)(void *)>("LDAP_Config_initializeAuxEx");
    ASSERT_NE(initialize_aux, nullptr);
    EXPECT_EQ(initialize_aux(raw), 0);
    auto int_at = [&](size_t offset) {
        int32_t v;
        std::memcpy(&v, raw + 52 + offset, 4);
        return v;
    };
    EXPECT_EQ(raw[0], 0);             // key name cleared
    EXPECT_EQ(raw[51], 0xEE);         // the alignment byte before the record is left alone
    EXPECT_EQ(int_at(1924), 3);       // Version
    EXPECT_EQ(int_at(1928), 389);     // Port
    EXPECT_EQ(int_at(1936), 1);       // Timeout
    EXPECT_EQ(int_at(1940), 2);       // Deref
    EXPECT_EQ(int_at(1944), 8);       // Referal
    EXPECT_EQ(int_at(1952), 1);       // Anonymous
    EXPECT_EQ(int_at(1956), -1);      // RegLocation
    EXPECT_EQ(int_at(1968), 0x19);    // MBFlags
    EXPECT_EQ(raw[52 + 1922], 0xEE);  // alignment bytes after GString untouched
    EXPECT_EQ(raw[52 + 1923], 0xEE);
    EXPECT_EQ(raw[2024], 0xEE);  // nothing written past the element
}

TEST_F(DllAbi, ImportsOnlySystemDllsAndTheCipherLibrary) {
    const std::set<std::string> allowed = {"KERNEL32.DLL", "MSVCRT.DLL", "ADVAPI32.DLL", "OLE32.DLL",
                                           "WLDAP32.DLL",  "WS2_32.DLL", "RAVUVE9.DLL"};
    std::vector<std::string> functions;
    std::vector<std::string> dlls = imports_of(dll_, "ravuve9.dll", &functions);
    std::set<std::string> seen;
    for (const std::string &d : dlls) {
        EXPECT_TRUE(allowed.count(upper(d))) << "unexpected import " << d;
        seen.insert(upper(d));
    }
    EXPECT_TRUE(seen.count("RAVUVE9.DLL"));
    EXPECT_TRUE(seen.count("WLDAP32.DLL"));
    // the cipher library's one function, by name
    EXPECT_EQ(functions, std::vector<std::string>{"passwd_verify"});
}

TEST(CipherDll, ImportsOnlySystemDllsAndExportsOneName) {
    HMODULE dll = LoadLibraryA("ravuve9.dll");
    ASSERT_NE(dll, nullptr);
    for (const std::string &d : imports_of(dll)) {
        std::string u = upper(d);
        EXPECT_TRUE(u == "KERNEL32.DLL" || u == "MSVCRT.DLL" || u == "ADVAPI32.DLL") << "unexpected import " << d;
    }
    EXPECT_NE(GetProcAddress(dll, "passwd_verify"), nullptr);
    EXPECT_EQ(GetProcAddress(dll, "_passwd_verify"), nullptr);
    auto verify = reinterpret_cast<void *>(GetProcAddress(dll, "passwd_verify"));
    EXPECT_EQ(measure_call2(verify, const_cast<char *>("abc"), 0), 8);
    FreeLibrary(dll);
}

}  // namespace
