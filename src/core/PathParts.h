#pragma once

#include <cstring>
#include <string_view>

// Where the last "/" of an archive path is, or npos. Called for every entry of a directory, so it
// searches with the C library's vectorized search where there is one.
inline size_t LastSlash(std::string_view path) {
#ifdef __GLIBC__
    if (path.empty()) // its data may be null, which memrchr must not be given
        return std::string_view::npos;
    const void* found = memrchr(path.data(), '/', path.size());
    return found ? static_cast<size_t>(static_cast<const char*>(found) - path.data())
                 : std::string_view::npos;
#else
    return path.rfind('/');
#endif
}
