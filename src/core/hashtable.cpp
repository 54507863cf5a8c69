#include "hashtable.h"

#include <algorithm>
#include <array>
#include <new>

namespace {

// The first 565 primes, 2 up to 4099.
constexpr auto kPrimes = [] {
    std::array<int32_t, 565> primes{};
    size_t count = 0;
    for (int32_t n = 2; count < primes.size(); ++n) {
        bool prime = true;
        for (size_t i = 0; i < count && primes[i] * primes[i] <= n; ++i) {
            if (n % primes[i] == 0) {
                prime = false;
                break;
            }
        }
        if (prime)
            primes[count++] = n;
    }
    return primes;
}();
static_assert(kPrimes.back() == 4099);

constexpr int32_t kLargestCheckedSize = 4099 * 4099;

bool DivisibleByTablePrime(int32_t candidate) {
    for (size_t i = 1; i < kPrimes.size() && kPrimes[i] * kPrimes[i] <= candidate; ++i)
        if (candidate % kPrimes[i] == 0)
            return true;
    return false;
}

} // namespace

const char* ContainerMessage(int number) {
    switch (number) {
    case EEZContainerError::kDuplicate:
        return "Tried to insert duplicate data but container allows no duplicates";
    case EEZContainerError::kKeyNotFound:
        return "Hash table: Could not find key to delete";
    case EEZContainerError::kTableFull:
        return "Hash table: Table is full, cannot insert new element";
    default:
        return "";
    }
}

EEZContainerError::EEZContainerError(int number)
    : Exception(ContainerMessage(number))
    , FNumber(number) {}

THashTable::THashTable(bool dataOwner)
    : TAbstractContainer(dataOwner)
    , FSlots(static_cast<size_t>(kInitialSize)) {}

THashTable::~THashTable() {
    Empty();
}

uint32_t THashTable::HashString(std::string_view key) {
    uint32_t hash = 0;
    for (char c : key)
        hash = hash * 31u + static_cast<unsigned char>(c);
    return hash;
}

int32_t THashTable::HomeSlot(std::string_view key) const {
    // The hash is read as a signed number, so the remainder follows its sign.
    const auto hash = static_cast<int32_t>(HashString(key));
    int32_t slot = hash % FTableSize;
    if (slot < 0)
        slot += FTableSize;
    return slot;
}

int32_t THashTable::NextPrime(int32_t c) {
    if (c > kLargestCheckedSize)
        return c;
    if (c <= kPrimes.back())
        return *std::lower_bound(kPrimes.begin(), kPrimes.end(), c);
    while (DivisibleByTablePrime(c))
        c += 2;
    return c;
}

bool THashTable::FindSlot(std::string_view key, int32_t& slot) const {
    const int32_t home = HomeSlot(key);
    int32_t current = home;
    do {
        const TSlot& s = FSlots[current];
        if (!s.InUse) {
            slot = current;
            return false;
        }
        if (s.Key == key) {
            slot = current;
            return true;
        }
        current = current + 1 == FTableSize ? 0 : current + 1;
    } while (current != home);
    slot = -1;
    return false;
}

void THashTable::Store(int32_t slot, std::string&& key, void* value) {
    TSlot& s = FSlots[slot];
    s.Key = std::move(key);
    s.Data = value;
    s.InUse = true;
    ++FItemCount;
}

void THashTable::Insert(std::string_view key, void* value) {
    int32_t slot;
    if (FindSlot(key, slot))
        throw EEZContainerError(EEZContainerError::kDuplicate);
    if (slot < 0)
        throw EEZContainerError(EEZContainerError::kTableFull);
    Store(slot, std::string(key), value);
    if (3 * int64_t{FItemCount} > 2 * int64_t{FTableSize})
        Grow();
}

void* THashTable::Examine(std::string_view key) const {
    int32_t slot;
    if (!FindSlot(key, slot))
        throw EEZContainerError(EEZContainerError::kKeyNotFound);
    return FSlots[slot].Data;
}

int32_t THashTable::SlotOf(std::string_view key) const {
    int32_t slot;
    return FindSlot(key, slot) ? slot : -1;
}

void THashTable::Grow() {
    if (FTableSize > (INT32_MAX - 1) / 2)
        throw std::bad_alloc();
    Rehash(NextPrime(2 * FTableSize + 1));
}

void THashTable::Rehash(int32_t size) {
    std::vector<TSlot> slots(static_cast<size_t>(size)); // may throw; nothing changed yet
    std::swap(FSlots, slots);
    const int32_t moving = FItemCount;
    FTableSize = size;
    FItemCount = 0;
    // Entries are re-placed in ascending order of their old slots.
    for (size_t i = 0; i < slots.size() && FItemCount < moving; ++i) {
        if (!slots[i].InUse)
            continue;
        int32_t slot;
        FindSlot(slots[i].Key, slot);
        Store(slot, std::move(slots[i].Key), slots[i].Data);
    }
}

void THashTable::Empty() {
    for (TSlot& s : FSlots) {
        if (s.InUse)
            std::string().swap(s.Key);
        s.InUse = false;
    }
    FItemCount = 0;
}
