#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvalen {

// A memo kept beside a record and read and written with it. An empty memo is
// stored as none. Like a text field, its limit counts characters: a longer
// memo is stored cut after its 400th character.
struct Memo
{
    static constexpr std::size_t maxLength = 400;
    std::string text;

    friend bool operator==(const Memo &, const Memo &) = default;
};

enum class FieldType
{
    Long,
    Short,
    Byte,
    Text,
    Memo
};

struct FieldDef
{
    std::string_view name; // without the prefix: "ACTNUMBER"
    FieldType type;
    // Bytes of a number; characters of a text (each up to four bytes of
    // UTF-8); a memo's largest size in bytes.
    int width;
};

struct KeyDef
{
    std::string_view name;       // without the prefix: "DATETIME_KEY"
    std::vector<int> components; // field indexes, in key order
    bool unique = false;
    bool caseInsensitive = false;
    // The key carries the whole record (memo apart), so that reading in its
    // order never leaves it for the records: for the hot key of a large
    // file whose records are added out of key order. Not for unique keys.
    bool coversRecord = false;
};

struct RecordCodec;

// The declaration of one data file: its name, prefix, fields in record order,
// keys, and whether it is encrypted. Constant after construction.
struct FileDef
{
    std::string_view name;   // "ACTIVITY"
    std::string_view prefix; // "ACT"
    std::vector<FieldDef> fields;
    std::vector<KeyDef> keys;
    bool encrypted = false;
    // The record number the store hands to the file's first record.
    std::int64_t firstRecordNumber = 1;
    const RecordCodec *codec = nullptr;

    // The record's declared size: the sum of the field widths (memo apart),
    // texts counted in characters.
    int recordBytes() const;
    bool hasMemo() const;
    // The index of the key called `name` ("DATETIME_KEY"), -1 when none.
    int keyIndex(std::string_view name) const;
    // "DAT:DATETIME_KEY"
    std::string qualifiedKeyName(int key) const;
    // "DAT:DATE"
    std::string qualifiedFieldName(int field) const;
    // The stored columns of key `key`, in order: its components, and for a
    // key that covers the record the record number, version and other fields.
    std::vector<std::string> keyColumns(int key) const;
    // The indexes that hold the keys: one per key, and for a unique key that
    // covers the record a second, non-unique one ("NAME_COVER") that carries
    // the record while the first keeps the values unique.
    struct Index
    {
        std::string name;
        int key;
        bool unique;
        std::vector<std::string> columns;
    };
    std::vector<Index> indexes() const;
    // True when text field `field` compares without regard to letter case
    // (it is a component of a case-insensitive key).
    bool fieldIgnoresCase(int field) const;
};

} // namespace korvalen
