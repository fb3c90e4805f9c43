#include "ui/timespinbox.h"

#include "runtime/pictures.h"
#include "ui/formkit.h"

#include <QLineEdit>

#include <algorithm>

namespace korvalen {

namespace {

constexpr ClockTime kTimeStep = 15 * kHundredthsPerMinute;

const Picture &timePicture()
{
    static const Picture picture = *Picture::parse("T3");
    return picture;
}

} // namespace

TimeSpinBox::TimeSpinBox(QWidget *parent) : QAbstractSpinBox(parent)
{
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    const int width = fontMetrics().horizontalAdvance(QStringLiteral("12:00PMM"));
    setMinimumWidth(width + 32);
    showValue();
}

void TimeSpinBox::setValue(ClockTime value)
{
    m_value = std::clamp<ClockTime>(value, 0, kHundredthsPerDay);
    showValue();
}

void TimeSpinBox::showValue()
{
    lineEdit()->setText(qs(timePicture().format(m_value)));
    lineEdit()->setModified(false);
}

std::optional<ClockTime> TimeSpinBox::typedValue() const
{
    // A value may carry seconds its picture does not show: the text left as
    // shown keeps them.
    if (text() == qs(timePicture().format(m_value)))
        return m_value;
    std::optional<std::int64_t> typed = timePicture().parseInput(text().toStdString());
    if (!typed || *typed < 0 || *typed > kHundredthsPerDay)
        return std::nullopt;
    return static_cast<ClockTime>(*typed);
}

bool TimeSpinBox::acceptTyped()
{
    std::optional<ClockTime> typed = typedValue();
    const bool changed = typed && *typed != m_value;
    if (typed)
        m_value = *typed;
    showValue();
    if (changed)
        emit valueEdited(m_value);
    return typed.has_value();
}

bool TimeSpinBox::isEdited() const
{
    return lineEdit()->isModified();
}

void TimeSpinBox::stepBy(int steps)
{
    // Typing not yet accepted is where the step starts from, when it is a time.
    const ClockTime from = typedValue().value_or(m_value);
    // "No time" steps to midnight, the first time of the day.
    const ClockTime next =
        from == 0 ? 1 : std::clamp<ClockTime>(from + steps * kTimeStep, 1, kHundredthsPerDay);
    const bool changed = next != m_value;
    m_value = next;
    showValue();
    if (changed)
        emit valueEdited(m_value);
}

QValidator::State TimeSpinBox::validate(QString &input, int &) const
{
    return timePicture().parseInput(input.toStdString()) ? QValidator::Acceptable
                                                         : QValidator::Intermediate;
}

void TimeSpinBox::fixup(QString &input) const
{
    input = qs(timePicture().format(m_value));
}

QAbstractSpinBox::StepEnabled TimeSpinBox::stepEnabled() const
{
    StepEnabled enabled = StepNone;
    if (m_value < kHundredthsPerDay)
        enabled |= StepUpEnabled;
    if (m_value != 1)
        enabled |= StepDownEnabled;
    return enabled;
}

} // namespace korvalen
