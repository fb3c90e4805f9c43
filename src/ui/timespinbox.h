#pragma once

// A time of day in a spin box, as every time field of the program shows it.

#include "runtime/dates.h"

#include <QAbstractSpinBox>

#include <optional>

namespace korvalen {

// A time of day in a spin box: 1 to 8,640,000 hundredths in steps of
// 15 minutes, shown in the picture T3, and 0 ("no time") shown blank.
// Typed times are read as every time field reads them; blank is 0.
class TimeSpinBox : public QAbstractSpinBox
{
    Q_OBJECT

public:
    explicit TimeSpinBox(QWidget *parent = nullptr);

    ClockTime value() const { return m_value; }
    // Shows `value` (clamped to 0 .. 8,640,000) without emitting.
    void setValue(ClockTime value);
    // Takes what is typed (emitting valueEdited when the value changes).
    // False when it is not a time: the box then shows its value again and
    // the caller beeps.
    bool acceptTyped();
    // True when the text was typed into since the value was last shown.
    bool isEdited() const;

    void stepBy(int steps) override;
    QValidator::State validate(QString &input, int &position) const override;
    void fixup(QString &input) const override;

signals:
    // The user changed the value (by a step or by accepted typing).
    void valueEdited(ClockTime value);

protected:
    StepEnabled stepEnabled() const override;

private:
    void showValue();
    // What the text holds: the value when it is left as shown, the typed
    // time, or nothing when it is not one.
    std::optional<ClockTime> typedValue() const;

    ClockTime m_value = 0;
};

} // namespace korvalen
