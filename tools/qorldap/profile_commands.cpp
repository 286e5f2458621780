// Profiles at a location: list, show, set, delete and the fallback flag.
#include <cstddef>
#include <cstring>
#include <iterator>
#include <limits>
#include <optional>
#include <sstream>
#include <string_view>
#include <vector>

#include "commands.h"
#include "config/profile_fields.h"
#include "host_list.h"
#include "secret_input.h"
#include "store_problem.h"
#include "util/text.h"
#include "util/utf8.h"

namespace qorldap {
namespace {

const char *kMask = "********";

std::vector<std::string> mode_names(int32_t flags) {
    std::vector<std::string> out;
    if (flags & LDC_MB_POSIX) out.push_back("posix");
    if (flags & LDC_MB_AD) out.push_back("ad");
    if (flags & LDC_MB_ANONYMOUS) out.push_back("anonymous");
    if (flags & LDC_MB_SIMPLE) out.push_back("simple");
    if (flags & LDC_MB_INTEGRATED) out.push_back("integrated");
    return out;
}

// A profile as printed: the table's fields that have a word, in its
// order, the password masked unless revealed.
Fields profile_fields(const std::string &name, const LDAP_Config &r, bool reveal) {
    Fields out = {{"name", name}};
    for (const qor::ProfileField &f : qor::kProfileFields) {
        if (f.word == nullptr) continue;
        if (f.kind == qor::FieldKind::kNumber) {
            out.emplace_back(f.word, static_cast<long long>(qor::number_of(r, f)));
            if (f.offset == offsetof(LDAP_Config, MBFlags)) out.emplace_back("modes", mode_names(r.MBFlags));
        } else if (f.secret && !reveal) {
            out.emplace_back(f.word, std::string(qor::text_view(r, f).empty() ? "" : kMask));
        } else if (f.offset == offsetof(LDAP_Config, HostNames)) {
            out.emplace_back(f.word, split_hosts(qor::text_view(r, f)));
        } else {
            out.emplace_back(f.word, std::string(qor::text_view(r, f)));
        }
    }
    return out;
}

std::string profile_text(const Fields &fields) {
    std::ostringstream out;
    for (const auto &[key, value] : fields) {
        out << key << ": ";
        if (auto s = std::get_if<std::string>(&value))
            out << *s;
        else if (auto n = std::get_if<long long>(&value))
            out << *n;
        else if (auto list = std::get_if<std::vector<std::string>>(&value)) {
            for (size_t i = 0; i < list->size(); ++i) out << (i ? " " : "") << (*list)[i];
        }
        out << "\n";
    }
    std::string s = out.str();
    if (!s.empty()) s.pop_back();
    return s;
}

// The options of set that write one field of the table each (named by
// its word): their help and, for a number, the values taken.
struct FieldOption {
    const char *word;
    const char *names;
    const char *help;
    int min = 0, max = 0;
};

constexpr int kNoLimit = std::numeric_limits<int32_t>::max();

constexpr FieldOption kFieldOptions[] = {
    {"base", "--base", "Search base DN"},
    {"bind_dn", "--bind-dn", "Bind DN, or a bare user name"},
    {"port", "--port", "Port of the servers given without one", 1, 65535},
    {"ssl", "--ssl", "0 plain, 1 SSL (2: SSL for sessions, plain for password checks)", 0, 2},
    {"version", "--ldap-version,--version", "LDAP protocol version (--version: the old spelling)", 2, 3},
    {"size_limit", "--size-limit", "Search size limit (0: none)", 0, kNoLimit},
    {"timeout", "--timeout", "Search time limit in seconds", 0, kNoLimit},
    {"deref", "--deref", "Alias dereferencing (0 never .. 3 always)", 0, 3},
    {"referrals", "--referrals", "Follow referrals (0 no, other yes)", 0, kNoLimit},
    {"gstring", "--gstring", "Free text kept with the profile"},
};
constexpr size_t kFieldOptionCount = std::size(kFieldOptions);

const qor::ProfileField &field_of(const FieldOption &option) { return *qor::profile_field(option.word); }

// A text that fits the field, terminator included.
CLI::Validator fits(const qor::ProfileField &f) {
    return CLI::Validator(
        [&f](std::string &text) {
            if (text.size() < f.size) return std::string();
            return std::to_string(text.size()) + " characters; at most " + std::to_string(f.size - 1) + " fit";
        },
        "");
}

// A name the store keeps and lists as given.
CLI::Validator profile_name() {
    return CLI::Validator(
        [](std::string &name) {
            const qor::ProfileField &f = *qor::profile_field("ProfileName");
            if (name.empty()) return std::string("a profile name is not empty");
            if (name.size() >= f.size)
                return "a profile name has at most " + std::to_string(f.size - 1) + " characters";
            if (name.find('\\') != std::string::npos) return std::string("a profile name holds no '\\'");
            if (!qor::is_utf8(name)) return std::string("a profile name is UTF-8 text");
            return std::string();
        },
        "");
}

struct SetOptions {
    ServerOptions servers;
    std::optional<std::string> texts[kFieldOptionCount];
    std::optional<int> numbers[kFieldOptionCount];
    bool password_stdin = false;
    bool posix = false, ad = false, anonymous = false, simple = false, integrated = false;
};

const std::optional<int> &number_given(const SetOptions &o, std::string_view word) {
    size_t i = 0;
    while (word != kFieldOptions[i].word) ++i;
    return o.numbers[i];
}

int run_set(Context &ctx, const std::string &name, SetOptions &o) {
    Output out = ctx.out();
    LDAP_Config r;
    LDAP_Config_initializeEx(&r);
    bool existed = LDAP_Config_loadEx(&r, name.c_str(), ctx.location) == 1;
    if (!existed) LDAP_Config_initializeEx(&r);  // a partly read profile is not a base to build on

    for (size_t i = 0; i < kFieldOptionCount; ++i) {
        const qor::ProfileField &f = field_of(kFieldOptions[i]);
        if (o.texts[i]) qor::copy_bounded(qor::text_of(r, f), f.size, o.texts[i]->c_str());
        if (o.numbers[i]) qor::number_of(r, f) = *o.numbers[i];
    }
    o.servers.ssl = number_given(o, "ssl");
    o.servers.port_given = number_given(o, "port").has_value();
    std::string refusal = apply_servers(r, o.servers);
    if (!refusal.empty()) return out.usage_error(refusal);
    if (LDC_getNumServersEx(&r) == 0) return out.usage_error("the profile has no server: give --host or --hosts");
    int32_t flags = r.MBFlags;
    if (o.posix || o.ad) {
        flags &= ~(LDC_MB_POSIX | LDC_MB_AD);
        if (o.posix) flags |= LDC_MB_POSIX;
        if (o.ad) flags |= LDC_MB_AD;
    }
    if (o.anonymous || o.simple || o.integrated) {
        flags &= ~(LDC_MB_ANONYMOUS | LDC_MB_SIMPLE | LDC_MB_INTEGRATED);
        if (o.anonymous) flags |= LDC_MB_ANONYMOUS;
        if (o.simple) flags |= LDC_MB_SIMPLE;
        if (o.integrated) flags |= LDC_MB_INTEGRATED;
    }
    LDC_setmbFlags(&r, flags);
    LDC_setAnonymousEx(&r, (flags & LDC_MB_ANONYMOUS) ? 1 : 0);
    if (o.password_stdin) {
        std::optional<qor::Secret> pw = read_secret("Bind password: ");
        if (!pw) return out.input_error("no bind password on standard input");
        if (pw->size() >= sizeof r.BindPwd)
            return out.usage_error("the bind password is longer than " + std::to_string(sizeof r.BindPwd - 1) +
                                   " characters");
        LDC_setBindPwdEx(&r, pw->c_str());
    }
    int saved = LDAP_Config_saveEx(&r, name.c_str(), ctx.location);
    qor::secure_clear(r.BindPwd, sizeof r.BindPwd);
    if (saved != 1) return store_failure(ctx, "profile " + name + " could not be saved", true);
    return out.success((existed ? "updated profile " : "created profile ") + name,
                       {{"name", name}, {"created", !existed}});
}

}  // namespace

std::vector<std::string> split_hosts(std::string_view hosts) {
    std::vector<std::string> out;
    qor::Tokens entries(hosts, " ");
    std::string_view entry;
    while (entries.next(entry)) out.emplace_back(entry);
    return out;
}

int store_failure(Context &ctx, const std::string &what, bool writing) {
    std::optional<std::string> problem = store_problem(ctx.location, writing);
    return ctx.out().failed(what + (problem ? ": " + *problem : " at location " + std::to_string(ctx.location)));
}

bool load_profile(Context &ctx, const std::string &name, LDAP_Config &record) {
    LDAP_Config_initializeEx(&record);
    if (LDAP_Config_loadEx(&record, name.c_str(), ctx.location) == 1) return true;
    std::optional<std::string> problem = store_problem(ctx.location, false);
    ctx.exit_status =
        problem ? ctx.out().failed("profile " + name + " cannot be read: " + *problem)
                : ctx.out().failed("profile " + name + " not found at location " + std::to_string(ctx.location));
    return false;
}

void add_profile_commands(CLI::App &app, Context &ctx) {
    auto *list = app.add_subcommand("list", "List the profiles at the location");
    list->callback([&ctx] {
        std::vector<LDAP_ConfigAux> table(LDC_TABLE_SIZE);
        int rc = LDAP_Config_loadAllAuxEx(table.data(), ctx.location);
        std::string what = "listing location " + std::to_string(ctx.location);
        if (rc != LDC_TABLE_END) {
            std::optional<std::string> problem = store_problem(ctx.location, false);
            // A location nothing was ever saved at has no key yet: it is empty.
            if (rc == LDC_E_BAD_KEY && !problem) {
                ctx.exit_status = ctx.out().success("", {{"profiles", std::vector<std::string>{}}});
                return;
            }
            ctx.exit_status = problem ? ctx.out().failed(what + ": " + *problem) : ctx.out().refused(what, rc);
            return;
        }
        std::vector<std::string> names;
        std::string text;
        for (auto &entry : table) {
            if (entry.KeyName[0] == '\0') continue;
            names.push_back(entry.KeyName);
            text += std::string(text.empty() ? "" : "\n") + entry.KeyName + "\t" + entry.Config.HostNames + "\t" +
                    entry.Config.BaseDN;
            qor::secure_clear(entry.Config.BindPwd, sizeof entry.Config.BindPwd);
        }
        ctx.exit_status = ctx.out().success(text, {{"profiles", names}});
    });

    auto *show = app.add_subcommand("show", "Show a profile (the bind password masked)");
    static std::string show_name;
    static bool reveal = false;
    show->add_option("NAME", show_name, "Profile name")->required();
    show->add_flag("--reveal-password", reveal, "Print the bind password in clear");
    show->callback([&ctx] {
        LDAP_Config r;
        if (!load_profile(ctx, show_name, r)) return;
        Fields fields = profile_fields(show_name, r, reveal);
        qor::secure_clear(r.BindPwd, sizeof r.BindPwd);
        Output out = ctx.out();
        ctx.exit_status = out.success(out.json() ? "" : profile_text(fields), fields);
    });

    auto *set = app.add_subcommand("set", "Create or update a profile");
    static std::string set_name;
    static SetOptions o;
    set->add_option("NAME", set_name, "Profile name")->required()->check(profile_name());
    set->add_option("--host", o.servers.added,
                    "Add a server: HOST[:PORT], [IPv6][:PORT] or an ldap:// or ldaps:// URI; repeatable")
        ->allow_extra_args(false);  // one server each, "[v6]" included
    set->add_option("--hosts", o.servers.list, "Set the whole server list (entries as for --host, blank-separated)");
    set->add_flag("--bind-password-stdin", o.password_stdin, "Read the bind password (terminal or stdin)");
    for (size_t i = 0; i < kFieldOptionCount; ++i) {
        const FieldOption &option = kFieldOptions[i];
        const qor::ProfileField &f = field_of(option);
        if (f.kind == qor::FieldKind::kText) {
            set->add_option(option.names, o.texts[i], option.help)->check(fits(f));
            continue;
        }
        CLI::Validator range = CLI::Range(option.min, option.max);
        if (option.max == kNoLimit) range.description("INT >= 0");
        set->add_option(option.names, o.numbers[i], option.help)->check(range);
    }
    set->add_flag("--posix", o.posix, "POSIX-style directory");
    set->add_flag("--ad", o.ad, "Active Directory");
    set->add_flag("--anonymous", o.anonymous, "Bind anonymously");
    set->add_flag("--simple", o.simple, "Bind with the profile's DN and password");
    set->add_flag("--integrated", o.integrated, "Bind with the process's own credentials (negotiate)");
    set->callback([&ctx] { ctx.exit_status = run_set(ctx, set_name, o); });

    auto *del = app.add_subcommand("delete", "Delete a profile (locations 0 and 1)");
    static std::string del_name;
    del->add_option("NAME", del_name, "Profile name")->required();
    del->callback([&ctx] {
        Output out = ctx.out();
        if (ctx.location > 1) {
            ctx.exit_status = out.usage_error("profiles can be deleted at locations 0 and 1 only");
            return;
        }
        if (LDAP_Config_resetEx(del_name.c_str(), ctx.location) != 1) {
            ctx.exit_status = store_failure(ctx, "profile " + del_name + " could not be deleted", true);
            return;
        }
        ctx.exit_status = out.success("deleted profile " + del_name, {{"name", del_name}});
    });

    auto *fallback = app.add_subcommand("fallback", "Read or set the location's fallback flag");
    static std::string action = "get";
    static int value = 1;
    fallback->add_option("ACTION", action, "get or set")->check(CLI::IsMember({"get", "set"}));
    fallback->add_option("N", value, "The value to set");
    fallback->callback([&ctx] {
        Output out = ctx.out();
        if (action == "set") {
            if (LDC_setFallBack(value, ctx.location) != 1) {
                ctx.exit_status = out.failed("the fallback flag could not be set (does the location hold profiles?)");
                return;
            }
            ctx.exit_status =
                out.success("fallback set to " + std::to_string(value), {{"value", static_cast<long long>(value)}});
            return;
        }
        bool on = LDC_isFallBack(ctx.location) == 1;
        ctx.exit_status = out.success(on ? "fallback: on" : "fallback: off", {{"fallback", on}});
    });
}

}  // namespace qorldap
