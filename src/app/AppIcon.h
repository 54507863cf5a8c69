#pragma once

#include <QIcon>

// The program's icon for its windows: the picture of data/varnholm-explorer.svg, which the
// desktop shows, drawn sharp at every size.
QIcon AppIcon();
