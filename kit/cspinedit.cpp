#include "kit/cspinedit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QToolButton>

TCSpinEdit::TCSpinEdit(QWidget *parent)
    : QWidget(parent), FEdit(new QLineEdit(this)), FUp(new QToolButton(this)),
      FDown(new QToolButton(this))
{
    FEdit->setReadOnly(true);
    FEdit->setText(QString::number(FValue));
    FEdit->installEventFilter(this);
    FUp->setArrowType(Qt::UpArrow);
    FDown->setArrowType(Qt::DownArrow);
    // Named for a screen reader, as a spin box names its arrows.
    FUp->setAccessibleName(QStringLiteral("Step up"));
    FDown->setAccessibleName(QStringLiteral("Step down"));
    for (QToolButton *button : {FUp, FDown}) {
        button->setAutoRepeat(true);
        button->setAutoRepeatDelay(RepeatDelay);
        button->setAutoRepeatInterval(RepeatInterval);
        button->setFocusPolicy(Qt::NoFocus);
    }
    connect(FUp, &QToolButton::clicked, this, [this] { SetValue(FValue + FIncrement); });
    connect(FDown, &QToolButton::clicked, this, [this] { SetValue(FValue - FIncrement); });
    setFocusProxy(FEdit);
}

void TCSpinEdit::SetRange(int minValue, int maxValue)
{
    FMin = minValue;
    FMax = qMax(minValue, maxValue);
    SetValue(FValue);
}

void TCSpinEdit::AllowTyping(int digits)
{
    FTyping = true;
    FEdit->setReadOnly(false);
    FEdit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(digits)), FEdit));
    connect(FEdit, &QLineEdit::textEdited, this, [this] {
        const std::optional<int> typed = Typed();
        if (typed && *typed >= FMin && *typed <= FMax && *typed != FValue) {
            FValue = *typed;
            if (OnChange)
                OnChange();
        }
    });
}

std::optional<int> TCSpinEdit::Typed() const
{
    bool number = false;
    const int typed = FEdit->text().toInt(&number);
    return number ? std::optional<int>(typed) : std::nullopt;
}

void TCSpinEdit::SetValue(int value)
{
    value = qBound(FMin, value, FMax);
    if (value == FValue && FEdit->text() == QString::number(value))
        return;
    FValue = value;
    FEdit->setText(QString::number(value));
    if (OnChange)
        OnChange();
}

bool TCSpinEdit::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FEdit && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
            SetValue(FValue + (key->key() == Qt::Key_Up ? FIncrement : -FIncrement));
            return true;
        }
        const bool digit = !key->text().isEmpty() && key->text().front().isDigit();
        if (FTyping && digit)
            return QWidget::eventFilter(watched, event);
        if (!key->text().isEmpty() && key->text().front().isPrint()) {
            QApplication::beep();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TCSpinEdit::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const int buttonWidth = 16;
    const int half = height() / 2;
    FEdit->setGeometry(0, 0, width() - buttonWidth, height());
    FUp->setGeometry(width() - buttonWidth, 0, buttonWidth, half);
    FDown->setGeometry(width() - buttonWidth, half, buttonWidth, height() - half);
}
