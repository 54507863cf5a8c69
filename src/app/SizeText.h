#pragma once

#include <QString>
#include <cstdint>

// A size as people read it: "512 B", "12,3 KB", "1,5 MB", "1.234,5 GB", in decimal units
// (1 KB = 1000 B, as the status line's figures) with the German decimal comma and thousands
// dot. The unit is the one the rounded number stays below 1000 in, up to GB.
QString ReadableSize(uint64_t bytes);
