#pragma once
// Small builders for the controls that several windows lay out alike.

#include <QColor>
#include <QRect>
#include <QSize>

class QPixmap;
class QToolButton;
class QWidget;

// Fills widget's background with colour.
void SetBackground(QWidget *widget, const QColor &colour);

// A picture button: ":/glyphs/<glyph>.png" shown at pictureSize, tip as its tool tip.
QToolButton *PictureButton(QWidget *parent, const QRect &place, const QSize &pictureSize,
                           const char *glyph, const char *tip);

// One of the program's button pictures.
QPixmap Glyph(const char *name);
