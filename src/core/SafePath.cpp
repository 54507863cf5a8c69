#include "SafePath.h"

#include "Cp1252.h"

namespace {

bool IsSeparator(char c) {
#ifdef _WIN32
    return c == '/' || c == '\\';
#else
    return c == '/';
#endif
}

} // namespace

bool IsSafeRelativePath(std::string_view relative) {
    if (relative.empty())
        return true;
    if (IsSeparator(relative.front()))
        return false;
    if (relative.find('\0') != std::string_view::npos)
        return false;
#ifdef _WIN32
    // "C:x" is relative to the current folder of drive C; ":" also opens alternate streams.
    if (relative.find(':') != std::string_view::npos)
        return false;
#endif
    size_t start = 0;
    for (size_t i = 0; i <= relative.size(); ++i) {
        if (i < relative.size() && !IsSeparator(relative[i]))
            continue;
        if (relative.substr(start, i - start) == "..")
            return false;
        start = i + 1;
    }
    return true;
}

TTargetVerdict MakeTarget(std::string_view relativeDir, std::string_view name, TTarget& target) {
    std::string joined(relativeDir);
    joined.push_back('/');
    joined.append(name);
    if (!IsSafeRelativePath(relativeDir.empty() ? name : std::string_view(joined)))
        return TTargetVerdict::Unsafe;
    if (name.empty() || name == ".")
        return TTargetVerdict::EmptyName;

    target.Folder.clear();
    size_t start = 0;
    for (size_t i = 0; i <= relativeDir.size(); ++i) {
        if (i < relativeDir.size() && relativeDir[i] != '/')
            continue;
        const std::string_view component = relativeDir.substr(start, i - start);
        start = i + 1;
        if (component.empty() || component == ".")
            continue;
        if (!target.Folder.empty())
            target.Folder.push_back('/');
        cp1252::AppendUtf8(target.Folder, component);
    }
    target.Name = cp1252::ToUtf8(name);
    return TTargetVerdict::Ok;
}

std::string ToDiskPath(std::string_view archivePath) {
    std::string path = cp1252::ToUtf8(archivePath);
    if constexpr (kPathSeparator != '/') {
        for (char& c : path)
            if (c == '/')
                c = kPathSeparator;
    }
    return path;
}
