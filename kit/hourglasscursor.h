#pragma once
// The hourglass over a control while an operation runs.

#include <optional>

class QWidget;

class HourglassCursor
{
public:
    explicit HourglassCursor(QWidget *control);
    ~HourglassCursor();
    HourglassCursor(const HourglassCursor &) = delete;
    HourglassCursor &operator=(const HourglassCursor &) = delete;

private:
    QWidget *FControl;
};

// What f gives, with the hourglass over control while it runs.
template <class F> auto WithHourglass(QWidget *control, F &&f)
{
    const HourglassCursor hourglass(control);
    return f();
}

// Starts the hourglass over control unless hourglass runs already.
inline void StartHourglass(std::optional<HourglassCursor> &hourglass, QWidget *control)
{
    if (!hourglass)
        hourglass.emplace(control);
}
