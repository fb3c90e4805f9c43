#include "ui/pickdate.h"

#include "ui/appcontext.h"
#include "ui/procedures.h"

namespace korvalen {

std::optional<Date> pickFromCalendar(AppContext &context)
{
    SharedGlobals &globals = context.globals;
    const std::int32_t request = globals.request;
    const std::int32_t response = globals.response;
    context.PickedDate = 0;
    globals.request = SelectRecord;
    globals.response = RequestCancelled;
    const bool called = context.procedures->call("LOOKUPCAL", context);
    const bool picked = called && globals.response == RequestCompleted && context.PickedDate != 0;
    const Date date = context.PickedDate;
    context.PickedDate = 0;
    globals.request = request;
    globals.response = response;
    if (!picked)
        return std::nullopt;
    return date;
}

} // namespace korvalen
