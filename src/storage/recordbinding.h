#pragma once

// How each record struct meets the engine's statements: the codec of a
// record type, built from the fields its struct lists through visitFields().
// For storage's own implementation files only (see engine.h).

#include "runtime/text.h"
#include "storage/engine.h"
#include "storage/filedef.h"
#include "storage/recordcodec.h"

#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

namespace korvalen {

namespace codec_detail {

inline void loadValue(sqlite3_stmt *s, int c, std::int32_t &v)
{
    v = sqlite3_column_int(s, c);
}
inline void loadValue(sqlite3_stmt *s, int c, std::int16_t &v)
{
    v = static_cast<std::int16_t>(sqlite3_column_int(s, c));
}
inline void loadValue(sqlite3_stmt *s, int c, std::uint8_t &v)
{
    v = static_cast<std::uint8_t>(sqlite3_column_int(s, c));
}
// A stored text longer than its field is cut after its Nth character.
template <std::size_t N> void loadValue(sqlite3_stmt *s, int c, Text<N> &v)
{
    auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(s, c));
    int size = sqlite3_column_bytes(s, c);
    v.assign(bytes ? std::string_view(bytes, static_cast<std::size_t>(size)) : std::string_view());
}
inline void loadValue(sqlite3_stmt *s, int c, Memo &v)
{
    auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(s, c));
    v.text.assign(bytes ? bytes : "",
                  bytes ? static_cast<std::size_t>(sqlite3_column_bytes(s, c)) : 0);
}

inline void bindValue(sqlite3_stmt *s, int p, std::int32_t v)
{
    sqlite3_bind_int(s, p, v);
}
inline void bindValue(sqlite3_stmt *s, int p, std::int16_t v)
{
    sqlite3_bind_int(s, p, v);
}
inline void bindValue(sqlite3_stmt *s, int p, std::uint8_t v)
{
    sqlite3_bind_int(s, p, v);
}
template <std::size_t N> void bindValue(sqlite3_stmt *s, int p, const Text<N> &v)
{
    std::string_view value = v.view(); // stored without trailing blanks
    sqlite3_bind_text(s, p, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
}
inline void bindValue(sqlite3_stmt *s, int p, const Memo &v)
{
    std::string_view value = utf8Prefix(v.text, Memo::maxLength);
    if (clipped(value).empty())
        sqlite3_bind_null(s, p);
    else
        sqlite3_bind_text(s, p, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
}

template <class R> int countFields()
{
    R record;
    int n = 0;
    record.visitFields([&](auto &) { ++n; });
    return n;
}

} // namespace codec_detail

template <class R> const RecordCodec &codecFor()
{
    static_assert(std::is_default_constructible_v<R>);
    static const RecordCodec codec = {
        []() -> void * { return new R(); },
        [](void *r) { delete static_cast<R *>(r); },
        [](void *to, const void *from) { *static_cast<R *>(to) = *static_cast<const R *>(from); },
        [](void *r) { *static_cast<R *>(r) = R(); },
        [](Statement &statement, int column, void *r) {
            sqlite3_stmt *s = statement.get();
            static_cast<R *>(r)->visitFields(
                [&](auto &field) { codec_detail::loadValue(s, column++, field); });
        },
        [](Statement &statement, int parameter, const void *r) {
            sqlite3_stmt *s = statement.get();
            const_cast<R *>(static_cast<const R *>(r))->visitFields([&](const auto &field) {
                codec_detail::bindValue(s, parameter++, field);
            });
        },
        [](Statement &statement, int parameter, const void *r, int wanted) {
            sqlite3_stmt *s = statement.get();
            int index = 0;
            const_cast<R *>(static_cast<const R *>(r))->visitFields([&](const auto &field) {
                if (index++ == wanted)
                    codec_detail::bindValue(s, parameter, field);
            });
        },
        [](const void *a, const void *b, int wanted) {
            // Visit both records in step; compare only the wanted field.
            bool equal = true;
            int index = 0;
            R &left = *const_cast<R *>(static_cast<const R *>(a));
            R &right = *const_cast<R *>(static_cast<const R *>(b));
            std::vector<const void *> fieldsOfRight;
            right.visitFields([&](const auto &field) { fieldsOfRight.push_back(&field); });
            left.visitFields([&](const auto &field) {
                using F = std::remove_cvref_t<decltype(field)>;
                if (index == wanted)
                    equal = field == *static_cast<const F *>(fieldsOfRight[index]);
                ++index;
            });
            return equal;
        },
        codec_detail::countFields<R>(),
    };
    return codec;
}

} // namespace korvalen
