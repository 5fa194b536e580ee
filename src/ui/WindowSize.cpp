#include "ui/WindowSize.h"

#include <QWidget>

namespace {

// Frame and title bar of the usual window managers: a few pixels each
// side, a title bar under 32 pixels.
constexpr int FrameWidth = 10;
constexpr int FrameHeight = 40;

} // namespace

QSize largestWindowSize()
{
    return QSize(1280 - FrameWidth, 800 - FrameHeight);
}

void openSized(QWidget *window, QSize wanted)
{
    window->resize(wanted.boundedTo(largestWindowSize()));
}
