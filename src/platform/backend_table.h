// The table of named backends that the device and audio factories share: the entries preferred first,
// the lookup by exact name and the texts that name the choices.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace platform {

// Args: what every backend of the table is created with.
template <class Created, class... Args>
struct Backend {
    std::string_view name;
    // Returns the backend's object, or an empty one when the backend cannot start here.
    Created (*create)(Args...);
};

template <class Created, class... Args>
class BackendTable {
public:
    // kind names what the backends make, for messages ("device", "audio device"). entries is not empty.
    constexpr BackendTable(std::string_view kind, std::span<const Backend<Created, Args...>> entries)
        : kind_(kind), entries_(entries) {}

    std::span<const Backend<Created, Args...>> entries() const { return entries_; }

    // The first entry: the one a program uses when none is named.
    std::string_view preferred() const { return entries_.front().name; }

    // The entry of that exact, case-sensitive name, or null.
    const Backend<Created, Args...>* find(std::string_view name) const {
        for (const Backend<Created, Args...>& entry : entries_) {
            if (entry.name == name) {
                return &entry;
            }
        }
        return nullptr;
    }

    // The names, comma separated.
    std::string names() const {
        std::string list;
        for (const Backend<Created, Args...>& entry : entries_) {
            if (!list.empty()) {
                list += ", ";
            }
            list += entry.name;
        }
        return list;
    }

    std::string unknownNameMessage(std::string_view name) const {
        return "unknown " + std::string(kind_) + " '" + std::string(name) + "' (available: " + names() + ")";
    }

private:
    std::string_view kind_;
    std::span<const Backend<Created, Args...>> entries_;
};

}  // namespace platform
