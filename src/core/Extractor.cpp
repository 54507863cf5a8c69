#include "Extractor.h"

#include "FileIO.h"
#include "SafePath.h"

TExtractor::TExtractor(const TPakReader& reader, std::string destination)
    : FReader(reader)
    , FDestination(std::move(destination)) {
    if (FDestination.empty() || FDestination.back() != kPathSeparator)
        FDestination.push_back(kPathSeparator);
}

void TExtractor::Add(int32_t index, std::string_view relativeDir) {
    const std::string_view name = FReader.EntryName(index);
    std::string relative(relativeDir);
    if (!relative.empty())
        relative.push_back('/');
    relative.append(name);
    if (!IsSafeRelativePath(relative)) {
        ++FStats.Refused;
        if (OnRefused)
            OnRefused(index);
        return;
    }

    std::string folder = FDestination + ToDiskPath(relativeDir);
    if (!FHaveFolder || folder != FLastFolder) {
        ForceDirectories(folder);
        FLastFolder = folder;
        FHaveFolder = true;
    }
    if (!relativeDir.empty())
        folder.push_back(kPathSeparator);
    const std::string target = folder + ToDiskPath(name);

    if (FReader.ExtractEntry(index, target, FInflater) == TExtractOutcome::Damaged) {
        ++FStats.Damaged;
        if (OnDamaged)
            OnDamaged(index);
        return;
    }
    ++FStats.Written;
    FStats.Bytes += FReader.EntryUnpackedSize(index);
}
