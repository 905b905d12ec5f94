#include "handle_table.h"

#include <cstdint>
#include <map>

namespace user32::handle_table {
namespace {

struct Entry {
    HandleKind kind;
    void* object;
    void (*destroy)(void*);
};

// Destroys what is still open at exit, as the platform does when a process ends.
struct Table {
    ~Table() {
        for (auto& [value, entry] : entries) entry.destroy(entry.object);
    }
    // Ordered, so that All lists objects in the order they were made.
    std::map<uintptr_t, Entry> entries;
    uintptr_t next = 0x10010;
};

Table& TheTable() {
    static Table table;
    return table;
}

}  // namespace

void* Add(HandleKind kind, void* object, void (*destroy)(void*)) {
    Table& table = TheTable();
    const uintptr_t value = table.next;
    table.next += 4;
    table.entries.emplace(value, Entry{kind, object, destroy});
    return reinterpret_cast<void*>(value);
}

void* Find(HandleKind kind, const void* handle) {
    auto& entries = TheTable().entries;
    auto found = entries.find(reinterpret_cast<uintptr_t>(handle));
    return found != entries.end() && found->second.kind == kind ? found->second.object : nullptr;
}

void* Take(HandleKind kind, const void* handle) {
    auto& entries = TheTable().entries;
    auto found = entries.find(reinterpret_cast<uintptr_t>(handle));
    if (found == entries.end() || found->second.kind != kind) return nullptr;
    void* object = found->second.object;
    entries.erase(found);
    return object;
}

std::vector<void*> All(HandleKind kind) {
    std::vector<void*> objects;
    for (const auto& [value, entry] : TheTable().entries) {
        if (entry.kind == kind) objects.push_back(entry.object);
    }
    return objects;
}

}  // namespace user32::handle_table
