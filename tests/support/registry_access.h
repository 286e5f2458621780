// Registry keys and values read and written by tests apart from the
// profile store: through the library's own registry on Linux and through
// ADVAPI32 on Windows, so that one test source checks what the store
// wrote on both.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "qorldap9.h"

#ifdef _WIN32
#include <windows.h>

namespace test_registry {
using Length = DWORD;
constexpr DWORD kQuery = KEY_QUERY_VALUE;
constexpr DWORD kAllAccess = KEY_ALL_ACCESS;
constexpr DWORD kText = REG_SZ;
constexpr DWORD kNumber = REG_DWORD;
constexpr DWORD kBinary = REG_BINARY;
}  // namespace test_registry
#else
#include "registry/registry.h"

namespace test_registry {
using namespace qor::registry;
using Length = uint32_t;
constexpr uint32_t kQuery = kKeyQueryValue;
constexpr uint32_t kAllAccess = kKeyAllAccess;
constexpr uint32_t kText = kRegSz;
constexpr uint32_t kNumber = kRegDword;
constexpr uint32_t kBinary = 3;
}  // namespace test_registry
#endif

namespace test_registry {

// Returns true when the key at path below root exists.
inline bool key_exists(LDC_HKEY root, const std::string &path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, kQuery, &key) != 0) return false;
    RegCloseKey(key);
    return true;
}

// Returns the text of the value, "<no key>" or "<no value>"; *type, when
// given, gets the value's type.
inline std::string read_text(LDC_HKEY root, const std::string &path, const char *value, Length *type = nullptr) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, kQuery, &key) != 0) return "<no key>";
    char buffer[4096] = "";
    Length size = sizeof buffer - 1;
    auto rc = RegQueryValueExA(key, value, nullptr, type, reinterpret_cast<unsigned char *>(buffer), &size);
    RegCloseKey(key);
    return rc == 0 ? std::string(buffer) : "<no value>";
}

// Sets one value of size bytes, creating the key when missing.
inline void write_raw(LDC_HKEY root, const std::string &path, const char *name, Length type, const void *bytes,
                      Length size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, kAllAccess, nullptr, &key, nullptr), 0) << path;
    EXPECT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const unsigned char *>(bytes), size), 0) << name;
    RegCloseKey(key);
}

// A key's values: strings, and numbers as decimal text after '#'.
using Values = std::map<std::string, std::string>;

// A key written value by value, as another program might.
inline void write_key(LDC_HKEY root, const std::string &path, const Values &values) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, kAllAccess, nullptr, &key, nullptr), 0) << path;
    RegCloseKey(key);
    for (const auto &[name, value] : values) {
        if (!value.empty() && value[0] == '#') {
            int32_t n = std::stoi(value.substr(1));
            write_raw(root, path, name.c_str(), kNumber, &n, sizeof n);
        } else {
            write_raw(root, path, name.c_str(), kText, value.c_str(), Length(value.size() + 1));
        }
    }
}

}  // namespace test_registry
