#include "EntryStream.h"

#include "Exception.h"
#include "uPakReader.h"

#include <algorithm>
#include <cstring>
#include <zlib.h>

namespace {
constexpr size_t kInputChunk = 256 << 10;
constexpr size_t kOutputChunk = 256 << 10;
} // namespace

struct TEntryStream::State {
    z_stream Stream{};
    bool Initialised = false;
    const TReadFile* File = nullptr;
    bool Compressed = false;
    uint64_t Position = 0;   // next stored byte to read
    uint64_t StoredLeft = 0; // stored bytes not yet read
    uint64_t OutputLeft = 0; // content bytes still allowed
    bool Ended = false;

    ~State() {
        if (Initialised)
            inflateEnd(&Stream);
    }
};

TEntryStream::TEntryStream()
    : FState(std::make_unique<State>())
    , FInput(kInputChunk) {}

TEntryStream::~TEntryStream() = default;

void TEntryStream::Open(const TPakReader& reader, int32_t index) {
    State& s = *FState;
    const TFileEntry entry = reader.Entry(index);
    s.File = &reader.File();
    s.Compressed = reader.EntryIsCompressed(index);
    s.Position = entry.Offset;
    s.StoredLeft = entry.StoredSize;
    s.OutputLeft = entry.UnpackedSize;
    s.Ended = false;
    FDamaged = !reader.EntryDataInFile(index);
    if (FDamaged || !s.Compressed)
        return;
    const bool ready = s.Initialised ? inflateReset(&s.Stream) == Z_OK
                                     : (s.Initialised = inflateInit(&s.Stream) == Z_OK);
    FDamaged = !ready;
    s.Stream.next_in = FInput.data();
    s.Stream.avail_in = 0;
}

size_t TEntryStream::Read(unsigned char* out, size_t size) {
    if (FDamaged || FState->Ended || size == 0)
        return 0;
    return FState->Compressed ? ReadInflated(out, size) : ReadStored(out, size);
}

size_t TEntryStream::ReadStored(unsigned char* out, size_t size) {
    State& s = *FState;
    const auto want = static_cast<size_t>(std::min<uint64_t>(size, s.StoredLeft));
    const size_t got = want == 0 ? 0 : s.File->ReadAt(s.Position, out, want);
    if (got < want)
        throw EReadError();
    s.Position += got;
    s.StoredLeft -= got;
    s.Ended = s.StoredLeft == 0;
    return got;
}

// zlib's uncompress() into a buffer of the declared size: damaged when the stream is, when it
// would give more, or when it does not end within the stored bytes.
size_t TEntryStream::ReadInflated(unsigned char* out, size_t size) {
    State& s = *FState;
    z_stream& z = s.Stream;
    unsigned char overflow = 0;
    for (;;) {
        if (z.avail_in == 0 && s.StoredLeft > 0) {
            const auto want = static_cast<size_t>(std::min<uint64_t>(s.StoredLeft, FInput.size()));
            const size_t got = s.File->ReadAt(s.Position, FInput.data(), want);
            s.Position += got;
            s.StoredLeft = got < want ? 0 : s.StoredLeft - got;
            z.next_in = FInput.data();
            z.avail_in = static_cast<uInt>(got);
        }
        // Once the declared size is reached, a byte landing in the scratch buffer means more.
        const bool full = s.OutputLeft == 0;
        z.next_out = full ? &overflow : out;
        z.avail_out =
            full ? 1u : static_cast<uInt>(std::min<uint64_t>({size, s.OutputLeft, kOutputChunk}));
        const uInt offered = z.avail_out;
        const int result = inflate(&z, Z_NO_FLUSH);
        const size_t produced = offered - z.avail_out;
        if (full && produced > 0) {
            FDamaged = true;
            return 0;
        }
        if (result == Z_STREAM_END)
            s.Ended = true;
        else if (result != Z_OK && !(result == Z_BUF_ERROR && z.avail_in == 0 && s.StoredLeft > 0))
            FDamaged = true;
        if (!full) {
            s.OutputLeft -= produced;
            if (produced > 0 || s.Ended || FDamaged)
                return FDamaged ? 0 : produced;
        } else if (s.Ended || FDamaged) {
            return 0;
        }
    }
}

const unsigned char* TStoredWindow::Get(const TPakReader& reader, uint64_t offset, size_t size) {
    if (FReader == &reader && offset >= FStart && offset + size <= FStart + FLength) {
        FMisses = 0;
        return FBuffer.data() + (offset - FStart);
    }
    if (FBuffer.empty())
        FBuffer.resize(kSize);
    // Where the entries do not lie one after the other, a whole window per entry would read
    // far more than they hold.
    const size_t length = ++FMisses > 2 ? std::max<size_t>(size, 16 << 10) : kSize;
    FReader = &reader;
    FStart = offset;
    FLength = reader.File().ReadAt(offset, FBuffer.data(), length);
    return size > FLength ? nullptr : FBuffer.data();
}

TContentComparer::TContentComparer()
    : FOldBuffer(kOutputChunk)
    , FNewBuffer(kOutputChunk) {}

bool TContentComparer::SameStoredBytes(const TPakReader& oldReader, int32_t oldIndex,
                                       const TPakReader& newReader, int32_t newIndex) {
    const TFileEntry a = oldReader.Entry(oldIndex);
    const TFileEntry b = newReader.Entry(newIndex);
    if (a.StoredSize != b.StoredSize || a.UnpackedSize != b.UnpackedSize ||
        !oldReader.EntryDataInFile(oldIndex) || !newReader.EntryDataInFile(newIndex))
        return false;
    for (uint64_t done = 0; done < a.StoredSize;) {
        const auto piece =
            static_cast<size_t>(std::min<uint64_t>(a.StoredSize - done, TStoredWindow::kSize));
        const unsigned char* x = FOldWindow.Get(oldReader, a.Offset + done, piece);
        const unsigned char* y = FNewWindow.Get(newReader, b.Offset + done, piece);
        if (!x || !y)
            throw EReadError();
        if (std::memcmp(x, y, piece) != 0)
            return false;
        done += piece;
    }
    return true;
}

TContentComparison TContentComparer::Compare(const TPakReader& oldReader, int32_t oldIndex,
                                             const TPakReader& newReader, int32_t newIndex) {
    FOld.Open(oldReader, oldIndex);
    FNew.Open(newReader, newIndex);
    bool equal = true;
    // Bytes one side has read beyond the other: [at, end) of its buffer.
    size_t oldAt = 0, oldEnd = 0, newAt = 0, newEnd = 0;
    for (;;) {
        if (oldAt == oldEnd) {
            oldAt = 0;
            oldEnd = FOld.Read(FOldBuffer.data(), FOldBuffer.size());
        }
        if (newAt == newEnd) {
            newAt = 0;
            newEnd = FNew.Read(FNewBuffer.data(), FNewBuffer.size());
        }
        if (oldEnd == 0 && newEnd == 0)
            break;
        const size_t common = std::min(oldEnd - oldAt, newEnd - newAt);
        // After a difference the rest is only read, to find out whether either side is damaged.
        if (equal && (common == 0 || std::memcmp(FOldBuffer.data() + oldAt,
                                                 FNewBuffer.data() + newAt, common) != 0))
            equal = false;
        if (!equal) {
            oldAt = oldEnd;
            newAt = newEnd;
            continue;
        }
        oldAt += common;
        newAt += common;
    }
    TContentComparison result;
    result.OldDamaged = FOld.Damaged();
    result.NewDamaged = FNew.Damaged();
    result.Equal = equal && !result.OldDamaged && !result.NewDamaged;
    return result;
}
