#pragma once

// What a save across files reports when it fails: the status, the step and
// the file, from which the form above picks its warning.

#include "storage/status.h"

#include <string>

namespace korvalen {

class DataFile;

// The step of a save that failed.
enum class SaveStep
{
    Read,    // reading the records a cascade or check walks
    Write,   // the put of the record, a cascade's put, or the commit
    Delete,  // the delete of the record or of a cascaded one
    Restrict // refused: another file still refers to the record
};

// The outcome of a record operation: its status and, when it failed, the
// step and the file it failed on.
struct [[nodiscard]] SaveResult
{
    Status status;
    SaveStep step = SaveStep::Write;
    std::string file;

    bool ok() const { return status.ok(); }
    bool is(ErrorCode code) const { return status.is(code); }
    // `status` as failed at `step` on `file`; a success when it is 0.
    static SaveResult failed(Status status, SaveStep step, const DataFile &file);
};

} // namespace korvalen
