#pragma once
// The service window: data creation and erasure and the serial number of the
// QX4826, the six memory initialisations and the serial number of the VKD-7,
// and the log of the exchange trace.

#include "kit/form.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class TFormTest : public TForm
{
    Q_OBJECT
public:
    explicit TFormTest(QWidget *parent);

    void BitBtn1Click(); // create data
    void BitBtn2Click(); // erase data
    void Button1Click(); // QX4826 serial number
    void Button3Click() { Initialise(0); }
    void Button4Click() { Initialise(1); }
    void Button5Click() { Initialise(2); }
    void Button6Click() { Initialise(3); }
    void Button7Click() { Initialise(4); }
    void Button8Click() { Initialise(5); }
    void Button2Click(); // VKD-7 serial number
    void CheckBox1Click();
    // One line of the exchange trace into the log.
    void AddTraceLine(const QString &line);

    QPlainTextEdit *Memo1;
    QCheckBox *CheckBox1; // the exchange trace
    QGroupBox *GroupBox2, *GroupBox4;
    QPushButton *BitBtn1, *BitBtn2, *Button1;
    QLineEdit *Edit1, *Edit2;
    QPushButton *Button3, *Button4, *Button5, *Button6, *Button7, *Button8, *Button2;

protected:
    void FormShow() override;
    void moveEvent(QMoveEvent *event) override;

private:
    void FormCreate();
    // The window's outer size, frame included, is 1006 x 529 once the
    // platform tells the frame (at once on Windows, after the window
    // manager framed it on X11); without a frame the inside is that size.
    void KeepOuterSize();
    bool FOuterSizeKept = false;
    // The VKD-7 functions work over USB only; false after saying so.
    bool UsbMode();
    void Initialise(int index);
    void ShowSerialReply(const QByteArray &reply);
};

extern TFormTest *FormTest;
