// The batch delete window, offscreen, on real files in a folder of its own
// with a scripted prompter: a future date refused, and OK deleting, saying
// what it did and closing with the response completed.

#include "schedule/batchdeletewindow.h"

#include "runtime/pictures.h"

#include "../guifixture.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

#include <gtest/gtest.h>

namespace korvalen {
namespace {

using namespace keys;

const Date kToday = makeDate(12, 8, 2026);

class BatchDeleteWindowTest : public testing::GuiTest
{
protected:
    void SetUp() override
    {
        m_clock = FixedClock(kToday, 1);
        ASSERT_TRUE(openData({&data().activity, &data().dates, &data().personAct}));
    }

    void addOccurrence(std::int32_t activity, Date date)
    {
        data().DAT = {activity, date, 1, 2};
        ASSERT_TRUE(data().dates.add().ok());
    }
    std::vector<Date> storedDates()
    {
        return inKeyOrder(data().dates, DAT_DATETIME_KEY, [this] { return data().DAT.DATE; });
    }
};

TEST_F(BatchDeleteWindowTest, AFutureDateGoesBackToTodayWithItsMessageAndTheFocusStays)
{
    QPointer<QWidget> window = BATCHDELETE(context());
    auto &batch = static_cast<BatchDeleteWindow &>(*window);
    showAndWait(batch);
    QApplication::setActiveWindow(&batch);

    enter(batch.dateField(), QString::fromStdString(formatDate(kToday + 1, "D3")));
    EXPECT_EQ(batch.date(), kToday);
    EXPECT_EQ(batch.dateField()->text().toStdString(), formatDate(kToday, "D3"));
    EXPECT_EQ(batch.messageArea()->text(), "Sorry, future dates are not allowed.");
    EXPECT_EQ(QApplication::focusWidget(), batch.dateField());

    // Tab leaves the field as Enter does, also towards OK.
    type(batch.dateField(), QString::fromStdString(formatDate(kToday + 2, "D3")));
    QTest::keyClick(batch.dateField(), Qt::Key_Tab);
    EXPECT_EQ(batch.dateField()->text().toStdString(), formatDate(kToday, "D3"));
    EXPECT_EQ(QApplication::focusWidget(), batch.dateField());
    batch.messageArea()->clear();

    // A past date is taken, and Enter goes on to the next control.
    enter(batch.dateField(), QString::fromStdString(formatDate(kToday - 3, "D3")));
    EXPECT_EQ(batch.date(), kToday - 3);
    EXPECT_NE(QApplication::focusWidget(), batch.dateField());
    batch.close();
}

TEST_F(BatchDeleteWindowTest, OkWithAFutureDateTypedDoesNothingButRefuseIt)
{
    addActivity("");
    addOccurrence(1, kToday - 1);
    QPointer<QWidget> window = BATCHDELETE(context());
    auto &batch = static_cast<BatchDeleteWindow &>(*window);
    showAndWait(batch);
    QApplication::setActiveWindow(&batch);

    type(batch.dateField(), QString::fromStdString(formatDate(kToday + 1, "D3")));
    click(batch.okButton());
    EXPECT_TRUE(m_prompter.shown().empty()) << "OK went on with the date set back";
    EXPECT_EQ(storedDates(), std::vector<Date>{kToday - 1});
    EXPECT_EQ(batch.messageArea()->text(), "Sorry, future dates are not allowed.");
    EXPECT_EQ(QApplication::focusWidget(), batch.dateField());
    batch.close();
}

TEST_F(BatchDeleteWindowTest, OkDeletesWhatLiesBeforeTheDaySaysWhatWentAndCloses)
{
    addActivity("");
    addOccurrence(1, kToday - 1);
    addOccurrence(1, kToday);
    m_prompter.queueAnswer(ButtonNo); // no copy first
    QPointer<QWidget> window = BATCHDELETE(context());
    showAndWait(*window);

    click(static_cast<BatchDeleteWindow &>(*window).okButton());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull()) << "the window stayed open";
    EXPECT_EQ(context().globals.response, RequestCompleted);
    EXPECT_EQ(storedDates(), std::vector<Date>{kToday});
    ASSERT_EQ(m_prompter.shown().size(), 2u);
    EXPECT_EQ(m_prompter.shown()[1].request.text,
              "Deleted 1 occurrence, 0 activities and 0 participants.");
}

} // namespace
} // namespace korvalen
