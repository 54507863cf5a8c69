#pragma once

#include <QPalette>

// The two palettes of the program's own, for "Hell" and "Dunkel": every pair of a text role on
// the background it is drawn on (text on base, window text on window, button text on button,
// highlighted text on highlight, tool tip text on its base) reads at a contrast of 4.5:1 at
// least, in the active and inactive groups. Disabled texts are fainter on purpose.
QPalette LightPalette();
QPalette DarkPalette();

// Whether palette draws light text on dark windows.
bool IsDarkPalette(const QPalette& palette);
