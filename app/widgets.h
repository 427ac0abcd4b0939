#pragma once
// Small builders for the controls that several windows lay out alike.

#include <QColor>
#include <QRect>
#include <QSize>
#include <QString>

class QLabel;
class QPixmap;
class QToolButton;
class QWidget;

// Fills widget's background with colour.
void SetBackground(QWidget *widget, const QColor &colour);

// A picture button: ":/glyphs/<glyph>.png" shown at pictureSize, tip as its tool tip.
QToolButton *PictureButton(QWidget *parent, const QRect &place, const QSize &pictureSize,
                           const char *glyph, const char *tip);

// Sets widget's font size in pixels, and its family when one is given.
void SetFontPixels(QWidget *widget, int pixels, const QString &family = QString());

// A label in the windows' bold 16-pixel heading font.
QLabel *HeadingLabel(QWidget *parent, const QString &text, const QRect &place);

// One of the program's button pictures.
QPixmap Glyph(const char *name);
