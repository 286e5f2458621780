// The fields of a profile record in one table: where each lies, what it
// holds, what a new record holds there, and whether and how the store
// keeps it. Initialisation, copy, load and save walk the table, and so do
// the command line tool (its show and set) and the benchmarks: a field is
// described here once. Headers only and nothing beyond the C interface,
// so that the tool, a caller of that interface, may include it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "qorldap9.h"

namespace qor {

enum class FieldKind { kText, kNumber };

// How the store keeps a field. Loading reads the kept values in the
// table's order; saving writes the numbers first, then the texts, each in
// the table's order: the order profiles are stored in.
enum class Keeping {
    kRequired,  // a stored value; a profile without it does not load
    kOptional,  // a stored value; a profile without it loads with the initial value
    kNotKept,   // the record's own: the store neither reads nor writes it
};

struct ProfileField {
    const char *name;  // the record's field and the stored value's name
    size_t offset;     // in LDAP_Config
    size_t size;       // in bytes; a text holds size - 1 characters and its terminator
    FieldKind kind;
    const char *word;  // its name on the tool's command line and in printed profiles; nullptr: none
    int32_t initial;   // a number's value in a new record; a text starts empty
    bool secret;       // sealed in the store, masked when printed, wiped after use
    Keeping keeping;
};

#define QOR_FIELD(member) #member, offsetof(LDAP_Config, member), sizeof(LDAP_Config::member)

inline constexpr ProfileField kProfileFields[] = {
    {QOR_FIELD(ProfileName), FieldKind::kText, "profile_name", 0, false, Keeping::kRequired},
    {QOR_FIELD(BaseDN), FieldKind::kText, "base", 0, false, Keeping::kRequired},
    {QOR_FIELD(BindDN), FieldKind::kText, "bind_dn", 0, false, Keeping::kRequired},
    {QOR_FIELD(BindPwd), FieldKind::kText, "bind_password", 0, true, Keeping::kRequired},
    {QOR_FIELD(HostNames), FieldKind::kText, "hosts", 0, false, Keeping::kRequired},
    {QOR_FIELD(GString), FieldKind::kText, "gstring", 0, false, Keeping::kOptional},
    {QOR_FIELD(Version), FieldKind::kNumber, "version", 3, false, Keeping::kOptional},  // LDAP version 3
    {QOR_FIELD(Port), FieldKind::kNumber, "port", 389, false, Keeping::kRequired},
    {QOR_FIELD(SizeLimit), FieldKind::kNumber, "size_limit", 0, false, Keeping::kRequired},
    {QOR_FIELD(Timeout), FieldKind::kNumber, "timeout", 1, false, Keeping::kRequired},
    {QOR_FIELD(Deref), FieldKind::kNumber, "deref", 2, false, Keeping::kRequired},
    {QOR_FIELD(Referal), FieldKind::kNumber, "referrals", 8, false, Keeping::kRequired},
    {QOR_FIELD(Ssl), FieldKind::kNumber, "ssl", 0, false, Keeping::kRequired},
    // MBFlags decides; the field is kept beside it and plays no part.
    {QOR_FIELD(Anonymous), FieldKind::kNumber, nullptr, 1, false, Keeping::kRequired},
    {QOR_FIELD(RegLocation), FieldKind::kNumber, "location", -1, false, Keeping::kNotKept},
    {QOR_FIELD(ReadOnly), FieldKind::kNumber, nullptr, 0, false, Keeping::kNotKept},
    {QOR_FIELD(Reserved), FieldKind::kNumber, nullptr, 0, false, Keeping::kNotKept},
    {QOR_FIELD(MBFlags), FieldKind::kNumber, "flags", LDC_MB_DEFAULT, false, Keeping::kOptional},
};

#undef QOR_FIELD

constexpr size_t kRecordAlignmentBytes = 2;  // after GString: neither cleared nor copied

constexpr size_t fields_size() {
    size_t total = 0;
    for (const ProfileField &f : kProfileFields) total += f.size;
    return total;
}
static_assert(fields_size() + kRecordAlignmentBytes == sizeof(LDAP_Config), "every field of the record is listed");

constexpr size_t kept_fields() {
    size_t n = 0;
    for (const ProfileField &f : kProfileFields) n += f.keeping != Keeping::kNotKept;
    return n;
}
constexpr size_t kKeptFields = kept_fields();
static_assert(kKeptFields == 15, "a profile is stored as fifteen values");

constexpr size_t longest_text() {
    size_t longest = 0;
    for (const ProfileField &f : kProfileFields)
        if (f.kind == FieldKind::kText && f.size > longest) longest = f.size;
    return longest;
}
constexpr size_t kLongestText = longest_text();

// Returns the field of that record name or tool word; nullptr when none.
constexpr const ProfileField *profile_field(std::string_view name_or_word) {
    for (const ProfileField &f : kProfileFields)
        if (name_or_word == f.name || (f.word != nullptr && name_or_word == f.word)) return &f;
    return nullptr;
}

// Returns the first byte of a text field of r.
inline char *text_of(LDAP_Config &r, const ProfileField &f) { return reinterpret_cast<char *>(&r) + f.offset; }
inline const char *text_of(const LDAP_Config &r, const ProfileField &f) {
    return reinterpret_cast<const char *>(&r) + f.offset;
}

// Returns the text a field of r holds, never read past the field.
inline std::string_view text_view(const LDAP_Config &r, const ProfileField &f) {
    const char *text = text_of(r, f);
    return std::string_view(text, strnlen(text, f.size));
}

// Returns a number field of r.
inline int32_t &number_of(LDAP_Config &r, const ProfileField &f) {
    return *reinterpret_cast<int32_t *>(reinterpret_cast<char *>(&r) + f.offset);
}
inline int32_t number_of(const LDAP_Config &r, const ProfileField &f) {
    return *reinterpret_cast<const int32_t *>(reinterpret_cast<const char *>(&r) + f.offset);
}

}  // namespace qor
