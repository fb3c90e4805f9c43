#include "schedulelogic/occurrences.h"

#include <gtest/gtest.h>

namespace korvalen {
namespace {

TEST(OccurrenceQueueTest, KeepsOrderAndDuplicatesAndFindsAnEntryOverwrittenOutOfOrder)
{
    OccurrenceQueue queue;
    const Occurrence late{1, 200, 500, 900};
    const Occurrence early{1, 100, 500, 900};
    queue.insert(late);
    EXPECT_EQ(queue.insert(early), 0u);
    EXPECT_EQ(queue.insert(late), 2u); // after its equal
    EXPECT_EQ(queue.size(), 3u);

    // A date changed in place leaves the entry out of order; it is still found.
    const Occurrence moved{1, 300, 500, 900};
    queue.overwrite(0, moved);
    EXPECT_EQ(queue.find(moved), 0u);

    queue.removeFrom(200);
    EXPECT_TRUE(queue.empty());
}

TEST(ParticipantQueueTest, AddsEachPersonOnceAndIgnoresTrailingBlanks)
{
    ParticipantQueue queue;
    EXPECT_TRUE(queue.insertUnique({1, "Zoe"}));
    EXPECT_TRUE(queue.insertUnique({1, "Anna"}));
    EXPECT_FALSE(queue.insertUnique({1, "Anna  "}));
    EXPECT_TRUE(queue.insertUnique({1, "anna"})); // byte for byte
    ASSERT_EQ(queue.size(), 3u);
    EXPECT_EQ(queue[0].person, "Anna");
    EXPECT_EQ(queue[2].person, "anna");
    EXPECT_TRUE(queue.remove({1, "Zoe"}));
    EXPECT_FALSE(queue.remove({1, "Zoe"}));
}

} // namespace
} // namespace korvalen
