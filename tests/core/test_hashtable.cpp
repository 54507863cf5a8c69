#include "hashtable.h"

#include <gtest/gtest.h>
#include <string>

namespace {

int tag[512]; // addresses that stand in for tree nodes

std::string KeyNumber(int i) {
    return "dir/" + std::to_string(i);
}

std::string ExamineError(const THashTable& table, const std::string& key) {
    try {
        table.Examine(key);
        return "";
    } catch (const EEZContainerError& e) {
        return e.what();
    }
}

TEST(HashTable, HashesAsTheIndexDefinesIt) {
    EXPECT_EQ(THashTable::HashString(""), 0u);
    EXPECT_EQ(THashTable::HashString("abc"), 96354u);
    EXPECT_EQ(THashTable::HashString("a/b"), 94772u);
    EXPECT_EQ(THashTable::HashString("textures"), 3292319416u);
}

TEST(HashTable, HomeSlotFollowsTheSignOfTheHash) {
    THashTable table;
    EXPECT_EQ(table.HomeSlot("textures"), 25); // the unsigned remainder would be 14
    EXPECT_EQ(table.HomeSlot(""), 0);
    EXPECT_EQ(table.HomeSlot("abc"), 0);
    EXPECT_EQ(table.HomeSlot("aw"), 52);
    EXPECT_EQ(table.HomeSlot("cn"), 52);
}

TEST(HashTable, AFreshTableFindsNothing) {
    THashTable table;
    EXPECT_EQ(table.TableSize(), 53);
    EXPECT_EQ(table.ItemCount(), 0);
    EXPECT_FALSE(table.DataOwner());
    for (const char* key : {"", "a", "textures"}) {
        EXPECT_EQ(ExamineError(table, key), "Hash table: Could not find key to delete");
        EXPECT_EQ(table.Lookup<int>(key), nullptr);
    }
}

TEST(HashTable, CollidingKeysProbeLinearlyAndWrapAround) {
    THashTable table;
    table.Insert("", &tag[0]);
    table.Insert("abc", &tag[1]);
    EXPECT_EQ(table.SlotOf(""), 0);
    EXPECT_EQ(table.SlotOf("abc"), 1);
    EXPECT_EQ(table.Examine(""), &tag[0]);
    EXPECT_EQ(table.Examine("abc"), &tag[1]);
    EXPECT_EQ(table.Lookup<int>("abc"), &tag[1]);
    EXPECT_EQ(table.Lookup<int>("abd"), nullptr);

    THashTable wrap;
    wrap.Insert("aw", &tag[2]);
    wrap.Insert("cn", &tag[3]);
    EXPECT_EQ(wrap.SlotOf("aw"), 52);
    EXPECT_EQ(wrap.SlotOf("cn"), 0);
    EXPECT_EQ(wrap.Examine("cn"), &tag[3]);
}

TEST(HashTable, KeysDifferingInCaseAreDifferentKeys) {
    THashTable table;
    table.Insert("Textures", &tag[0]);
    EXPECT_NE(ExamineError(table, "textures"), "");
    table.Insert("textures", &tag[1]);
    EXPECT_EQ(table.Examine("Textures"), &tag[0]);
    EXPECT_EQ(table.Examine("textures"), &tag[1]);
}

TEST(HashTable, DuplicateInsertFailsAndChangesNothing) {
    THashTable table;
    table.Insert("a", &tag[0]);
    try {
        table.Insert("a", &tag[1]);
        FAIL() << "no exception";
    } catch (const EEZContainerError& e) {
        EXPECT_STREQ(e.what(), "Tried to insert duplicate data but container allows no duplicates");
        EXPECT_EQ(e.Number(), 25305);
    }
    EXPECT_EQ(table.ItemCount(), 1);
    EXPECT_EQ(table.Examine("a"), &tag[0]);
}

TEST(HashTable, GrowsThroughPrimeSizesKeepingEveryKey) {
    THashTable table;
    const std::pair<int, int> sizeAfter[] = {{35, 53},  {36, 107},  {71, 107},
                                             {72, 223}, {148, 223}, {149, 449}};
    int inserted = 0;
    for (const auto& [count, size] : sizeAfter) {
        while (inserted < count) {
            table.Insert(KeyNumber(inserted), &tag[inserted]);
            ++inserted;
        }
        EXPECT_EQ(table.TableSize(), size) << "after " << count << " keys";
    }
    for (int i = 0; i < inserted; ++i)
        EXPECT_EQ(table.Examine(KeyNumber(i)), &tag[i]);
    EXPECT_EQ(table.ItemCount(), inserted);
}

TEST(HashTable, NextPrimeUsesTheTableThenTrialDivisionThenGivesUp) {
    const int32_t expected[] = {107, 223, 449, 907, 1823, 3659, 7321, 14653, 29311, 58631, 117269};
    int32_t size = 53;
    for (int32_t next : expected) {
        size = THashTable::NextPrime(2 * size + 1);
        EXPECT_EQ(size, next);
    }
    EXPECT_EQ(THashTable::NextPrime(4099), 4099);
    EXPECT_EQ(THashTable::NextPrime(4101), 4111);
    EXPECT_EQ(THashTable::NextPrime(16801801), 16801819); // 4099 * 4099 is still checked
    EXPECT_EQ(THashTable::NextPrime(16801803), 16801803); // above it c itself, though composite
}

TEST(HashTable, EmptyKeepsTheSizeAndForgetsEveryKey) {
    THashTable table;
    for (int i = 0; i < 40; ++i)
        table.Insert(KeyNumber(i), &tag[i]);
    ASSERT_EQ(table.TableSize(), 107);
    table.Empty();
    EXPECT_EQ(table.ItemCount(), 0);
    EXPECT_EQ(table.TableSize(), 107);
    for (int i = 0; i < 40; ++i)
        EXPECT_NE(ExamineError(table, KeyNumber(i)), "");
    table.Insert(KeyNumber(3), &tag[100]);
    EXPECT_EQ(table.Examine(KeyNumber(3)), &tag[100]);
}

} // namespace
