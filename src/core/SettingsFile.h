#pragma once

#include <cstdint>
#include <string>

// What stands where the settings file belongs, found without waiting: a FIFO or a device in its
// place would block whoever opens it to read, so only a regular file is ever read. The file is
// opened without blocking and then looked at, never just looked up by name.
struct TSettingsFileState {
    enum TKind { Missing, Regular, Other } Kind = Missing;
    uint64_t Size = 0; // of a regular file
};

TSettingsFileState InspectSettingsFile(const std::string& fileName);

// A settings file larger than this holds more than this program ever writes (five paths and a few
// small values): it is not read.
inline constexpr uint64_t kMaxSettingsFileSize = 1 << 20;
// Values longer than a path can be are not taken.
inline constexpr int kMaxSettingsValueLength = 32 * 1024;
