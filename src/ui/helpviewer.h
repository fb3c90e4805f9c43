#pragma once

#include "ui/helpfile.h"

#include <QPointer>
#include <QWidget>

class QLineEdit;
class QListWidget;
class QTextBrowser;

namespace korvalen {

// The help window: the list of topics (the contents), a search over the
// topics' titles and texts, and the text of the chosen topic with its links.
// One window serves the whole program; it stays open beside the others.
// Asked for while a modal form is open, it takes that form as its owner, so
// that it stays usable, and in front of the form, while the form waits.
class HelpViewer : public QWidget
{
    Q_OBJECT

public:
    explicit HelpViewer(HelpFile help, QWidget *parent = nullptr);

    // Shows topic `key` ("~UPACTDIAL"); an unknown key shows the contents.
    void showTopic(const QString &key);
    void showContents();
    // Puts the focus in the search box.
    void showSearch();
    void showHowToUse();

    QString currentKey() const { return m_currentKey; }
    const HelpFile &helpFile() const { return m_help; }

    // The HTML of a topic, links as "help:KEY" anchors.
    static QString topicHtml(const HelpTopic &topic, const HelpFile &help);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fillList(const std::vector<std::string> &keys);
    // The width the topic list needs to show every title whole.
    int listWidthForTitles() const;
    // Shows the window, usable beside the active modal form, on the screen.
    void bringUp();
    // Makes `modal` (nullptr: none) the window's owner.
    void takeOwner(QWidget *modal);
    // Shrinks and moves the window so that it lies on its screen whole.
    void fitIntoScreen();

    HelpFile m_help;
    QLineEdit *m_search;
    QListWidget *m_list;
    QTextBrowser *m_text;
    QString m_currentKey;
    QPointer<QWidget> m_owner; // the modal form it is shown for
    bool m_placed = false;     // given its first place on a screen
};

} // namespace korvalen
