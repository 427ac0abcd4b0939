#pragma once
// A number box whose value is changed only by its spin buttons and the Up
// and Down keys, within a range; typed characters are refused with a beep.

#include <QWidget>
#include <functional>

class QLineEdit;
class QToolButton;

class TCSpinEdit : public QWidget
{
    Q_OBJECT
public:
    explicit TCSpinEdit(QWidget *parent = nullptr);

    int Value() const { return FValue; }
    // Limited to the range; OnChange follows a change.
    void SetValue(int value);
    void SetRange(int minValue, int maxValue);
    void SetIncrement(int increment) { FIncrement = increment; }

    QToolButton *UpButton() const { return FUp; }
    QToolButton *DownButton() const { return FDown; }
    QLineEdit *Editor() const { return FEdit; }

    std::function<void()> OnChange;

    // A held spin button repeats after this many milliseconds, then at the
    // interval.
    static constexpr int RepeatDelay = 400;
    static constexpr int RepeatInterval = 100;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QLineEdit *FEdit;
    QToolButton *FUp;
    QToolButton *FDown;
    int FValue = 0;
    int FMin = 0;
    int FMax = 0;
    int FIncrement = 1;
};
