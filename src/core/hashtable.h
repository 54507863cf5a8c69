#pragma once

#include "Exception.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Error of the container classes. The messages are English and come from a numbered table;
// callers treat them as outcomes, they never reach the user.
class EEZContainerError : public Exception {
public:
    enum : int {
        kDuplicate = 25305,   // Insert of a key that is present
        kKeyNotFound = 25313, // Examine of an absent key
        kTableFull = 25314,   // Insert with no free slot
    };

    explicit EEZContainerError(int number);
    int Number() const { return FNumber; }

private:
    int FNumber;
};

// The message of a container error number, empty for an unknown number.
const char* ContainerMessage(int number);

// Base of the containers: counts its entries and says whether it owns the stored values.
// Every container can be emptied; destroying a container empties it first.
class TAbstractContainer {
public:
    explicit TAbstractContainer(bool dataOwner)
        : FDataOwner(dataOwner) {}
    virtual ~TAbstractContainer() = default;
    TAbstractContainer(const TAbstractContainer&) = delete;
    TAbstractContainer& operator=(const TAbstractContainer&) = delete;

    virtual void Empty() = 0;
    int32_t ItemCount() const { return FItemCount; }
    bool DataOwner() const { return FDataOwner; }

protected:
    int32_t FItemCount = 0;

private:
    bool FDataOwner;
};

// String-keyed hash table: open addressing in one flat slot array, linear probing, prime sizes
// from 53 on, growing to the next prime above twice the size once more than two thirds of the
// slots are used. Keys are byte strings compared exactly (case matters, "" is a key like any
// other). Values are opaque references that the table stores and hands back but never touches;
// only tables without data ownership are used, so nothing is ever released through them.
class THashTable : public TAbstractContainer {
public:
    static constexpr int32_t kInitialSize = 53;

    explicit THashTable(bool dataOwner = false);
    ~THashTable() override;

    // Throws EEZContainerError (kDuplicate, kTableFull) before changing anything. Growth that
    // cannot get its memory throws std::bad_alloc after the pair is stored.
    void Insert(std::string_view key, void* value);
    // Throws EEZContainerError (kKeyNotFound) when the key is absent.
    void* Examine(std::string_view key) const;
    // As Examine, but a miss is an outcome, not an error: the value stored under key as the T it
    // was stored as, or nullptr when the key is absent. The table's untyped values stay here.
    template <class T> T* Lookup(std::string_view key) const noexcept {
        int32_t slot;
        return FindSlot(key, slot) ? static_cast<T*>(FSlots[slot].Data) : nullptr;
    }
    // Removes every entry; the table keeps its size and its slot array for the next fill.
    void Empty() override;

    int32_t TableSize() const { return FTableSize; }
    // The slot that holds key, or -1.
    int32_t SlotOf(std::string_view key) const;

    static uint32_t HashString(std::string_view key);
    int32_t HomeSlot(std::string_view key) const;
    // The next table size for c (odd): the smallest prime >= c up to 4099 * 4099, c itself above.
    static int32_t NextPrime(int32_t c);

private:
    struct TSlot {
        std::string Key;
        void* Data = nullptr;
        bool InUse = false;
    };

    // Where key is, or where it would go; false with slot -1 when the probe found no room.
    bool FindSlot(std::string_view key, int32_t& slot) const;
    void Store(int32_t slot, std::string&& key, void* value);
    void Grow();
    void Rehash(int32_t size);

    int32_t FTableSize = kInitialSize;
    std::vector<TSlot> FSlots;
};
