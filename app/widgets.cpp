#include "app/widgets.h"

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
    return button;
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
