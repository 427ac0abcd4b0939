#include "device/Information.h"

#include "admin/Password.h"
#include "device/devicefields.h"
#include "kit/messagebox.h"
#include "kit/widgets.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>

TFormInfor *FormInfor = nullptr;

TFormInfor::TFormInfor(QWidget *parent) : TForm(parent, QStringLiteral("Information"), 317, 213)
{
    SetBackground(this, QColor(200, 200, 200));
    QFont labelFont(QStringLiteral("Sans Serif"));
    labelFont.setStyleHint(QFont::SansSerif);
    labelFont.setPixelSize(13);

    auto label = [this, &labelFont](int left, int top, int width, const char *caption) {
        auto *l = new QLabel(QString::fromLatin1(caption), this);
        l->setGeometry(left, top, width, 16);
        l->setFont(FittingFont(labelFont, {l->text()}, width));
        l->setTextFormat(Qt::PlainText); // tester texts are shown as they come
        return l;
    };
    Label13 = label(8, 8, 110, "Kestrune ver1.2");
    Label13->installEventFilter(this);
    struct Row
    {
        QLabel **caption, **value;
        const char *text;
    };
    const Row rows[] = {
        {&Label11, &Label12, "Product :"},       {&Label2, &Label3, "Serial Number :"},
        {&Label4, &Label5, "Software Version:"}, {&Label6, &Label7, "Last Calibration :"},
        {&Label1, &Label8, "Last Test :"},       {&Label9, &Label10, "Test Counter :"},
    };
    int top = 32;
    for (const Row &row : rows) {
        *row.caption = label(24, top, 110, row.text);
        *row.value = label(144, top, 169, "");
        top += 24;
    }

    Button1 = new QPushButton(QStringLiteral("O  K "), this);
    Button1->setGeometry(216, 176, 97, 33);
    Button1->setAutoDefault(false);
    OnClick(Button1, [this] { Button1Click(); });
    CloseOnEscape({Button1});
}

void TFormInfor::ShowLines(const IdentificationValues &values)
{
    QLabel *const valueLabels[] = {Label12, Label3, Label5, Label7, Label8, Label10};
    for (int k = 0; k < 6; ++k)
        if (values.present.value(k))
            valueLabels[k]->setText(values.lines.value(k));
}

void TFormInfor::Button1Click()
{
    close();
}

void TFormInfor::Label13DblClick()
{
    FormPassWord->SetPlace(Left(), Top());
    FormPassWord->ShowModal();
    close();
}

bool TFormInfor::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Label13 && event->type() == QEvent::MouseButtonDblClick) {
        RunGuarded([this] { Label13DblClick(); });
        return true;
    }
    return TForm::eventFilter(watched, event);
}
