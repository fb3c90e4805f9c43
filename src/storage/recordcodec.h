#pragma once

// The operations on one record type that storage needs without knowing the
// type: copying, clearing, comparing a field, and moving the record between
// its C++ struct and the engine's statements. Each record struct lists its
// fields in record order through visitFields(); the codec is built from that
// list (codecFor, recordbinding.h), so a field is named once, in its struct.

namespace korvalen {

class Statement;

// Type-erased operations on one record type. Constant after construction.
struct RecordCodec
{
    void *(*create)();
    void (*destroy)(void *record);
    void (*assign)(void *to, const void *from);
    void (*clear)(void *record);
    // Loads every field from consecutive result columns starting at `column`.
    void (*load)(Statement &statement, int column, void *record);
    // Binds every field to consecutive parameters starting at `parameter`.
    void (*bindAll)(Statement &statement, int parameter, const void *record);
    // Binds field number `field` to `parameter`.
    void (*bindField)(Statement &statement, int parameter, const void *record, int field);
    // True when field `field` is equal in both records.
    bool (*fieldEqual)(const void *a, const void *b, int field);
    // Number of fields, memo included.
    int fieldCount;
};

} // namespace korvalen
