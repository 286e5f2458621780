#include "store/profile_location.h"

namespace qor {
namespace {

constexpr const char *kCommonBase = "Software\\Marblegrove\\Tidewell\\9.00\\Common\\Ldap";
constexpr const char *kQuillpaneBase = "Software\\Marblegrove\\Tidewell\\9.00\\Common\\Quillpane\\Ldap";
constexpr const char *kNamedUserProfile = "user";

}  // namespace

bool location_base_key(int32_t location, LDC_HKEY &root, const char *&path) {
    switch (location) {
        case LDC_LOC_USER_COMMON:
            root = LDC_HKEY_CURRENT_USER, path = kCommonBase;
            return true;
        case LDC_LOC_MACHINE_COMMON:
            root = LDC_HKEY_LOCAL_MACHINE, path = kCommonBase;
            return true;
        case LDC_LOC_USER_QUILLPANE:
            root = LDC_HKEY_CURRENT_USER, path = kQuillpaneBase;
            return true;
        default:
            return false;
    }
}

bool profile_key(int32_t location, const char *name, LDC_HKEY &root, std::string &path) {
    // An empty name would address the base key itself, which holds every
    // profile of the location.
    if (!name || !*name) return false;
    const char *base = nullptr;
    if (location == LDC_LOC_NAMED_USER) {
        root = LDC_HKEY_USERS;
        path = std::string(name) + "\\" + kCommonBase + "\\" + kNamedUserProfile;
    } else if (location_base_key(location, root, base)) {
        path = std::string(base) + "\\" + name;
    } else {
        return false;
    }
    return path.size() < kProfilePathSize;
}

}  // namespace qor
