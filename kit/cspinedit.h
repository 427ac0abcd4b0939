#pragma once
// A number box whose value is changed by its spin buttons and the Up and
// Down keys, within a range; typed characters are refused with a beep, or,
// where typing is allowed, digits are taken.

#include <QWidget>
#include <functional>
#include <optional>

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
    // Up to digits digits may be typed; a typed number within the range
    // becomes the value at once, one outside it stays typed for the window
    // to refuse (Typed tells it).
    void AllowTyping(int digits);
    // The number in the box as typed; none when it holds no digits.
    std::optional<int> Typed() const;

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
    bool FTyping = false;
};
