#include "Cp1252.h"
#include "FolderScanParts.h"

#include <algorithm>

namespace folderscan {

bool ArchivePathOf(TFolderScan& scan, const std::string& diskPath, const std::string& utf8Name,
                   const std::string& archiveDir, std::string& archivePath) {
    std::string archiveName;
    if (!cp1252::FromUtf8(utf8Name, archiveName)) {
        scan.Refused.push_back("Der Name " + diskPath +
                               " kann im Archiv nicht stehen: er enthält ein Zeichen, das "
                               "Windows-1252 nicht darstellen kann.");
        return false;
    }
    archivePath = archiveDir.empty() ? archiveName : archiveDir + "/" + archiveName;
    return true;
}

void SkipLink(TFolderScan& scan, const std::string& diskPath, bool inside) {
    scan.Skipped.push_back(inside ? "Verknüpfung auf einen Ordner, nicht verfolgt: " + diskPath
                                  : "Verknüpfung aus dem Ordner hinaus, ausgelassen: " + diskPath);
}

void SkipSpecial(TFolderScan& scan, const std::string& diskPath) {
    scan.Skipped.push_back("Keine gewöhnliche Datei, ausgelassen: " + diskPath);
}

void Finish(TFolderScan& scan) {
    std::sort(scan.Files.begin(), scan.Files.end(), [](const TFolderFile& a, const TFolderFile& b) {
        return a.ArchivePath < b.ArchivePath;
    });
    std::sort(scan.Refused.begin(), scan.Refused.end());
    std::sort(scan.Skipped.begin(), scan.Skipped.end());
}

} // namespace folderscan
