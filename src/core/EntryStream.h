#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class TPakReader;

// The content of one entry, pulled a piece at a time: for reading two entries side by side (the
// push of TByteSink serves one). Compressed entries are inflated by zlib under the rules of
// TInflater (at most the declared size, the stream ending within the stored bytes), through
// fixed buffers, so memory stays the same for entries of any size.
//
// One object per thread; Open starts another entry and keeps the buffers.
class TEntryStream {
public:
    // Bytes of buffers one stream holds (input chunk and inflater state).
    static constexpr size_t kHeldBytes = (256 << 10) + (48 << 10);

    TEntryStream();
    ~TEntryStream();
    TEntryStream(const TEntryStream&) = delete;
    TEntryStream& operator=(const TEntryStream&) = delete;

    void Open(const TPakReader& reader, int32_t index);
    // Up to size bytes of content into out; 0 at the end, or once the entry is found damaged.
    // Throws EReadError when the archive shrank under a stored entry.
    size_t Read(unsigned char* out, size_t size);
    // The content ended where it should (after Read returned 0).
    bool Damaged() const { return FDamaged; }

private:
    struct State;
    size_t ReadStored(unsigned char* out, size_t size);
    size_t ReadInflated(unsigned char* out, size_t size);

    std::unique_ptr<State> FState;
    std::vector<unsigned char> FInput;
    bool FDamaged = false;
};

// Whether two entries hold the same content, read side by side; on a difference the two are
// still read to their ends, so that a damaged one is known. Damaged content is never equal.
struct TContentComparison {
    bool Equal = false;
    bool OldDamaged = false;
    bool NewDamaged = false;
};

// Stored bytes of one archive read through a window of 256 KiB, so that runs of small entries
// that lie one after the other cost one read each window rather than one each entry.
class TStoredWindow {
public:
    static constexpr size_t kSize = 256 << 10;

    // The bytes [offset, offset + size) of the reader's file, size at most kSize; null when the
    // file ends before. Valid until the next call.
    const unsigned char* Get(const TPakReader& reader, uint64_t offset, size_t size);

private:
    std::vector<unsigned char> FBuffer;
    const TPakReader* FReader = nullptr;
    uint64_t FStart = 0;
    size_t FLength = 0;
    int FMisses = 0; // reads in a row that the window before did not serve
};

// Compares entries of two archives: two streams, their output buffers and two windows.
class TContentComparer {
public:
    static constexpr size_t kHeldBytes =
        2 * TEntryStream::kHeldBytes + 2 * (256 << 10) + 2 * TStoredWindow::kSize;

    TContentComparer();
    TContentComparison Compare(const TPakReader& oldReader, int32_t oldIndex,
                               const TPakReader& newReader, int32_t newIndex);
    // Whether the stored bytes of the two entries are the same bytes (equal stored bytes prove
    // equal content without inflating); false also when either lies past its file's end.
    bool SameStoredBytes(const TPakReader& oldReader, int32_t oldIndex, const TPakReader& newReader,
                         int32_t newIndex);

private:
    TEntryStream FOld;
    TEntryStream FNew;
    TStoredWindow FOldWindow;
    TStoredWindow FNewWindow;
    std::vector<unsigned char> FOldBuffer;
    std::vector<unsigned char> FNewBuffer;
};
