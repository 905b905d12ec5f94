// One table for every handle user32 gives out: windows, menus, icons and device contexts.
// Values are never reused, so a handle kept past its object's end names nothing instead of a
// newer object; and every entry keeps its kind, so a menu handle passed where a window is
// expected names nothing either. Each object type names its kind as `kHandleKind`.
#pragma once

#include <memory>
#include <vector>

namespace user32 {

enum class HandleKind { Window, Menu, Icon, DeviceContext };

namespace handle_table {
void* Add(HandleKind kind, void* object, void (*destroy)(void*));
void* Find(HandleKind kind, const void* handle);
// Leaves the table, owned by the caller from then on.
void* Take(HandleKind kind, const void* handle);
std::vector<void*> All(HandleKind kind);
}  // namespace handle_table

template <class Handle, class Object>
Handle AddHandle(std::unique_ptr<Object> object) {
    void (*destroy)(void*) = [](void* owned) { delete static_cast<Object*>(owned); };
    return static_cast<Handle>(handle_table::Add(Object::kHandleKind, object.release(), destroy));
}

// The object of that kind behind a handle, or nullptr.
template <class Object, class Handle>
Object* LookUpHandle(Handle handle) {
    return static_cast<Object*>(handle_table::Find(Object::kHandleKind, handle));
}

template <class Object, class Handle>
std::unique_ptr<Object> TakeHandle(Handle handle) {
    return std::unique_ptr<Object>(static_cast<Object*>(handle_table::Take(Object::kHandleKind, handle)));
}

template <class Object>
std::vector<Object*> AllHandles() {
    std::vector<Object*> objects;
    for (void* object : handle_table::All(Object::kHandleKind)) objects.push_back(static_cast<Object*>(object));
    return objects;
}

}  // namespace user32
