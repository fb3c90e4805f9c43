#pragma once

// What the tests of the printed calendars share: a household seeded into
// real data files (activities with their participants, occurrences, group
// memberships), the parameters a calendar is asked with, and the rows a
// page draws.

#include "../guifixture.h"
#include "reports/bandlayout.h"
#include "reports/reportrun.h"

#include <QStringList>

#include <map>
#include <string>
#include <vector>

namespace korvalen::testing {

// A time of day as the occurrence records keep it.
constexpr ClockTime hour(int hours, int minutes = 0)
{
    return hours * kHundredthsPerHour + minutes * kHundredthsPerMinute + 1;
}

class ReportTest : public GuiTest
{
protected:
    // Opens the files the calendars read; a derived fixture sets the clock.
    void SetUp() override
    {
        ASSERT_TRUE(openData({&data().activity, &data().dates, &data().group, &data().groupPeople,
                              &data().personAct}));
    }

    // Activity `number` named `name` with `people` taking part.
    void activity(std::int32_t number, const std::string &name,
                  const std::vector<std::string> &people, const std::string &notes = "")
    {
        data().ACT = {};
        data().ACT.ACTNUMBER = number;
        data().ACT.NAME = name;
        data().ACT.NOTES.text = notes;
        ASSERT_TRUE(data().activity.add().ok());
        for (const std::string &person : people) {
            data().PER = PersonActRecord{number, Text<10>(person)};
            ASSERT_TRUE(data().personAct.add().ok());
        }
    }
    // An occurrence of activity `number`; a zero `end` has no end time.
    void occurrence(std::int32_t number, Date date, ClockTime start, ClockTime end = 0)
    {
        data().DAT = {};
        data().DAT.ACTNUMBER = number;
        data().DAT.DATE = date;
        data().DAT.TIME = start;
        data().DAT.ENDTIME = end;
        ASSERT_TRUE(data().dates.add().ok());
    }
    // `person` a member of `group` (the group's own record is not added).
    void member(const std::string &group, const std::string &person)
    {
        data().GRP = GroupPeopleRecord{Text<10>(group), Text<10>(person)};
        ASSERT_TRUE(data().groupPeople.add().ok());
    }

    // A calendar from `start` to `end` for `who`: "Everyone", or the
    // "Person" or "Group" called `name`.
    static ReportParameters reportParameters(Date start, Date end, const std::string &who,
                                             const std::string &name = "", bool notes = false)
    {
        ReportParameters result;
        result.start = start;
        result.end = end;
        result.who = who;
        if (who == "Person")
            result.person = name;
        if (who == "Group")
            result.group = name;
        result.notes = notes;
        return result;
    }

    // The rows `page` draws between `fromY` and `toY`, top to bottom, the
    // texts of a row left to right joined by " | ".
    static QStringList pageRows(const QPicture &page, int fromY = 0, int toY = 20000)
    {
        std::map<int, std::map<double, QString>> byRow;
        for (const DrawnText &text : drawnTexts(page))
            if (text.at.y() >= fromY && text.at.y() < toY)
                byRow[qRound(text.at.y())][text.at.x()] = text.text;
        QStringList result;
        for (const auto &[y, texts] : byRow) {
            QStringList row;
            for (const auto &[x, text] : texts)
                row += text;
            result += row.join(QStringLiteral(" | "));
        }
        return result;
    }
};

} // namespace korvalen::testing
