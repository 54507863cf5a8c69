#include "DirectoryIds.h"
#include "PakWriter.h"
#include "hashtable.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct TMade {
    uint32_t Parent;
    std::string Name;
    bool operator==(const TMade&) const = default;
};

} // namespace

TEST(DirectoryIds, EachDirectoryIsNumberedOnceParentsFirst) {
    TDirectoryIds ids;
    std::vector<TMade> made;
    const auto add = [&](std::string_view path) {
        return ids.Add(path, [&](uint32_t parent, std::string_view name) {
            made.push_back({parent, std::string(name)});
        });
    };
    const std::vector<std::string> paths{"wurzel", "a/b/x", "a/b/y", "a/z", "/x", "a//x", "b/x"};
    EXPECT_EQ(add(paths[0]), TDirectoryIds::kRoot);
    EXPECT_EQ(add(paths[1]), 2u);
    EXPECT_EQ(add(paths[2]), 2u);
    EXPECT_EQ(add(paths[3]), 1u);
    EXPECT_EQ(add(paths[4]), 3u); // a folder with an empty name, as the tree shows it
    EXPECT_EQ(add(paths[5]), 4u);
    EXPECT_EQ(add(paths[6]), 5u);
    EXPECT_EQ(add(paths[1]), 2u);
    EXPECT_EQ(made, (std::vector<TMade>{{0, "a"}, {1, "b"}, {0, ""}, {1, ""}, {0, "b"}}));
    EXPECT_EQ(ids.Count(), 5u);
}

TEST(DirectoryIds, NamesThatCollideInTheIndexHashAndDeepPathsAreTold) {
    const std::vector<std::string> names = CollidingNames(12);
    ASSERT_EQ(THashTable::HashString(names.front()), THashTable::HashString(names.back()));
    std::vector<std::string> paths;
    for (const std::string& name : names)
        paths.push_back(name + "/datei");
    std::string deep;
    for (int level = 0; level < 100000; ++level)
        deep += "d/";
    paths.push_back(deep + "datei");

    TDirectoryIds ids;
    for (const std::string& path : paths)
        ids.Add(path, [](uint32_t, std::string_view) {});
    EXPECT_EQ(ids.Count(), names.size() + 100000);
    // Every folder is found again under its own number.
    for (size_t i = 0; i < names.size(); ++i)
        ASSERT_EQ(ids.Add(paths[i], [](uint32_t, std::string_view) { FAIL(); }), i + 1);
}
