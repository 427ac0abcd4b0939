#include "kit/widgets.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QPixmap>
#include <QToolButton>

void SetBackground(QWidget *widget, const QColor &colour)
{
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
}

QPixmap Glyph(const char *name)
{
    return QPixmap(QStringLiteral(":/glyphs/%1.png").arg(QLatin1String(name)));
}

QToolButton *PictureButton(QWidget *parent, const QRect &place, const QSize &pictureSize,
                           const char *glyph, const char *tip)
{
    auto *button = new QToolButton(parent);
    button->setGeometry(place);
    button->setIcon(Glyph(glyph));
    button->setIconSize(pictureSize);
    button->setToolTip(QString::fromLatin1(tip));
    button->setAccessibleName(QString::fromLatin1(tip));
    return button;
}

namespace {
bool AllFit(const QFont &font, const QStringList &texts, int room)
{
    const QFontMetrics metrics(font);
    for (const QString &text : texts)
        if (metrics.horizontalAdvance(text) > room)
            return false;
    return true;
}
} // namespace

QFont FittingFont(const QFont &font, const QStringList &texts, int room)
{
    QFont fitted = font;
    if (AllFit(fitted, texts, room))
        return fitted;
    for (qreal spacing : {-0.25, -0.5}) {
        fitted.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
        if (AllFit(fitted, texts, room))
            return fitted;
    }
    fitted.setLetterSpacing(QFont::AbsoluteSpacing, 0);
    if (fitted.pixelSize() < 0)
        fitted.setPixelSize(QFontInfo(font).pixelSize());
    // Smaller than this no text is read any more; it is left to be cut.
    constexpr int SmallestPixels = 7;
    while (fitted.pixelSize() > SmallestPixels && !AllFit(fitted, texts, room))
        fitted.setPixelSize(fitted.pixelSize() - 1);
    return fitted;
}

void SetFontPixels(QWidget *w, int pixels, const QString &family)
{
    QFont f = w->font();
    if (!family.isEmpty())
        f.setFamily(family);
    f.setPixelSize(pixels);
    w->setFont(f);
}

QLabel *HeadingLabel(QWidget *parent, const QString &text, const QRect &place)
{
    auto *label = new QLabel(text, parent);
    label->setGeometry(place);
    QFont bold = label->font();
    bold.setBold(true);
    bold.setPixelSize(16);
    label->setFont(bold);
    return label;
}
