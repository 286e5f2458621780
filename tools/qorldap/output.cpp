#include "output.h"

#include <cstdio>
#include <iostream>

#include "qorldap9.h"
#include "util/utf8.h"

namespace qorldap {
namespace {

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

// JSON text is UTF-8: a byte that does not begin a valid sequence (a name
// stored in another encoding) is read as the Latin-1 character it would be.
std::string json_escape(const std::string &s) {
    std::string out;
    for (size_t at = 0; at < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[at]);
        size_t next = at;
        char32_t code_point;
        if (c >= 0x80 && qor::next_code_point(s, &next, &code_point)) {
            out.append(s, at, next - at);
            at = next;
            continue;
        }
        ++at;
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
                if (c < 0x20 || c >= 0x80) {
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

std::string code_text(int32_t kind, int32_t code, int32_t value) {
    char text[1024];
    return LDC_codeTextEx(kind, code, value, text, sizeof text) == 1 ? text : "";
}

std::string describe_code(int code) {
    return code_text(LDC_TEXT_RESULT, code, 0) + (code == LDC_E_AD_NEEDS_SSL ? " (--ssl 1)" : "");
}

std::string version_text() {
    return std::string("qorldap ") + QORLDAP_TOOL_VERSION + " (library qorldap9 " + LDC_versionEx() + ")";
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

int Output::refused(const std::string &what, int code, Fields fields, const std::string &meaning) {
    emit_refusal(what, code, std::move(fields), meaning);
    return kExitRefused;
}

int Output::unreachable(const std::string &what, int code, Fields fields, const std::string &meaning) {
    emit_refusal(what, code, std::move(fields), meaning);
    return kExitUnreachable;
}

void Output::emit_refusal(const std::string &what, int code, Fields fields, const std::string &given) {
    std::string meaning = given.empty() ? describe_code(code) : given;
    if (json_) {
        fields.insert(fields.begin(), {"ok", false});
        fields.push_back({"code", static_cast<long long>(code)});
        fields.push_back({"message", what + ": " + meaning});
        emit_json(std::move(fields));
    } else {
        std::cerr << "qorldap: " << what << ": " << meaning << " (code " << code << ")" << std::endl;
    }
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
