#include "kit/screenplace.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <limits>

namespace {

// Before a window has been shown the window system has not told its frame:
// a title bar and borders as Windows and the usual Linux desktops draw them.
const QMargins UsualFrame(8, 31, 8, 8);

int Along(int start, int length, int areaStart, int areaLength)
{
    if (length > areaLength)
        return start;
    return std::clamp(start, areaStart, areaStart + areaLength - length);
}

qint64 DistanceSquared(const QPoint &p, const QRect &r)
{
    const qint64 dx = p.x() < r.left() ? r.left() - p.x() : std::max(0, p.x() - r.right());
    const qint64 dy = p.y() < r.top() ? r.top() - p.y() : std::max(0, p.y() - r.bottom());
    return dx * dx + dy * dy;
}

QRect FrameOf(const QWidget *window)
{
    const QMargins m = FrameMargins(window);
    return QRect(window->pos(), window->size().grownBy(m));
}

} // namespace

QPoint PlaceInside(const QRect &frame, const QRect &area)
{
    return {Along(frame.left(), frame.width(), area.left(), area.width()),
            Along(frame.top(), frame.height(), area.top(), area.height())};
}

int ScreenOf(const QRect &frame, const QVector<QRect> &screens)
{
    const QPoint centre = frame.center();
    int nearest = -1;
    qint64 best = std::numeric_limits<qint64>::max();
    for (int i = 0; i < screens.size(); ++i) {
        const qint64 d = DistanceSquared(centre, screens[i]);
        if (d < best) {
            best = d;
            nearest = i;
        }
    }
    return nearest;
}

QSize SizeInside(const QSize &size, const QSize &minimum, const QRect &area, const QMargins &frame)
{
    const QSize room = area.size().shrunkBy(frame);
    return size.boundedTo(room).expandedTo(minimum);
}

QMargins FrameMargins(const QWidget *window)
{
    if (window->windowFlags() & Qt::FramelessWindowHint)
        return {};
    const QWindow *handle = window->windowHandle();
    const QMargins told = handle ? handle->frameMargins() : QMargins();
    return told.isNull() ? UsualFrame : told;
}

QRect WorkAreaOf(const QWidget *window)
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    QVector<QRect> areas;
    for (const QScreen *screen : screens)
        areas.append(screen->geometry());
    const int at = ScreenOf(FrameOf(window), areas);
    if (at < 0)
        return QRect(0, 0, 1024, 768);
    return screens[at]->availableGeometry();
}

void MoveOntoScreen(QWidget *window)
{
    const QPoint place = PlaceInside(FrameOf(window), WorkAreaOf(window));
    if (place != window->pos())
        window->move(place);
}
