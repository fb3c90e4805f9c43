#pragma once

// The fixture of the GUI tests: a fresh application context per case with a
// scripted prompter and a fixed clock, a working folder of its own with the
// data files the case uses and the records it starts from, scripted
// stand-ins for the nested screens, and the few moves a test makes on
// windows (find a named child, click, type, act on the next modal window).
//
//     class PeopleTest : public korvalen::testing::GuiTest
//     {
//     protected:
//         void SetUp() override
//         {
//             ASSERT_TRUE(openData({&data().people, &data().personAct}));
//         }
//     };

#include "runtime/dates.h"
#include "runtime/procedureglobals.h"
#include "runtime/prompter.h"
#include "storage/openfile.h"
#include "ui/appcontext.h"
#include "ui/procedures.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QObject>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace korvalen::testing {

class GuiTest : public ::testing::Test
{
protected:
    // What the scripted date picker (LOOKUPCAL) answers and what it saw.
    struct DatePickerScript
    {
        Date pick = 0;    // the date it picks; 0 cancels
        int calls = 0;    // how often it ran
        int request = -1; // the request of its last call
        Date given = -1;  // PickedDate at its last call
    };

    // What the scripted people picker (BROWSEPERSONM) answers and what it saw.
    struct PeoplePickerScript
    {
        std::vector<std::string> marked;    // the short names it hands back
        int response = RequestCompleted;    // its answer
        std::function<void()> whilePicking; // runs while it is "open"
        int calls = 0;                      // how often it ran
        int request = -1;                   // the request of its last call
    };

    GuiTest() : m_context(std::make_unique<AppContext>(m_prompter, m_clock)) {}

    // Windows a case left for deletion go before the context they use; the
    // files are released and the folder removed last. In the destructor, not
    // in TearDown, so that a derived fixture's own windows are gone first.
    ~GuiTest() override
    {
        m_timers.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_uses.clear();
        m_context.reset();
        if (!m_folder.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(m_folder, ignored);
        }
    }

    void TearDown() override
    {
        EXPECT_EQ(m_awaitedModals, 0) << "a modal window the case waited for never showed";
    }

    AppContext &context() { return *m_context; }
    AppData &data() { return m_context->data; }
    ProcedureTable &procedures() { return *m_context->procedures; }

    // The case's own working folder, made on first use and removed with the
    // fixture.
    const std::filesystem::path &folder()
    {
        if (m_folder.empty()) {
            static int counter = 0;
            const ::testing::TestInfo *test =
                ::testing::UnitTest::GetInstance()->current_test_info();
            m_folder = std::filesystem::temp_directory_path() /
                       ("korvalen-" + std::string(test ? test->test_suite_name() : "gui") + "-" +
                        std::to_string(::getpid()) + "-" + std::to_string(counter++));
            std::filesystem::remove_all(m_folder);
            std::filesystem::create_directories(m_folder);
        }
        return m_folder;
    }

    // The path of `name` in folder(), as Qt takes file names.
    QString pathIn(const QString &name)
    {
        return QString::fromStdString((folder() / name.toStdString()).string());
    }

    // Opens the connection on folder() and takes a use of each of `files`
    // (open and counted until the fixture ends). Call as
    // ASSERT_TRUE(openData({...})).
    ::testing::AssertionResult openData(std::initializer_list<DataFile *> files = {})
    {
        const Status opened = data().database.open(folder());
        if (!opened.ok())
            return ::testing::AssertionFailure()
                   << "the database did not open: " << opened.message();
        return use(files);
    }

    // Takes a use of each of `files` for the rest of the case.
    ::testing::AssertionResult use(std::initializer_list<DataFile *> files)
    {
        for (DataFile *file : files) {
            m_uses.push_back(std::make_unique<FileUse>(*file, m_prompter));
            if (!m_uses.back()->status().ok())
                return ::testing::AssertionFailure()
                       << file->name() << " did not open: " << m_uses.back()->status().message();
        }
        return ::testing::AssertionSuccess();
    }

    // Gives up the uses openData() and use() took, closing their files.
    void releaseFiles() { m_uses.clear(); }

    // Records a case starts from, added through the files openData() took.
    // Each leaves its file's buffer holding the record and gives its record
    // number; an add the file refuses fails the case and gives 0.
    std::int64_t addPerson(const std::string &shortName, const std::string &longName = "",
                           Date date = 1000)
    {
        data().PEO = PeopleRecord{Text<10>(shortName), Text<30>(longName), date};
        return added(data().people);
    }
    std::int64_t addGroup(const std::string &name)
    {
        data().GRO = GroupRecord{Text<10>(name)};
        return added(data().group);
    }
    // `person` as a member of `group`.
    std::int64_t addMember(const std::string &group, const std::string &person)
    {
        data().GRP = GroupPeopleRecord{Text<10>(group), Text<10>(person)};
        return added(data().groupPeople);
    }
    // An activity of `group`, numbered 1, 2, ... in the order the case adds
    // them.
    std::int64_t addActivity(const std::string &group)
    {
        data().ACT = {};
        data().ACT.ACTNUMBER = ++m_lastActivity;
        data().ACT.GROUP = group;
        return added(data().activity);
    }

    // What `value` makes of each record of `file` in the order of `key`,
    // read on the file's own cursor, which then lets go of its read lock.
    template <class Read>
    auto inKeyOrder(DataFile &file, int key, Read value) -> std::vector<decltype(value())>
    {
        std::vector<decltype(value())> values;
        file.set(key);
        while (file.next().ok())
            values.push_back(value());
        file.cursor().release();
        return values;
    }
    // "P001", "P002", ...: names whose order is their numbers' up to 999.
    static std::string numbered(char letter, int number)
    {
        std::string digits = std::to_string(number);
        if (digits.size() < 3)
            digits.insert(0, 3 - digits.size(), '0');
        return letter + digits;
    }

    // Replaces LOOKUPCAL with a script that answers from datePicker().
    DatePickerScript &scriptDatePicker()
    {
        procedures().setCalled("LOOKUPCAL", [this](AppContext &context) {
            ++m_datePicker.calls;
            m_datePicker.request = context.globals.request;
            m_datePicker.given = context.PickedDate;
            context.PickedDate = m_datePicker.pick;
            context.globals.response = m_datePicker.pick ? RequestCompleted : RequestCancelled;
        });
        return m_datePicker;
    }
    DatePickerScript &datePicker() { return m_datePicker; }

    // Replaces BROWSEPERSONM with a script that answers from peoplePicker():
    // the marked people in PickedPeople, and its response.
    PeoplePickerScript &scriptPeoplePicker()
    {
        procedures().setCalled("BROWSEPERSONM", [this](AppContext &context) {
            ++m_peoplePicker.calls;
            m_peoplePicker.request = context.globals.request;
            context.PickedPeople.clear();
            for (const std::string &name : m_peoplePicker.marked) {
                PickedPerson person;
                person.mark = "*";
                person.shortName = name;
                context.PickedPeople.push_back(person);
            }
            context.globals.response = m_peoplePicker.response;
            if (m_peoplePicker.whilePicking)
                m_peoplePicker.whilePicking();
        });
        return m_peoplePicker;
    }
    PeoplePickerScript &peoplePicker() { return m_peoplePicker; }

    // Runs `step` on the modal window of type Window as soon as one is up
    // (the next event loop, which is the modal window's own when a case
    // starts one right after this call). A window that does not show within
    // a few seconds fails the case.
    template <class Window> void whenModal(std::function<void(Window &)> step)
    {
        ++m_awaitedModals;
        if (!m_timers)
            m_timers = std::make_unique<QObject>();
        awaitModal<Window>(std::move(step), QDeadlineTimer(5000), 0);
    }

    // The captions of the message boxes shown so far, in order.
    std::vector<std::string> captions() const
    {
        std::vector<std::string> seen;
        for (const ScriptedPrompter::Shown &shown : m_prompter.shown())
            seen.push_back(shown.request.caption);
        return seen;
    }
    // The text of the last message box; empty when none was shown.
    std::string lastMessage() const
    {
        return m_prompter.shown().empty() ? "" : m_prompter.shown().back().request.text;
    }

    // The child of `parent` named `name`; fails the case when there is none.
    template <class T = QWidget> static T *child(const QObject &parent, const QString &name)
    {
        T *found = parent.findChild<T *>(name);
        EXPECT_NE(found, nullptr) << "no " << T::staticMetaObject.className() << " named "
                                  << name.toStdString();
        return found;
    }

    // A left click in the middle of `widget`, as the mouse gives it.
    static void click(QWidget *widget)
    {
        ASSERT_NE(widget, nullptr);
        QTest::mouseClick(widget, Qt::LeftButton);
    }
    static void click(const QObject &parent, const QString &name) { click(child(parent, name)); }

    // Puts the focus in `field` and types `text` over what it holds, key by key.
    static void type(QLineEdit *field, const QString &text)
    {
        ASSERT_NE(field, nullptr);
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
    }
    static void type(QAbstractSpinBox *field, const QString &text)
    {
        ASSERT_NE(field, nullptr);
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
    }
    // type(), then Enter.
    template <class Field> static void enter(Field *field, const QString &text)
    {
        type(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }

    // Shows `window` and waits until it is on the screen.
    static void showAndWait(QWidget &window)
    {
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    ScriptedPrompter m_prompter;
    FixedClock m_clock; // set by the case: m_clock = FixedClock(today, timeOfDay)
    // Made with the fixture. A case may reset or replace it (a program
    // started again) as long as it took no use() of the files first.
    std::unique_ptr<AppContext> m_context;

private:
    std::int64_t added(DataFile &file)
    {
        const Status status = file.add();
        EXPECT_TRUE(status.ok()) << file.name() << ": " << status.message();
        return status.ok() ? file.current().recordNumber : 0;
    }

    template <class Window>
    void awaitModal(std::function<void(Window &)> step, QDeadlineTimer deadline, int delay)
    {
        QTimer::singleShot(
            delay, m_timers.get(), [this, step = std::move(step), deadline]() mutable {
                auto *window = dynamic_cast<Window *>(QApplication::activeModalWidget());
                if (window) {
                    --m_awaitedModals;
                    step(*window);
                } else if (deadline.hasExpired()) {
                    ADD_FAILURE() << "no modal " << Window::staticMetaObject.className()
                                  << " showed";
                    --m_awaitedModals;
                } else {
                    awaitModal<Window>(std::move(step), deadline, 5);
                }
            });
    }

    std::filesystem::path m_folder;
    std::vector<std::unique_ptr<FileUse>> m_uses;
    DatePickerScript m_datePicker;
    PeoplePickerScript m_peoplePicker;
    // Owns the timers of whenModal(), so that none outlives its case.
    std::unique_ptr<QObject> m_timers;
    int m_awaitedModals = 0;
    std::int32_t m_lastActivity = 0;
};

} // namespace korvalen::testing
