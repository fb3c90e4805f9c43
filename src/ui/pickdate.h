#pragma once

// The date picker as the screens call it over a date field.

#include "runtime/dates.h"

#include <optional>

namespace korvalen {

class AppContext;

// Runs the date picker (LOOKUPCAL) to select a date: the date picked, or
// nothing when it was cancelled or is not in the procedure table. The
// caller's request and response are kept, and PickedDate is 0 again after.
std::optional<Date> pickFromCalendar(AppContext &context);

} // namespace korvalen
