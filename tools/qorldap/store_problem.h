// Why a location's profile store could not be used. The library answers
// "not found" or "not saved" whatever the cause; the tool looks at the
// store's file itself, with the checks the store makes, to say which.
#pragma once

#include <optional>
#include <string>

namespace qorldap {

// Returns a sentence naming the store's file or folder and what is wrong
// with it (writable by others, permission denied, failed integrity check),
// or nothing when the store looks usable. writing: the command meant to
// change the store, not only to read it.
std::optional<std::string> store_problem(int location, bool writing);

}  // namespace qorldap
