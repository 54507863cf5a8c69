#include "ArchivePlan.h"

#include "PathPattern.h"
#include "uPakReader.h"

#include <algorithm>
#include <map>
#include <unordered_map>

namespace pakbuild {
namespace {

using paklayout::TDirectoryRecord;
using paklayout::TFileRecord;

bool Names(std::string_view operand, std::string_view path) {
    if (IsPattern(operand))
        return MatchesPattern(operand, path);
    return path == operand || (path.size() > operand.size() && path.starts_with(operand) &&
                               path[operand.size()] == '/');
}

// The operands that name path; marks them as used.
bool Removed(const std::vector<std::string>& remove, std::vector<char>& used,
             std::string_view path) {
    bool removed = false;
    for (size_t i = 0; i < remove.size(); ++i)
        if (Names(remove[i], path)) {
            used[i] = 1;
            removed = true;
        }
    return removed;
}

template <typename TVisit> void ForEachDirectory(TDirectoryRecord& dir, TVisit&& visit) {
    visit(dir);
    for (TDirectoryRecord& sub : dir.Subdirectories)
        ForEachDirectory(sub, visit);
}

// Where the files of each archive folder go: the first record that already holds files of it,
// or one made for it below the nearest folder that has one.
class TPlacement {
public:
    explicit TPlacement(TDirectoryRecord& root) {
        FRecords.emplace("", &root);
        ForEachDirectory(root, [&](TDirectoryRecord& dir) {
            for (const TFileRecord& file : dir.Files)
                FRecords.emplace(SplitDirPart(file.Path), &dir);
        });
    }

    TDirectoryRecord& RecordFor(std::string_view dirPath) {
        const auto found = FRecords.find(std::string(dirPath));
        if (found != FRecords.end())
            return *found->second;
        const size_t slash = dirPath.rfind('/');
        TDirectoryRecord& parent =
            RecordFor(slash == std::string_view::npos ? "" : dirPath.substr(0, slash));
        TDirectoryRecord& made = parent.Subdirectories.emplace_back();
        made.Head.assign(paklayout::kRecordHeadSize, '\0');
        made.Name = slash == std::string_view::npos ? dirPath : dirPath.substr(slash + 1);
        FRecords.emplace(std::string(dirPath), &made);
        return made;
    }

private:
    std::unordered_map<std::string, TDirectoryRecord*> FRecords;
};

// The opening values an added file takes: those of the last file of its folder in the record,
// zero when the record has none.
std::string HeadForAdded(const TDirectoryRecord& dir, std::string_view dirPath) {
    for (auto file = dir.Files.rbegin(); file != dir.Files.rend(); ++file)
        if (SplitDirPart(file->Path) == dirPath)
            return file->Head;
    return std::string(paklayout::kRecordHeadSize, '\0');
}

void ReportUnnamed(const std::vector<std::string>& remove, const std::vector<char>& used,
                   TReport& report) {
    for (size_t i = 0; i < remove.size(); ++i)
        if (!used[i])
            report.RemoveNotFound.push_back(remove[i]);
}

} // namespace

void PlanArchive(paklayout::TLayout& layout, const TFolderScan& folder, const TOptions& options,
                 TReport& report) {
    std::vector<char> removeUsed(options.Remove.size(), 0);
    std::unordered_map<std::string_view, int64_t> byPath;
    for (size_t i = 0; i < folder.Files.size(); ++i)
        if (!Removed(options.Remove, removeUsed, folder.Files[i].ArchivePath))
            byPath.emplace(folder.Files[i].ArchivePath, static_cast<int64_t>(i));

    std::vector<char> used(folder.Files.size(), 0);
    ForEachDirectory(layout.Root, [&](TDirectoryRecord& dir) {
        report.Removed += std::erase_if(dir.Files, [&](const TFileRecord& file) {
            return Removed(options.Remove, removeUsed, file.Path);
        });
        for (TFileRecord& file : dir.Files) {
            const auto found = byPath.find(file.Path);
            file.Source = found == byPath.end() ? -1 : found->second;
            if (found != byPath.end())
                used[found->second] = 1;
            ++(found == byPath.end() ? report.Kept : report.Replaced);
        }
    });

    // Added files grouped by folder, each group in path order after the record's own files.
    std::map<std::string_view, std::vector<int64_t>> added;
    for (const auto& [path, index] : byPath)
        if (!used[index]) {
            if (options.Add)
                added[SplitDirPart(path)].push_back(index);
            else
                report.LeftOut.push_back(folder.Files[index].ArchivePath);
        }
    std::sort(report.LeftOut.begin(), report.LeftOut.end());
    if (added.empty())
        return ReportUnnamed(options.Remove, removeUsed, report);
    TPlacement placement(layout.Root);
    for (auto& [dirPath, indexes] : added) {
        std::sort(indexes.begin(), indexes.end());
        TDirectoryRecord& dir = placement.RecordFor(dirPath);
        const std::string head = HeadForAdded(dir, dirPath);
        for (const int64_t index : indexes) {
            TFileRecord& file = dir.Files.emplace_back();
            file.Head = head;
            file.Path = folder.Files[index].ArchivePath;
            file.Source = index;
            file.Added = true;
            ++report.Added;
        }
    }
    ReportUnnamed(options.Remove, removeUsed, report);
}

} // namespace pakbuild
