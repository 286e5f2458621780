// Profile load beside the same reads written with SQLite alone, and the
// table load over keys of 100, 1,000 and 10,000 profiles.
#include <sqlite3.h>
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_common.h"
#include "config/profile_fields.h"
#include "fixture_env.h"
#include "registry/registry_location.h"
#include "registry/registry_schema.h"
#include "qorldap9.h"

namespace {

using qorbench::fixture;
using qorbench::use_registry;
namespace registry_schema = qor::registry::schema;

constexpr const char *kProfileBase[] = {"Software", "Marblegrove", "Tidewell", "9.00", "Common", "Ldap"};
constexpr const char *kBindPassword = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKL";  // 48 characters

LDAP_Config sample_profile(const char *name) {
    LDAP_Config r;
    LDAP_Config_initializeEx(&r);
    LDC_setProfileNameEx(&r, name);
    LDC_setBaseDNEx(&r, "ou=people,dc=example,dc=com");
    LDC_setBindDNEx(&r, "cn=reader,dc=example,dc=com");
    LDC_setBindPwdEx(&r, kBindPassword);
    LDC_setHostNamesEx(&r, "ldap1.example.com:389 ldap2.example.com:389");
    LDC_setPortEx(&r, 389);
    LDC_setSizeLimitEx(&r, 500);
    LDC_setTimeoutEx(&r, 30);
    LDC_setmbFlags(&r, LDC_MB_POSIX | LDC_MB_SIMPLE);
    return r;
}

// The current user's database of a registry folder, where the registry
// itself puts it.
std::string database(const std::string &registry) {
    use_registry(registry);
    return qor::registry::registry_file(qor::registry::RegistryRoot::CurrentUser).path;
}

// Walks a key path from the root key; 0 when a part is missing.
int64_t key_id(sqlite3_stmt *child, const std::vector<const char *> &path) {
    int64_t id = registry_schema::kRootKeyId;
    for (const char *name : path) {
        sqlite3_reset(child);
        sqlite3_bind_int64(child, 1, id);
        sqlite3_bind_text(child, 2, name, -1, SQLITE_STATIC);
        bool found = sqlite3_step(child) == SQLITE_ROW;
        if (found) id = sqlite3_column_int64(child, 0);
        sqlite3_reset(child);
        if (!found) return 0;
    }
    return id;
}

bool save_sample(const char *registry, const char *name) {
    use_registry(registry);
    LDAP_Config r = sample_profile(name);
    return LDAP_Config_saveEx(&r, name, LDC_LOC_USER_COMMON) == 1;
}

void load_ours(benchmark::State &state) {
    static const bool saved = save_sample("load", "bench");
    use_registry("load");
    if (!saved) {
        state.SkipWithError("profile save failed");
        return;
    }
    LDAP_Config r;
    for (auto _ : state) {
        if (LDAP_Config_loadEx(&r, "bench", LDC_LOC_USER_COMMON) != 1) {
            state.SkipWithError("profile load failed");
            break;
        }
    }
}

// The floor: open the database, find the key, read its fifteen values
// into the record, close; all reads in one transaction, or (to show what
// one registry call per value costs) a transaction for each.
void load_floor(benchmark::State &state, bool transaction_per_value) {
    static const bool saved = save_sample("load", "bench");
    if (!saved) {
        state.SkipWithError("profile save failed");
        return;
    }
    LDAP_Config r;
    char sealed[2048];  // the secret is stored sealed, longer than its field
    std::vector<const char *> path(std::begin(kProfileBase), std::end(kProfileBase));
    path.push_back("bench");
    std::string file = database("load");
    for (auto _ : state) {
        sqlite3 *db = nullptr;
        if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            sqlite3_close_v2(db);
            state.SkipWithError("open failed");
            break;
        }
        sqlite3_stmt *child = nullptr, *value = nullptr;
        sqlite3_prepare_v2(db, registry_schema::kFindChild, -1, &child, nullptr);
        sqlite3_prepare_v2(db, registry_schema::kQueryValue, -1, &value, nullptr);
        if (!transaction_per_value) sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        int64_t id = key_id(child, path);
        int found = 0;
        for (const qor::ProfileField &f : qor::kProfileFields) {
            if (f.keeping == qor::Keeping::kNotKept) continue;
            char *at = f.secret ? sealed : reinterpret_cast<char *>(&r) + f.offset;
            size_t size = f.secret ? sizeof sealed : f.size;
            if (transaction_per_value) sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
            sqlite3_bind_int64(value, 1, id);
            sqlite3_bind_text(value, 2, f.name, -1, SQLITE_STATIC);
            if (sqlite3_step(value) == SQLITE_ROW) {
                size_t length = static_cast<size_t>(sqlite3_column_bytes(value, 1));
                if (length <= size) std::memcpy(at, sqlite3_column_blob(value, 1), length), ++found;
            }
            sqlite3_reset(value);
            if (transaction_per_value) sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        }
        if (!transaction_per_value) sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_finalize(child);
        sqlite3_finalize(value);
        sqlite3_close_v2(db);
        if (found != int(qor::kKeptFields)) {
            state.SkipWithError("floor read failed");
            break;
        }
    }
}

// A key of n profiles: one saved by the library, copied n - 1 times in
// one transaction (saving each would only time the disk's flushes).
bool make_table(int n) {
    std::string registry = "table-" + std::to_string(n);
    if (!save_sample(registry.c_str(), "p00000")) return false;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(database(registry).c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) return false;
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *child = nullptr, *key = nullptr, *copy = nullptr;
    sqlite3_prepare_v2(db, registry_schema::kFindChild, -1, &child, nullptr);
    sqlite3_prepare_v2(db, registry_schema::kInsertKey, -1, &key, nullptr);
    sqlite3_prepare_v2(db, registry_schema::kCopyValues, -1, &copy, nullptr);
    std::vector<const char *> path(std::begin(kProfileBase), std::end(kProfileBase));
    int64_t parent = key_id(child, path);
    path.push_back("p00000");
    int64_t sample = key_id(child, path);
    bool ok = parent != 0 && sample != 0;
    for (int i = 1; ok && i < n; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "p%05d", i);
        sqlite3_reset(key);
        sqlite3_bind_int64(key, 1, parent);
        sqlite3_bind_text(key, 2, name, -1, SQLITE_TRANSIENT);
        ok = sqlite3_step(key) == SQLITE_DONE;
        int64_t id = sqlite3_last_insert_rowid(db);
        sqlite3_reset(copy);
        sqlite3_bind_int64(copy, 1, id);
        sqlite3_bind_int64(copy, 2, sample);
        ok = ok && sqlite3_step(copy) == SQLITE_DONE;
    }
    sqlite3_finalize(child);
    sqlite3_finalize(key);
    sqlite3_finalize(copy);
    ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close_v2(db);
    return ok;
}

void table_load(benchmark::State &state, int n) {
    static bool made[3] = {make_table(100), make_table(1000), make_table(10000)};
    int slot = n == 100 ? 0 : n == 1000 ? 1 : 2;
    if (!made[slot]) {
        state.SkipWithError("table set-up failed");
        return;
    }
    use_registry("table-" + std::to_string(n));
    LDAP_ConfigAux table[LDC_TABLE_SIZE];
    for (auto _ : state) {
        int rc = LDAP_Config_loadAllAuxEx(table, LDC_LOC_USER_COMMON);
        if (rc != LDC_TABLE_END || std::strcmp(table[9].KeyName, "p00009") != 0 ||
            std::strcmp(table[9].Config.BindPwd, kBindPassword) != 0) {
            state.SkipWithError("table load failed");
            break;
        }
    }
}

QORBENCH_REGISTER(load_ours, "profile_load/ours", load_ours);
QORBENCH_REGISTER(load_floor, "profile_load/floor", [](benchmark::State &s) { load_floor(s, false); });
QORBENCH_REGISTER(load_floor_per_value, "profile_load/floor_per_value",
                  [](benchmark::State &s) { load_floor(s, true); });
QORBENCH_REGISTER(table_100, "table_load/100", [](benchmark::State &s) { table_load(s, 100); });
QORBENCH_REGISTER(table_1000, "table_load/1000", [](benchmark::State &s) { table_load(s, 1000); });
QORBENCH_REGISTER(table_10000, "table_load/10000", [](benchmark::State &s) { table_load(s, 10000); });

QORBENCH_TARGET(profile_load, qorbench::Section::kRatios, s.pair("profile load", "profile_load", 1.5);
                s.info("  floor, a transaction per value", "profile_load/floor_per_value", "profile_load/ours"));

// Linear growth: each step from one size to the next costs the same per
// added profile (loading the ten is a fixed part of every size).
void table_load_rows(qorbench::Summary &s) {
    double previous_us = 0, first_slope = 0;
    int previous_n = 0;
    for (int n : {100, 1000, 10000}) {
        std::string name = "table_load/" + std::to_string(n);
        const qorbench::Median *r = s.find(name);
        if (r == nullptr) {
            std::printf("table load, 10 of %-16d %12s   %s\n", n, "-", s.absent(name));
            previous_n = 0;
            continue;
        }
        std::printf("table load, 10 of %-16d %12.1f %12.2f %8.1f", n, r->us, r->us / n, r->us / 10);
        if (previous_n != 0) {
            double slope = (r->us - previous_us) / (n - previous_n);
            std::printf("   %.2f us per added profile", slope);
            if (first_slope == 0) {
                first_slope = slope;
                std::printf("\n");
            } else {
                std::printf(" (x%.2f)   %s\n", slope / first_slope, s.judge(slope <= 1.5 * first_slope));
            }
        } else {
            std::printf("\n");
        }
        previous_n = n;
        previous_us = r->us;
    }
}
QORBENCH_TARGET(table_load, qorbench::Section::kTableLoads, table_load_rows(s));

}  // namespace
