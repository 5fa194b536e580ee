#include "ui/WindowSize.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {

// Frame and title bar of the usual window managers: 4 pixels each side,
// a title bar under 32 pixels.
constexpr int FrameWidth = 10;
constexpr int FrameHeight = 40;

} // namespace

QSize largestWindowSize()
{
    return QSize(1280 - FrameWidth, 800 - FrameHeight);
}

void openSized(QWidget *window, QSize wanted)
{
    QSize limit = largestWindowSize();
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QSize area = screen->availableGeometry().size() - QSize(FrameWidth, FrameHeight);
        if (area.isValid())
            limit = limit.boundedTo(area);
    }
    window->resize(wanted.boundedTo(limit));
}
