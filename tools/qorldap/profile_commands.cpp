// Profiles at a location: list, show, set, delete and the fallback flag.
#include <cstring>
#include <optional>
#include <sstream>
#include <vector>

#include "commands.h"
#include "secret_input.h"

namespace qorldap {
namespace {

const char *kMask = "********";

std::vector<std::string> split_hosts(const char *hosts) {
    std::vector<std::string> out;
    std::istringstream in(hosts);
    std::string entry;
    while (in >> entry) out.push_back(entry);
    return out;
}

std::vector<std::string> mode_names(int32_t flags) {
    std::vector<std::string> out;
    if (flags & LDC_MB_POSIX) out.push_back("posix");
    if (flags & LDC_MB_AD) out.push_back("ad");
    if (flags & LDC_MB_ANONYMOUS) out.push_back("anonymous");
    if (flags & LDC_MB_SIMPLE) out.push_back("simple");
    if (flags & LDC_MB_INTEGRATED) out.push_back("integrated");
    return out;
}

Fields profile_fields(const std::string &name, LDAP_Config &r, bool reveal) {
    bool has_password = r.BindPwd[0] != '\0';
    return {
        {"name", name},
        {"profile_name", std::string(r.ProfileName)},
        {"hosts", split_hosts(r.HostNames)},
        {"port", static_cast<long long>(r.Port)},
        {"base", std::string(r.BaseDN)},
        {"bind_dn", std::string(r.BindDN)},
        {"bind_password", reveal ? std::string(r.BindPwd) : std::string(has_password ? kMask : "")},
        {"ssl", static_cast<long long>(r.Ssl)},
        {"version", static_cast<long long>(r.Version)},
        {"size_limit", static_cast<long long>(r.SizeLimit)},
        {"timeout", static_cast<long long>(r.Timeout)},
        {"deref", static_cast<long long>(r.Deref)},
        {"referrals", static_cast<long long>(r.Referal)},
        {"flags", static_cast<long long>(r.MBFlags)},
        {"modes", mode_names(r.MBFlags)},
        {"gstring", std::string(r.GString)},
        {"location", static_cast<long long>(r.RegLocation)},
    };
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

struct SetOptions {
    std::vector<std::string> add_hosts;
    std::optional<std::string> hosts, base, bind_dn, gstring;
    bool password_stdin = false;
    std::optional<int> port, ssl, version, size_limit, timeout, deref, referrals;
    bool posix = false, ad = false, anonymous = false, simple = false, integrated = false;
};

int run_set(Context &ctx, const std::string &name, const SetOptions &o) {
    Output out = ctx.out();
    LDAP_Config r;
    LDAP_Config_initializeEx(&r);
    bool existed = LDAP_Config_loadEx(&r, name.c_str(), ctx.location) == 1;
    if (!existed) LDAP_Config_initializeEx(&r);  // a partly read profile is not a base to build on

    if (o.hosts) LDC_setHostNamesEx(&r, o.hosts->c_str());
    for (const std::string &entry : o.add_hosts) {
        std::string host = entry;
        int port = r.Port;
        size_t colon = entry.rfind(':');
        if (colon != std::string::npos) {
            host = entry.substr(0, colon);
            try {
                port = std::stoi(entry.substr(colon + 1));
            } catch (const std::exception &) {
                return out.usage_error("--host " + entry + ": the port is not a number");
            }
        }
        int rc = LDC_addServerEx(&r, host.c_str(), port);
        if (rc != 0) return out.refused("--host " + entry, rc);
    }
    if (o.base) LDC_setBaseDNEx(&r, o.base->c_str());
    if (o.bind_dn) LDC_setBindDNEx(&r, o.bind_dn->c_str());
    if (o.gstring) LDC_setGString(&r, o.gstring->c_str());
    if (o.port) LDC_setPortEx(&r, *o.port);
    if (o.ssl) LDC_setSslEx(&r, *o.ssl);
    if (o.version) LDC_setVersionEx(&r, *o.version);
    if (o.size_limit) LDC_setSizeLimitEx(&r, *o.size_limit);
    if (o.timeout) LDC_setTimeoutEx(&r, *o.timeout);
    if (o.deref) LDC_setDerefEx(&r, *o.deref);
    if (o.referrals) LDC_setReferalEx(&r, *o.referrals);
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
        if (pw->size() >= sizeof r.BindPwd) return out.usage_error("the bind password is longer than 175 characters");
        LDC_setBindPwdEx(&r, pw->c_str());
    }
    int saved = LDAP_Config_saveEx(&r, name.c_str(), ctx.location);
    qor::secure_clear(r.BindPwd, sizeof r.BindPwd);
    if (saved != 1)
        return out.failed("profile " + name + " could not be saved at location " + std::to_string(ctx.location));
    return out.success((existed ? "updated profile " : "created profile ") + name,
                       {{"name", name}, {"created", !existed}});
}

}  // namespace

bool load_profile(Context &ctx, const std::string &name, LDAP_Config &record) {
    LDAP_Config_initializeEx(&record);
    if (LDAP_Config_loadEx(&record, name.c_str(), ctx.location) == 1) return true;
    ctx.exit_status = ctx.out().failed("profile " + name + " not found at location " + std::to_string(ctx.location));
    return false;
}

void add_profile_commands(CLI::App &app, Context &ctx) {
    auto *list = app.add_subcommand("list", "List the profiles at the location");
    list->callback([&ctx] {
        std::vector<LDAP_ConfigAux> table(LDC_TABLE_SIZE);
        int rc = LDAP_Config_loadAllAuxEx(table.data(), ctx.location);
        if (rc != LDC_TABLE_END) {
            ctx.exit_status = ctx.out().refused("listing location " + std::to_string(ctx.location), rc);
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
    set->add_option("NAME", set_name, "Profile name")->required();
    set->add_option("--host", o.add_hosts, "Add a server HOST[:PORT] (letters, digits, '-'); repeatable");
    set->add_option("--hosts", o.hosts, "Set the whole server list (blank-separated HOST[:PORT] entries)");
    set->add_option("--base", o.base, "Search base DN");
    set->add_option("--bind-dn", o.bind_dn, "Bind DN, or a bare user name");
    set->add_flag("--bind-password-stdin", o.password_stdin, "Read the bind password (terminal or stdin)");
    set->add_option("--port", o.port, "Port")->check(CLI::Range(1, 65535));
    set->add_option("--ssl", o.ssl, "0 plain, 1 SSL (2: SSL for sessions, plain for password checks)");
    set->add_flag("--posix", o.posix, "POSIX-style directory");
    set->add_flag("--ad", o.ad, "Active Directory");
    set->add_flag("--anonymous", o.anonymous, "Bind anonymously");
    set->add_flag("--simple", o.simple, "Bind with the profile's DN and password");
    set->add_flag("--integrated", o.integrated, "Bind with the process's own credentials (negotiate)");
    set->add_option("--version", o.version, "LDAP protocol version")->check(CLI::Range(2, 3));
    set->add_option("--size-limit", o.size_limit, "Search size limit (0: none)");
    set->add_option("--timeout", o.timeout, "Search time limit in seconds");
    set->add_option("--deref", o.deref, "Alias dereferencing (0 never .. 3 always)")->check(CLI::Range(0, 3));
    set->add_option("--referrals", o.referrals, "Follow referrals (0 no, other yes)");
    set->add_option("--gstring", o.gstring, "Free text kept with the profile");
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
            ctx.exit_status = out.failed("profile " + del_name + " could not be deleted");
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
