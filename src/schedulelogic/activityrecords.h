#pragma once

#include "storage/savescope.h"
#include "storage/table.h"

#include <cstdint>

namespace korvalen {

// Calls `visit(cursor)` for every record `cursor` reads on from where it
// stands to the end of its range, the cursor on it. Stops at the first
// failure of the walk or of `visit`, which returns a Status, and returns it;
// no record at all is no failure.
template <class Record, class Visit> Status forEachInRange(TypedCursor<Record> &cursor, Visit visit)
{
    for (;;) {
        Status status = cursor.next();
        if (status.is(ErrorCode::NoRecord))
            return {};
        if (!status.ok())
            return status;
        if (status = visit(cursor); !status.ok())
            return status;
    }
}

// Calls `visit(cursor)` for every record of `file` whose key `key` (leading
// component the activity number) carries `number`, in key order, as
// forEachInRange does.
template <class Record, class Visit>
Status forEachOfActivity(DataFile &file, int key, std::int32_t number, Visit visit)
{
    Record probe{};
    probe.ACTNUMBER = number;
    TypedCursor<Record> cursor(file, key);
    cursor.setRangeEqual(1, probe);
    return forEachInRange(cursor, visit);
}

// Deletes every record of `file` that carries activity number `number`
// within `save`: the first failure, nothing else after it.
template <class Record>
Status removeAllOf(SaveScope &save, DataFile &file, int key, std::int32_t number)
{
    return forEachOfActivity<Record>(file, key, number, [&](const TypedCursor<Record> &cursor) {
        return save.remove(file, cursor.recordRef());
    });
}

} // namespace korvalen
