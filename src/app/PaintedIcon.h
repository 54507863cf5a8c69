#pragma once

#include <QIcon>

class QPainter;

// Paints an icon's picture into a square of side device pixels: the ground is transparent and
// antialiasing is on.
using TIconDrawing = void (*)(QPainter& painter, int side);

// An icon drawn anew for each size it is asked for, in device pixels: at scale factors 1.5 or 2
// it gets its own sharp picture instead of a small bitmap blown up.
QIcon PaintedIcon(TIconDrawing draw);
