#pragma once

#include "ArchiveBuilder.h"
#include "FolderScan.h"
#include "PakLayout.h"

// Decides what the new archive holds: which entries of the old one are kept, which take their
// content from the folder and where added files go. It sets TFileRecord::Source to the folder
// file that supplies an entry's content; offsets and sizes are the writer's.
namespace pakbuild {

// Applies options.Remove, the folder's files and (with options.Add) the files to add to layout.
// Counts and lists go to report.
void PlanArchive(paklayout::TLayout& layout, const TFolderScan& folder, const TOptions& options,
                 TReport& report);

} // namespace pakbuild
