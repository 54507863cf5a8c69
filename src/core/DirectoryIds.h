#pragma once

#include "PathParts.h"

#include <cstdint>
#include <string_view>
#include <unordered_map>

// Numbers the directories that archive paths imply, each once. A directory is found by its
// parent and its own name, never by its whole path: an entry costs the length of its path however
// deep the path nests and however many siblings a directory has. The names are hashed with a key
// drawn anew for every table, so no archive can choose names that collide.
class TDirectoryIds {
public:
    static constexpr uint32_t kRoot = 0;

    TDirectoryIds();

    // The directory that an entry's path lies in: every component before the path's last "/"
    // ("a/b/x" lies in a/b; a path without "/" in the root). Each directory not met before gets
    // the next number (1, 2, ...) and is told to added(parent, name), parents first. The names
    // are views into path, which must outlive the table.
    template <class Added> uint32_t Add(std::string_view path, Added&& added);

    // Directories numbered so far, the root not counted.
    size_t Count() const { return FChildren.size(); }

private:
    struct TKey {
        uint32_t Parent;
        std::string_view Name;
        bool operator==(const TKey&) const = default;
    };
    struct THash {
        uint64_t Key0;
        uint64_t Key1;
        size_t operator()(const TKey& key) const;
    };

    std::unordered_map<TKey, uint32_t, THash> FChildren;
    // Entries of one directory come one after the other: the last one's directory part (with its
    // final "/") and number.
    std::string_view FLastDir;
    uint32_t FLastId = kRoot;
};

template <class Added> uint32_t TDirectoryIds::Add(std::string_view path, Added&& added) {
    const size_t last = LastSlash(path);
    const std::string_view dir =
        last == std::string_view::npos ? std::string_view() : path.substr(0, last + 1);
    if (dir == FLastDir)
        return FLastId;
    uint32_t id = kRoot;
    for (size_t start = 0; start < dir.size();) {
        const size_t slash = dir.find('/', start);
        const TKey key{id, dir.substr(start, slash - start)};
        const auto [at, isNew] =
            FChildren.try_emplace(key, static_cast<uint32_t>(FChildren.size() + 1));
        if (isNew)
            added(id, key.Name);
        id = at->second;
        start = slash + 1;
    }
    FLastDir = dir;
    FLastId = id;
    return id;
}
