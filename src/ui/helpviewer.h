#pragma once

#include "ui/helpfile.h"

#include <QWidget>

class QLineEdit;
class QListWidget;
class QTextBrowser;

namespace korvalen {

// The help window: the list of topics (the contents), a search over the
// topics' titles and texts, and the text of the chosen topic with its links.
// One window serves the whole program; it stays open beside the others.
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

private:
    void fillList(const std::vector<std::string> &keys);
    void bringUp();

    HelpFile m_help;
    QLineEdit *m_search;
    QListWidget *m_list;
    QTextBrowser *m_text;
    QString m_currentKey;
};

} // namespace korvalen
