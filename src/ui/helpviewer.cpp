#include "ui/helpviewer.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QTextBrowser>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

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
    // The titles are the contents: none is cut.
    m_list->setTextElideMode(Qt::ElideNone);
    m_list->setMinimumWidth(listWidthForTitles());
    auto *splitter = new QSplitter;
    splitter->addWidget(left);
    splitter->addWidget(m_text);
    splitter->setStretchFactor(1, 3);
    splitter->setChildrenCollapsible(false);
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(splitter);
    resize(std::max(820, m_list->minimumWidth() + 480), 560);

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

int HelpViewer::listWidthForTitles() const
{
    const QFontMetrics metrics = m_list->fontMetrics();
    int widest = 0;
    for (const HelpTopic &topic : m_help.topics())
        widest = std::max(widest, metrics.horizontalAdvance(QString::fromStdString(topic.title)));
    // The item's own margins, the list's frame and room for its scroll bar.
    const int itemMargins =
        2 * (m_list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_list) + 1);
    return widest + itemMargins + 2 * m_list->frameWidth() +
           m_list->verticalScrollBar()->sizeHint().width() + 4;
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
    takeOwner(QApplication::activeModalWidget());
    fitIntoScreen();
    show();
    raise();
    activateWindow();
}

void HelpViewer::takeOwner(QWidget *modal)
{
    if (modal == this)
        modal = nullptr;
    if (modal)
        modal = modal->window();
    if (m_owner)
        m_owner->removeEventFilter(this);
    m_owner = modal;
    QWindow *owner = modal ? modal->windowHandle() : nullptr;
    // A modal form blocks every window but those it owns.
    winId();
    QWindow *own = windowHandle();
    if (own->transientParent() != owner) {
        // The window manager learns of the owner when the window is mapped.
        if (owner && isVisible())
            hide();
        own->setTransientParent(owner);
    }
    if (modal)
        modal->installEventFilter(this);
}

bool HelpViewer::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_owner && event->type() == QEvent::Hide) {
        // The form is done: the help goes on with the modal window under
        // it, if any, once that one is the active modal window again.
        QTimer::singleShot(0, this, [this] {
            if (m_owner && m_owner->isVisible())
                return;
            QWidget *modal = QApplication::activeModalWidget();
            takeOwner(modal);
            if (modal && !isVisible())
                show();
        });
    }
    return QWidget::eventFilter(watched, event);
}

void HelpViewer::fitIntoScreen()
{
    QWidget *active = QApplication::activeWindow();
    if (active == this)
        active = nullptr;
    QScreen *screen = active ? active->screen() : this->screen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    // The frame is known once shown; before, allow for a title bar.
    QSize frame = frameGeometry().size() - size();
    if (!isVisible() && frame.isNull())
        frame = QSize(8, style()->pixelMetric(QStyle::PM_TitleBarHeight) + 8);
    resize(size().boundedTo(available.size() - frame));
    const QSize outer = size() + frame;
    QPoint at = pos();
    if (!m_placed) {
        // First shown: centred over the window it was asked from.
        const QRect over = active ? active->frameGeometry() : available;
        at = over.center() - QPoint(outer.width() / 2, outer.height() / 2);
        m_placed = true;
    }
    // Left and top win where the window cannot be made small enough.
    at.setX(std::max(available.left(), std::min(at.x(), available.right() + 1 - outer.width())));
    at.setY(std::max(available.top(), std::min(at.y(), available.bottom() + 1 - outer.height())));
    move(at);
}

} // namespace korvalen
