// Cursors checked against a plain model: the records sorted by key and
// record number in memory, walked with random sets, resets, reads in both
// directions and writes in between.

#include "testsupport.h"

#include <algorithm>
#include <map>
#include <optional>
#include <random>
#include <tuple>

namespace korvalen::testing {
namespace {

using namespace keys;

struct ModelRow
{
    std::int64_t number;
    int date, time, end;
};

class CursorModelTest : public StorageTest
{
protected:
    using Key = std::tuple<int, int, int, std::int64_t>;

    static Key keyOf(const ModelRow &row) { return {row.date, row.time, row.end, row.number}; }

    std::vector<ModelRow> sorted() const
    {
        std::vector<ModelRow> rows;
        for (const auto &[number, row] : m_rows)
            rows.push_back(row);
        std::sort(rows.begin(), rows.end(),
                  [](const ModelRow &a, const ModelRow &b) { return keyOf(a) < keyOf(b); });
        return rows;
    }

    void add(int date, int time, int end)
    {
        m_data->DAT = {};
        m_data->DAT.DATE = date;
        m_data->DAT.TIME = time;
        m_data->DAT.ENDTIME = end;
        ASSERT_TRUE(m_data->dates.add().ok());
        std::int64_t number = m_data->dates.current().recordNumber;
        m_rows[number] = {number, date, time, end};
    }

    std::map<std::int64_t, ModelRow> m_rows;
    std::mt19937 m_random{20261208};
};

TEST_F(CursorModelTest, RandomWalksMatchTheModel)
{
    openFile(m_data->dates);
    auto small = [&](int n) { return static_cast<int>(m_random() % n); };
    for (int i = 0; i < 200; ++i)
        add(small(8), small(3), small(2));

    Cursor cursor(m_data->dates, DAT_DATETIME_KEY);
    // Model position: index into the sorted rows of the last record read,
    // expressed as its key so that writes do not disturb it.
    std::optional<Key> last;
    std::optional<Key> setValue; // set at (date) leading component
    for (int step = 0; step < 3000; ++step) {
        int action = small(100);
        if (action < 5) {
            cursor.setStart();
            last.reset(), setValue.reset();
            continue;
        }
        if (action < 12) {
            DatesRecord at;
            at.DATE = small(10) - 1;
            cursor.setAt(&at, 1);
            last.reset();
            setValue = Key{at.DATE, INT32_MIN, INT32_MIN, INT64_MIN};
            continue;
        }
        if (action < 20 && !m_rows.empty()) { // a write somewhere in the file
            auto it = m_rows.begin();
            std::advance(it, small(static_cast<int>(m_rows.size())));
            ASSERT_TRUE(m_data->dates.getByRecordNumber(it->first).ok());
            if (small(2) == 0) {
                ASSERT_TRUE(m_data->dates.remove().ok());
                m_rows.erase(it);
            } else {
                m_data->DAT.DATE = small(8);
                m_data->DAT.TIME = small(3);
                ASSERT_TRUE(m_data->dates.put().ok());
                it->second.date = m_data->DAT.DATE;
                it->second.time = m_data->DAT.TIME;
            }
            if (small(3) == 0)
                add(small(8), small(3), small(2));
            continue;
        }
        bool forward = action < 60;
        Status status = forward ? cursor.next() : cursor.previous();
        // What the model expects.
        std::vector<ModelRow> rows = sorted();
        std::optional<ModelRow> expected;
        if (forward) {
            for (const ModelRow &row : rows) {
                Key k = keyOf(row);
                bool after = last ? k > *last : setValue ? k >= *setValue : true;
                if (after) {
                    expected = row;
                    break;
                }
            }
        } else {
            for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
                Key k = keyOf(*it);
                bool before = last       ? k < *last
                              : setValue ? std::get<0>(k) <= std::get<0>(*setValue)
                                         : true;
                if (before) {
                    expected = *it;
                    break;
                }
            }
        }
        if (!expected) {
            ASSERT_TRUE(status.is(ErrorCode::NoRecord)) << "step " << step << " " << status.text();
            continue;
        }
        ASSERT_TRUE(status.ok()) << "step " << step << " " << status.text();
        const DatesRecord &got = m_data->DAT;
        ASSERT_EQ(m_data->dates.current().recordNumber, expected->number) << "step " << step;
        ASSERT_EQ(got.DATE, expected->date);
        ASSERT_EQ(got.TIME, expected->time);
        last = keyOf(*expected);
        setValue.reset();
        if (small(4) == 0) // sometimes a page ends: the statement is reset
            m_data->database.releaseReads();
    }
}

} // namespace
} // namespace korvalen::testing
