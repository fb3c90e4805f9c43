#include "ui/helpviewer.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSplitter>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace korvalen {

HelpViewer::HelpViewer(HelpFile help, QWidget *parent)
    : QWidget(parent, Qt::Window), m_help(std::move(help)), m_search(new QLineEdit),
      m_list(new QListWidget), m_text(new QTextBrowser)
{
    setWindowTitle(tr("Korvalen Help"));
    m_search->setPlaceholderText(tr("Search for help on..."));
    m_search->setClearButtonEnabled(true);
    m_text->setOpenLinks(false);

    auto *left = new QWidget;
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    auto *label = new QLabel(tr("&Topics"));
    label->setBuddy(m_search);
    leftLayout->addWidget(label);
    leftLayout->addWidget(m_search);
    leftLayout->addWidget(m_list);
    auto *splitter = new QSplitter;
    splitter->addWidget(left);
    splitter->addWidget(m_text);
    splitter->setStretchFactor(1, 3);
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(splitter);
    resize(820, 560);

    connect(m_search, &QLineEdit::textChanged, this, [this](const QString &query) {
        if (query.trimmed().isEmpty()) {
            std::vector<std::string> all;
            for (const HelpTopic &topic : m_help.topics())
                all.push_back(topic.key);
            fillList(all);
        } else {
            fillList(m_help.search(query.toStdString()));
        }
    });
    connect(m_list, &QListWidget::currentItemChanged, this, [this](QListWidgetItem *item) {
        if (item)
            showTopic(item->data(Qt::UserRole).toString());
    });
    connect(m_text, &QTextBrowser::anchorClicked, this, [this](const QUrl &url) {
        if (url.scheme() == QLatin1String("help"))
            showTopic(url.path());
    });
    m_search->setText(QString());
    emit m_search->textChanged(QString());
}

void HelpViewer::fillList(const std::vector<std::string> &keys)
{
    QSignalBlocker blocker(m_list);
    m_list->clear();
    for (const std::string &key : keys) {
        const HelpTopic *topic = m_help.find(key);
        if (!topic)
            continue;
        auto *item = new QListWidgetItem(QString::fromStdString(topic->title), m_list);
        item->setData(Qt::UserRole, QString::fromStdString(topic->key));
        if (QString::fromStdString(topic->key) == m_currentKey)
            m_list->setCurrentItem(item);
    }
}

QString HelpViewer::topicHtml(const HelpTopic &topic, const HelpFile &help)
{
    QString html = "<h2>" + QString::fromStdString(topic.title).toHtmlEscaped() + "</h2>";
    bool inList = false;
    QStringList paragraph;
    auto flush = [&] {
        if (!paragraph.isEmpty())
            html += "<p>" + paragraph.join(' ').toHtmlEscaped() + "</p>";
        paragraph.clear();
    };
    for (const QString &line : QString::fromStdString(topic.body).split('\n')) {
        bool bullet = line.startsWith("- ");
        if (!bullet && inList) {
            html += "</ul>";
            inList = false;
        }
        if (line.startsWith("@see ")) {
            flush();
            QString key = line.mid(5).trimmed();
            const HelpTopic *target = help.find(key.toStdString());
            QString title = target ? QString::fromStdString(target->title) : key;
            html += "<p>See also: <a href=\"help:" + key.toHtmlEscaped() + "\">" +
                    title.toHtmlEscaped() + "</a></p>";
        } else if (bullet) {
            flush();
            if (!inList)
                html += "<ul>";
            inList = true;
            html += "<li>" + line.mid(2).toHtmlEscaped() + "</li>";
        } else if (line.trimmed().isEmpty()) {
            flush();
        } else {
            paragraph << line;
        }
    }
    flush();
    if (inList)
        html += "</ul>";
    return html;
}

void HelpViewer::showTopic(const QString &key)
{
    const HelpTopic *topic = m_help.find(key.toStdString());
    if (!topic)
        topic = m_help.find(HelpFile::contentsKey);
    if (!topic) {
        bringUp();
        return;
    }
    m_currentKey = QString::fromStdString(topic->key);
    m_text->setHtml(topicHtml(*topic, m_help));
    QSignalBlocker blocker(m_list);
    for (int row = 0; row < m_list->count(); ++row)
        if (m_list->item(row)->data(Qt::UserRole).toString() == m_currentKey)
            m_list->setCurrentRow(row);
    bringUp();
}

void HelpViewer::showContents()
{
    showTopic(HelpFile::contentsKey);
}

void HelpViewer::showSearch()
{
    bringUp();
    m_search->setFocus();
    m_search->selectAll();
}

void HelpViewer::showHowToUse()
{
    showTopic(HelpFile::howToUseKey);
}

void HelpViewer::bringUp()
{
    show();
    raise();
    activateWindow();
}

} // namespace korvalen
