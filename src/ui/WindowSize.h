#pragma once
// How large the screens open. The office PCs have 1280 × 800 displays; a
// screen's window, with the window manager's frame and title bar around
// it, has to fit on one whole.

#include <QSize>

class QWidget;

// The largest client area a screen opens with: 1280 × 800 less the frame
// (a few pixels each side) and the title bar.
QSize largestWindowSize();

// Resizes `window` to `wanted`, or to the largest size that fits.
void openSized(QWidget *window, QSize wanted);
