// The person form's entries: what they take, what they show, and why a
// value is refused.

#include "people/updateperson.h"

#include "../guifixture.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace korvalen {
namespace {

class PersonFormTest : public testing::GuiTest
{
protected:
    void SetUp() override
    {
        m_clock = FixedClock(90000, 1);
        ASSERT_TRUE(openData({&data().people}));
        m_context->globals.request = InsertRecord;
        m_form = std::make_unique<PersonForm>(*m_context);
        ASSERT_TRUE(m_form->form().start());
        m_form->show();
        m_form->activateWindow();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        if (m_form)
            m_form->form().finish();
        m_form.reset();
        GuiTest::TearDown();
    }

    // An ordinary name of `length` characters: words of capitals and small
    // letters.
    static QString ordinaryName(int length)
    {
        QString name;
        for (int i = 0; i < length; ++i) {
            if (i % 8 == 7)
                name += ' ';
            else if (i % 8 == 0)
                name += QChar('A' + (i * 7) % 26);
            else
                name += QChar('a' + (i * 5) % 26);
        }
        return name;
    }
    // Whether all of `text` is in view at once in `entry`.
    static bool showsWhole(QLineEdit *entry, const QString &text)
    {
        entry->setText(text);
        entry->setCursorPosition(text.size()); // scrolls the end into view
        entry->grab();                         // lays the text out as painted
        return entry->cursorPositionAt(QPoint(4, entry->height() / 2)) == 0;
    }

    std::unique_ptr<PersonForm> m_form;
};

TEST_F(PersonFormTest, EntriesTakeAndShowTheirFieldsWidthInCharacters)
{
    const struct
    {
        QLineEdit *entry;
        std::size_t width;
    } entries[] = {{m_form->shortName(), decltype(PeopleRecord::PERSON)::width},
                   {m_form->longName(), decltype(PeopleRecord::NAME)::width}};
    for (const auto &e : entries) {
        const int width = static_cast<int>(e.width);
        EXPECT_EQ(e.entry->maxLength(), width);
        EXPECT_TRUE(showsWhole(e.entry, ordinaryName(width))) << width;
        // Letters of two bytes count as one character each.
        e.entry->clear();
        for (int typed = 0; typed <= width; ++typed)
            QTest::sendKeyEvent(QTest::Click, e.entry, Qt::Key_Eacute, QString(QChar(0xE9)),
                                Qt::NoModifier);
        EXPECT_EQ(e.entry->text().size(), width);
    }
}

TEST_F(PersonFormTest, ABlankShortNameIsRefusedWithItsReasonUntilTyped)
{
    QStatusBar *status = m_form->form().statusLine();
    ASSERT_NE(status, nullptr);
    m_form->longName()->setFocus();
    m_form->okButton()->click();
    EXPECT_EQ(m_prompter.beeps(), 1);
    EXPECT_TRUE(m_form->isVisible());
    EXPECT_TRUE(m_form->shortName()->hasFocus());
    const QString reason = status->currentMessage();
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_NE(reason, m_form->shortName()->statusTip());
    QTest::keyClicks(m_form->shortName(), "a");
    EXPECT_EQ(status->currentMessage(), m_form->shortName()->statusTip());
    m_form->longName()->setFocus();
    EXPECT_EQ(status->currentMessage(), m_form->longName()->statusTip());
}

} // namespace
} // namespace korvalen
