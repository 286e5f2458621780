// What the tool prints: a line for a person, or one JSON object for a
// script (--json). Passwords never pass through here.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace qorldap {

// Exit statuses, documented in --help.
constexpr int kExitOk = 0;
constexpr int kExitRefused = 1;      // the library answered with a failure
constexpr int kExitUsage = 2;        // the command line was not understood
constexpr int kExitInput = 3;        // a password or value could not be read
constexpr int kExitUnreachable = 4;  // no server of the profile could be reached

using Value = std::variant<std::string, long long, bool, std::vector<std::string>>;
using Fields = std::vector<std::pair<std::string, Value>>;

// The meaning of a result code: the library's own codes by name, LDAP
// result codes through the library's error text.
std::string describe_code(int code);

// Returns the library's text for a code of the given kind (LDC_TEXT_*);
// empty when it has none.
std::string code_text(int32_t kind, int32_t code, int32_t value);

// Returns the tool's and the library's version, as --version prints them.
std::string version_text();

class Output {
  public:
    explicit Output(bool json) : json_(json) {}
    bool json() const { return json_; }

    // A finished command: prints either the text lines or the fields.
    int success(const std::string &text, Fields fields = {});
    // The library answered code: prints what it means (meaning, or the
    // code's own text when empty) on stderr (text) or in the JSON object,
    // and returns kExitRefused.
    int refused(const std::string &what, int code, Fields fields = {}, const std::string &meaning = "");
    // As refused, for a directory that could not be reached: returns
    // kExitUnreachable.
    int unreachable(const std::string &what, int code, Fields fields, const std::string &meaning);
    // A failure without a result code (a profile that did not load, ...).
    int failed(const std::string &what, Fields fields = {});
    int input_error(const std::string &what);
    int usage_error(const std::string &what);

  private:
    void emit_json(Fields fields);
    void emit_refusal(const std::string &what, int code, Fields fields, const std::string &meaning);
    bool json_;
};

std::string json_escape(const std::string &s);

}  // namespace qorldap
