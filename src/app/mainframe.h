#pragma once

#include "runtime/dates.h"

#include <QMainWindow>
#include <QString>

#include <functional>

class QLabel;
class QMdiArea;
class QMenu;
class QTimer;

namespace korvalen {

class AppContext;

// The main frame: a multiple-document window whose menus and toolbar start
// every other screen, with the date and time in its status line. Menu items
// and buttons whose screen the program does not have are disabled.
class MainFrame : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr const char *title = "Korvalen 1.2a - Windows95 and NT";

    explicit MainFrame(AppContext &context, QWidget *parent = nullptr);
    ~MainFrame() override;

    QMdiArea *mdiArea() const { return m_mdi; }
    // Puts an independent window into the frame; its sub-window closes with
    // it.
    void addIndependentWindow(QWidget *window);

    // Enables exactly the items whose procedure is in the context's table.
    void updateActions();
    // Sets the date and time zones of the status line from the clock.
    void refreshStatusLine();
    QString dateZoneText() const;
    QString timeZoneText() const;

    // The printer-setup dialog; replaceable so tests need not open it.
    std::function<void()> printSetup;

    // Weekday name, ", " and the long date: "Monday, December 7, 2026".
    static QString statusDateText(Date today);
    // Hours and minutes with AM or PM: "2:06PM".
    static QString statusTimeText(ClockTime now);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    struct Command;

    void createActions();
    void createMenus();
    void createToolBar();
    void createStatusBar();
    QAction *addCommand(QMenu *menu, const Command &command);
    void run(const Command &command);
    void setReportGlobals(bool withNotes);
    // Asks every independent window whether it may close, closing none: true
    // when all agree. After a refusal the windows asked before are told
    // that the program goes on.
    bool windowsAgreeToClose();
    void withdrawCloseQuery();

    AppContext &m_context;
    QMdiArea *m_mdi;
    QLabel *m_dateZone;
    QLabel *m_timeZone;
    QTimer *m_timer;
    std::vector<std::pair<QAction *, std::string>> m_procedureActions; // action, procedure
    std::vector<std::pair<QAction *, bool>> m_independentFlags;
};

} // namespace korvalen
