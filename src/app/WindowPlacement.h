#pragma once

#include <QSize>

class QWidget;

// Gives window its size and centres it on the primary screen; on a screen smaller than the
// window (a laptop at a scale factor of 1.5 or 2) it is made smaller too, as the title bar must
// stay within reach.
void PlaceCentred(QWidget& window, QSize size);
