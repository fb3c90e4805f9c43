#pragma once

#include <QIcon>

namespace korvalen {

enum class ToolbarIcon
{
    NewItem,
    Logo,
    DayCalendar,
    WeekCalendar,
    BatchDelete,
    LandscapeWeek,
    WeekView
};

// The frame's toolbar pictures, drawn at run time.
QIcon toolbarIcon(ToolbarIcon which);

} // namespace korvalen
