#pragma once

#include <QRect>

// Where the folder chooser puts its new-folder button in the browser, in the browser's client
// coordinates, for a screen of dpi logical pixels per inch. The common resolutions have sizes
// of their own that match the browser's buttons; others scale the 96-dpi size.

// Position and size before the caption is measured. clientHeight is the height of the browser's
// client area, captionBarHeight that of a window caption bar (used for uncommon resolutions).
QRect NewFolderButtonRect(int dpi, int clientHeight, int captionBarHeight);

// The button's width for a caption of textWidth pixels: the text with 6 pixels on either side,
// but never narrower than a standard button (75 pixels at 72 dpi, else dpi * 75 / 96).
int NewFolderButtonWidth(int dpi, int textWidth);
