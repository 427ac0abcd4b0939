#pragma once
// The tester's clock beside the PC's: read when shown, set to typed values or
// to the PC's clock.

#include "kit/form.h"

class QLabel;
class QLineEdit;
class QPushButton;

class TFormTime : public TForm
{
    Q_OBJECT
public:
    explicit TFormTime(QWidget *parent);

    void Timer1Timer();
    void Button1Click(); // set from the typed date and time
    void Button2Click(); // set from the PC's clock
    void Button3Click(); // Cancel

    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6;
    QLineEdit *Edit2; // tester date
    QLineEdit *Edit1; // tester time
    QPushButton *Button1, *Button2, *Button3;
    QTimer *Timer1;

protected:
    void FormShow() override;

private:
    // Sends a set command; the reply shows the tester's new clock.
    void SetTesterClock(const QByteArray &command, QWidget *busyControl);
};

extern TFormTime *FormTime;
