#include "storage/datafiles.h"

#include "storage/recordbinding.h"

namespace korvalen {

namespace {

FieldDef longField(std::string_view name)
{
    return {name, FieldType::Long, 4};
}
FieldDef shortField(std::string_view name)
{
    return {name, FieldType::Short, 2};
}
FieldDef byteField(std::string_view name)
{
    return {name, FieldType::Byte, 1};
}
FieldDef textField(std::string_view name, int width)
{
    return {name, FieldType::Text, width};
}

} // namespace

const FileDef &activityFile()
{
    static const FileDef def = {
        "ACTIVITY",
        "ACT",
        {longField("ACTNUMBER"),
         textField("NAME", 50),
         byteField("TYPE"),
         textField("GROUP", 10),
         textField("REPEATTYPE", 18),
         shortField("REPNUMBER"),
         textField("WEEK", 4),
         byteField("WEEKDAY"),
         longField("REPEND"),
         {"NOTES", FieldType::Memo, static_cast<int>(Memo::maxLength)}},
        {{.name = "GROUP_KEY", .components = {3}, .caseInsensitive = true},
         {.name = "ACTNUMBER_KEY", .components = {0}, .unique = true},
         {.name = "NAME_KEY", .components = {1}, .caseInsensitive = true}},
        false,
        1,
        &codecFor<ActivityRecord>(),
    };
    return def;
}

const FileDef &personActFile()
{
    static const FileDef def = {
        "PERSONACT",
        "PER",
        {longField("ACTNUMBER"), textField("PERSON", 10)},
        {{.name = "PERSON_KEY", .components = {1}, .caseInsensitive = true},
         {.name = "ACTIVITY_KEY", .components = {0}, .caseInsensitive = true}},
        false,
        1,
        &codecFor<PersonActRecord>(),
    };
    return def;
}

const FileDef &datesFile()
{
    static const FileDef def = {
        "DATES",
        "DAT",
        {longField("ACTNUMBER"), longField("DATE"), longField("TIME"), longField("ENDTIME"),
         textField("DATETEXT", 11), textField("DAYNAME", 4)},
        // Pages of the week view and the reports are read in date order from
        // a file whose records are added activity by activity: the date key
        // carries the records, so a page is a few neighbouring key pages.
        {{.name = "DATETIME_KEY",
          .components = {1, 2, 3},
          .caseInsensitive = true,
          .coversRecord = true},
         {.name = "ACTNUMBER_KEY", .components = {0}, .caseInsensitive = true}},
        false,
        1,
        &codecFor<DatesRecord>(),
    };
    return def;
}

const FileDef &groupFile()
{
    static const FileDef def = {
        "GROUP",
        "GRO",
        {textField("GROUP", 10)},
        {{.name = "GROUP_KEY", .components = {0}, .unique = true, .caseInsensitive = true}},
        false,
        1,
        &codecFor<GroupRecord>(),
    };
    return def;
}

const FileDef &groupPeopleFile()
{
    static const FileDef def = {
        "GROUPPEOPLE",
        "GRP",
        {textField("GROUP", 10), textField("PEOPLE", 10)},
        {{.name = "GROUP_KEY", .components = {0, 1}, .caseInsensitive = true}},
        false,
        1,
        &codecFor<GroupPeopleRecord>(),
    };
    return def;
}

const FileDef &peopleFile()
{
    static const FileDef def = {
        "PEOPLE",
        "PEO",
        {textField("PERSON", 10), textField("NAME", 30), longField("DATE")},
        // The people list pages through the short-name key of a file whose
        // records come in any order: that key carries the records too.
        {{.name = "PERSON_KEY", .components = {0}, .unique = true, .coversRecord = true},
         {.name = "DATE_KEY", .components = {2}, .caseInsensitive = true}},
        true,
        1,
        &codecFor<PeopleRecord>(),
    };
    return def;
}

const FileDef &specialFile()
{
    static const FileDef def = {
        "SPECIAL",
        "SPE",
        {longField("STARTDATE"), longField("ENDDATE"), textField("DESCRIPTION", 20)},
        {{.name = "DATE_KEY", .components = {0}, .caseInsensitive = true}},
        false,
        1,
        &codecFor<SpecialRecord>(),
    };
    return def;
}

const FileDef &weekdayFile()
{
    static const FileDef def = {
        "WEEKDAY",
        "WEE",
        {textField("DAY", 9), byteField("DAYNUMBER")},
        {{.name = "DAYNUMBER_KEY", .components = {1}, .unique = true}},
        false,
        1,
        &codecFor<WeekdayRecord>(),
    };
    return def;
}

const FileDef &userPrefFile()
{
    // No keys; the single record gets the number 2, as older copies of the
    // program read it by that number.
    static const FileDef def = {
        "USERPREF",
        "USP",
        {longField("STARTTIME"), longField("DURATION")},
        {},
        true,
        2,
        &codecFor<UserPrefRecord>(),
    };
    return def;
}

AppData::~AppData()
{
    for (DataFile *file : files)
        file->close();
}

Status readUserPreferences(AppData &data)
{
    data.userPref.set(kFileOrder);
    Status status = data.userPref.next();
    data.userPref.cursor().release();
    return status;
}

} // namespace korvalen
