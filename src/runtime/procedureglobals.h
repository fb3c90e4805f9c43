#pragma once

#include "runtime/text.h"

#include <cstdint>

namespace korvalen {

// The report parameters and the request and response shared between
// procedures (all live for the whole run).
struct SharedGlobals
{
    std::int32_t request = 0;  // 1 insert, 2 change, 3 delete, 4 select
    std::int32_t response = 0; // 1 completed, 2 cancelled
    std::int32_t Calstart = 0;
    std::int32_t CalEnd = 0;
    Text<8> CalWho;
    Text<10> CalPerson;
    Text<10> CalGroup;
    std::uint8_t CalNotes = 0;
    // The change-scope dialog's answer: "Just This One", "All" or "This One
    // and Future"; read only right after the dialog completed.
    Text<20> ChangeScope;
};

enum Request : std::int32_t
{
    InsertRecord = 1,
    ChangeRecord = 2,
    DeleteRecord = 3,
    SelectRecord = 4
};
enum Response : std::int32_t
{
    RequestCompleted = 1,
    RequestCancelled = 2
};

} // namespace korvalen
