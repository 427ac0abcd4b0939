#pragma once
// Windows that come up where the operator can reach them: a window restored
// at a place saved on another screen, or on a larger one, is moved fully
// onto the screen it is on. Plain functions over rectangles, and the move of
// a window itself.

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QVector>

class QWidget;

// Where a window whose frame is frame goes to lie fully inside area, moved
// as little as it takes. Along an axis where the frame is larger than area
// it keeps its place.
QPoint PlaceInside(const QRect &frame, const QRect &area);

// Of screens, the one frame is on: the one that holds its centre, else the
// nearest to it; -1 without screens.
int ScreenOf(const QRect &frame, const QVector<QRect> &screens);

// A window's size made to fit in area together with its frame, not below
// minimum.
QSize SizeInside(const QSize &size, const QSize &minimum, const QRect &area, const QMargins &frame);

// The frame around window's client area: as the window system reports it,
// or, before the window has been shown, as a title bar and borders usually
// take it.
QMargins FrameMargins(const QWidget *window);
// The work area (without a task bar) of the screen that the window's frame
// is on.
QRect WorkAreaOf(const QWidget *window);
// Moves window so that its frame lies fully on the work area of the screen
// it is on; a window larger than that area keeps its place along that axis.
void MoveOntoScreen(QWidget *window);
