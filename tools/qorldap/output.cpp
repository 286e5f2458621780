#include "output.h"

#include <cstdio>
#include <iostream>

#include "qorldap9.h"

namespace qorldap {
namespace {

struct Known {
    int code;
    const char *text;
};

constexpr Known kLibraryCodes[] = {
    {LDC_TABLE_END, "every profile of the location was read"},
    {LDC_E_BAD_KEY, "the registry key cannot be opened, or the key name is empty"},
    {LDC_E_STORE_UNAVAILABLE, "the registry store component is not available"},
    {LDC_E_NOT_IN_TABLE, "no profile of that name"},
    {LDC_E_SERVER_LISTED, "the server is already in the list"},
    {LDC_E_BAD_HOST, "a host name may hold only letters, digits and '-'"},
    {LDC_E_BAD_PORT, "the port must lie in 1 to 65535"},
    {LDC_E_SERVER_LIST_FULL, "the server list is full (159 characters)"},
    {LDC_E_NO_USER_ENTRY, "the directory holds no user entry under the base"},
    {LDC_E_OLD_PASSWORD, "the old password did not verify"},
    {LDC_E_CHANGE_FAILED, "the directory refused the change"},
    {LDC_E_PLAIN_INIT, "a plain session could not be opened"},
    {LDC_E_SSL_INIT, "an SSL session could not be opened"},
    {LDC_E_PASSWORD_REFUSED, "the password did not verify"},
    {LDC_E_AD_NEEDS_SSL, "an Active Directory password change needs SSL (--ssl 1)"},
};

std::string json_value(const Value &v) {
    if (auto s = std::get_if<std::string>(&v)) return "\"" + json_escape(*s) + "\"";
    if (auto n = std::get_if<long long>(&v)) return std::to_string(*n);
    if (auto b = std::get_if<bool>(&v)) return *b ? "true" : "false";
    const auto &list = std::get<std::vector<std::string>>(v);
    std::string out = "[";
    for (size_t i = 0; i < list.size(); ++i) out += (i ? "," : "") + std::string("\"") + json_escape(list[i]) + "\"";
    return out + "]";
}

}  // namespace

std::string json_escape(const std::string &s) {
    std::string out;
    for (unsigned char c : s) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out;
}

std::string describe_code(int code) {
    for (const Known &k : kLibraryCodes)
        if (k.code == code) return k.text;
    const char *text = ldap_Err2String(code);
    return text ? text : "unknown result";
}

void Output::emit_json(Fields fields) {
    std::string out = "{";
    for (size_t i = 0; i < fields.size(); ++i)
        out += (i ? "," : "") + std::string("\"") + json_escape(fields[i].first) + "\":" + json_value(fields[i].second);
    std::cout << out << "}" << std::endl;
}

int Output::success(const std::string &text, Fields fields) {
    if (json_) {
        fields.insert(fields.begin(), {"ok", true});
        emit_json(std::move(fields));
    } else if (!text.empty()) {
        std::cout << text << std::endl;
    }
    return kExitOk;
}

int Output::refused(const std::string &what, int code, Fields fields, const std::string &given) {
    std::string meaning = given.empty() ? describe_code(code) : given;
    if (json_) {
        fields.insert(fields.begin(), {"ok", false});
        fields.push_back({"code", static_cast<long long>(code)});
        fields.push_back({"message", what + ": " + meaning});
        emit_json(std::move(fields));
    } else {
        std::cerr << "qorldap: " << what << ": " << meaning << " (code " << code << ")" << std::endl;
    }
    return kExitRefused;
}

int Output::failed(const std::string &what, Fields fields) {
    if (json_) {
        fields.insert(fields.begin(), {"ok", false});
        fields.push_back({"message", what});
        emit_json(std::move(fields));
    } else {
        std::cerr << "qorldap: " << what << std::endl;
    }
    return kExitRefused;
}

int Output::input_error(const std::string &what) {
    if (json_)
        emit_json({{"ok", false}, {"message", what}});
    else
        std::cerr << "qorldap: " << what << std::endl;
    return kExitInput;
}

int Output::usage_error(const std::string &what) {
    if (json_)
        emit_json({{"ok", false}, {"message", what}});
    else
        std::cerr << "qorldap: " << what << std::endl;
    return kExitUsage;
}

}  // namespace qorldap
