// The help window: usable beside a modal form, on its screen, its topic
// list whole.

#include "ui/helpviewer.h"

#include "../guifixture.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <functional>

namespace korvalen {
namespace {

class HelpViewerTest : public testing::GuiTest
{
protected:
    HelpViewerTest()
    {
        HelpFile help;
        help.parse(HelpFile::builtInText());
        m_viewer = std::make_unique<HelpViewer>(std::move(help));
    }
    QListWidget *list() const { return m_viewer->findChild<QListWidget *>(); }
    QLineEdit *search() const { return m_viewer->findChild<QLineEdit *>(); }
    // Runs `step` inside the event loop of a modal form, then closes the form.
    void whileAFormWaits(QDialog &form, const std::function<void()> &step)
    {
        whenModal<QDialog>([&form, step](QDialog &shown) {
            EXPECT_EQ(&shown, &form);
            step();
            form.reject();
        });
        form.exec();
    }

    std::unique_ptr<HelpViewer> m_viewer;
};

TEST_F(HelpViewerTest, TakesInputAndStaysInFrontWhileAModalFormWaits)
{
    m_viewer->showContents(); // open before the form, as from the frame's menu
    QDialog form;
    QString typed;
    QString picked;
    QWindow *owner = nullptr;
    whileAFormWaits(form, [&] {
        m_viewer->showSearch(); // the form's Help button
        QApplication::processEvents();
        owner = m_viewer->windowHandle()->transientParent();
        // Typed and clicked through the window system, as a user would.
        for (char c : {'d', 'a', 't', 'e'})
            QTest::keyClick(m_viewer->windowHandle(), c);
        typed = search()->text();
        search()->clear();
        QListWidgetItem *item = list()->item(2);
        const QPoint at =
            list()->viewport()->mapTo(m_viewer.get(), list()->visualItemRect(item).center());
        QTest::mouseClick(m_viewer->windowHandle(), Qt::LeftButton, {}, at);
        picked = item->data(Qt::UserRole).toString();
    });
    EXPECT_EQ(owner, form.windowHandle());
    EXPECT_EQ(typed, "date");
    EXPECT_EQ(m_viewer->currentKey(), picked);
    QApplication::processEvents(); // the form is gone: the help goes on alone
    EXPECT_EQ(m_viewer->windowHandle()->transientParent(), nullptr);
    EXPECT_TRUE(m_viewer->isVisible());
}

TEST_F(HelpViewerTest, OpensWhollyOnTheScreenAndComesBackOntoIt)
{
    const QRect available = m_viewer->screen()->availableGeometry();
    m_viewer->showContents();
    QApplication::processEvents();
    EXPECT_TRUE(available.contains(m_viewer->frameGeometry()))
        << m_viewer->frameGeometry().width() << "x" << m_viewer->frameGeometry().height() << " on "
        << available.width() << "x" << available.height();
    m_viewer->move(available.right() - 40, available.bottom() - 40);
    m_viewer->showTopic("~UPACTDIAL");
    QApplication::processEvents();
    EXPECT_TRUE(available.contains(m_viewer->frameGeometry()));
}

TEST_F(HelpViewerTest, EveryTopicTitleIsShownWhole)
{
    m_viewer->showContents();
    QApplication::processEvents();
    ASSERT_GT(list()->count(), 0);
    for (int row = 0; row < list()->count(); ++row) {
        QListWidgetItem *item = list()->item(row);
        const int needed = list()->fontMetrics().horizontalAdvance(item->text());
        EXPECT_LE(needed, list()->viewport()->width()) << item->text().toStdString();
        EXPECT_LE(list()->visualItemRect(item).right(), list()->viewport()->width())
            << item->text().toStdString();
    }
}

} // namespace
} // namespace korvalen
