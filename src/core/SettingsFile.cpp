#include "SettingsFile.h"

#ifdef _WIN32
#include <filesystem>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

TSettingsFileState InspectSettingsFile(const std::string& fileName) {
#ifdef _WIN32
    // No FIFOs here; the registry stands in for the file anyway.
    std::error_code error;
    const auto status = std::filesystem::status(std::filesystem::u8path(fileName), error);
    if (!std::filesystem::exists(status))
        return {};
    if (!std::filesystem::is_regular_file(status))
        return {TSettingsFileState::Other, 0};
    return {TSettingsFileState::Regular, std::filesystem::file_size(fileName, error)};
#else
    struct stat info {};
    bool known;
    const int handle = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (handle >= 0) {
        known = ::fstat(handle, &info) == 0;
        ::close(handle);
    } else {
        // Unreadable, or not there: what stands there decides whether writing may replace it.
        if (::stat(fileName.c_str(), &info) != 0)
            return {};
        known = true;
    }
    if (!known || !S_ISREG(info.st_mode))
        return {TSettingsFileState::Other, 0};
    return {TSettingsFileState::Regular, static_cast<uint64_t>(info.st_size)};
#endif
}
