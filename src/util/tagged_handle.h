// Handles that are the addresses of heap objects. Each kind of object
// carries a tag word (Object::kTag in its member tag); a handle is
// followed only while the object carries the tag of the kind asked for, and
// the tag is cleared when the object goes, so a stale or foreign handle is
// refused rather than followed.
#pragma once

#include <cstdint>

namespace qor {

template <class Object>
Object *tagged_object(uintptr_t handle) {
    auto *object = reinterpret_cast<Object *>(handle);
    return (object != nullptr && object->tag == Object::kTag) ? object : nullptr;
}

template <class Object>
uintptr_t handle_of(Object *object) {
    return reinterpret_cast<uintptr_t>(object);
}

template <class Object>
void delete_tagged(Object *object) {
    object->tag = 0;
    delete object;
}

}  // namespace qor
