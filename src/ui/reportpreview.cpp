#include "ui/reportpreview.h"

#include "ui/appcontext.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QVBoxLayout>

namespace korvalen {

namespace {

constexpr int kMargin = 16;    // grey border around the pages, in pixels
constexpr int kFacingGap = 12; // between the two facing pages
constexpr QSize kRenderSize{1000, 780};

// `paper` scaled to fit `slot`, placed in it by `alignment`.
QRect fitted(const QSizeF &paper, const QRect &slot, Qt::Alignment alignment)
{
    const QSize size = paper.scaled(QSizeF(slot.size()), Qt::KeepAspectRatio).toSize();
    int x = slot.left() + (slot.width() - size.width()) / 2;
    if (alignment & Qt::AlignLeft)
        x = slot.left();
    else if (alignment & Qt::AlignRight)
        x = slot.right() + 1 - size.width();
    return QRect(QPoint(x, slot.top() + (slot.height() - size.height()) / 2), size);
}

// Where the paper of `page` lies in the coordinates of a painter on `printer`
// (whose origin is the printable area's corner), at true size.
QRectF paperTarget(QPrinter &printer, const QPicture &page)
{
    const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    const QRectF printable = printer.pageRect(QPrinter::DevicePixel);
    const QSizeF size = pagePaperSize(page);
    return QRectF(paper.topLeft() - printable.topLeft(),
                  QSizeF(size.width() * printer.logicalDpiX() / 1000.0,
                         size.height() * printer.logicalDpiY() / 1000.0));
}

int pointsToUnits(int points)
{
    return points * 1000 / 72;
}

// A spin box that reports every keystroke it refuses.
class PageSpinBox : public QSpinBox
{
public:
    PageSpinBox(std::function<void()> onRefused, QWidget *parent)
        : QSpinBox(parent), m_onRefused(std::move(onRefused))
    {
    }

protected:
    QValidator::State validate(QString &input, int &position) const override
    {
        const QValidator::State state = QSpinBox::validate(input, position);
        if (state == QValidator::Invalid && m_onRefused)
            m_onRefused();
        return state;
    }

private:
    std::function<void()> m_onRefused;
};

} // namespace

// One framed page place: the frame, the page image and the region that
// takes the clicks are one widget of one size.
class PagePlace : public QFrame
{
public:
    explicit PagePlace(QWidget *parent) : QFrame(parent)
    {
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setLineWidth(1);
        hide();
    }

    // Shows `page`, number `number`; nullptr hides the place.
    void setPage(const QPicture *page, int number)
    {
        m_page = page;
        m_number = number;
        setVisible(page != nullptr);
        update();
    }
    int number() const { return m_number; }
    QSizeF paperSize() const
    {
        return m_page ? pagePaperSize(*m_page) : QSizeF(kLetterWidth, kLetterHeight);
    }

    std::function<void()> onClick;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QFrame::paintEvent(event);
        if (!m_page)
            return;
        QPainter painter(this);
        paintPage(painter, *m_page, contentsRect());
    }
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
            onClick)
            onClick();
    }

private:
    const QPicture *m_page = nullptr;
    int m_number = 0;
};

// The grey page area: the left, centre and right places, and the zoomed page
// in a scroll area of its own.
class PageArea : public QWidget
{
public:
    explicit PageArea(QWidget *parent) : QWidget(parent)
    {
        QPalette grey = palette();
        grey.setColor(QPalette::Window, QColor(128, 128, 128));
        setPalette(grey);
        setAutoFillBackground(true);
        setFocusPolicy(Qt::StrongFocus);
        m_places[int(PagePlaceId::Left)] = new PagePlace(this);
        m_places[int(PagePlaceId::Centre)] = new PagePlace(this);
        m_places[int(PagePlaceId::Right)] = new PagePlace(this);
        m_zoomArea = new QScrollArea(this);
        m_zoomArea->setFrameShape(QFrame::NoFrame);
        m_zoomArea->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        m_zoomArea->setBackgroundRole(QPalette::Window);
        m_zoomSheet = new QWidget;
        m_places[int(PagePlaceId::Zoom)] = new PagePlace(m_zoomSheet);
        m_zoomArea->setWidget(m_zoomSheet);
        m_zoomArea->hide();
    }

    PagePlace *place(PagePlaceId id) const { return m_places[int(id)]; }

    // Puts the pages `logic` displays into the places.
    void showPages(const PreviewLogic &logic, const QList<QPicture> &pages)
    {
        const auto put = [&](PagePlaceId id, int number) {
            place(id)->setPage(number > 0 ? &pages[number - 1] : nullptr, number);
        };
        const int zoomedBefore = place(PagePlaceId::Zoom)->number();
        put(PagePlaceId::Left, logic.leftPlacePage());
        put(PagePlaceId::Centre, logic.centrePlacePage());
        put(PagePlaceId::Right, logic.rightPlacePage());
        put(PagePlaceId::Zoom, logic.zoomPlacePage());
        m_zoomArea->setVisible(logic.zoomPlacePage() != 0);
        arrange();
        if (logic.zoomPlacePage() != zoomedBefore)
            m_zoomArea->verticalScrollBar()->setValue(0);
    }

protected:
    void resizeEvent(QResizeEvent *) override { arrange(); }

private:
    void arrange()
    {
        const QRect area = rect().adjusted(kMargin, kMargin, -kMargin, -kMargin);
        const int half = (area.width() - kFacingGap) / 2;
        const QRect leftSlot(area.left(), area.top(), half, area.height());
        const QRect rightSlot(area.right() + 1 - half, area.top(), half, area.height());
        PagePlace *left = place(PagePlaceId::Left);
        PagePlace *right = place(PagePlaceId::Right);
        PagePlace *centre = place(PagePlaceId::Centre);
        left->setGeometry(fitted(left->paperSize(), leftSlot, Qt::AlignRight));
        right->setGeometry(fitted(right->paperSize(), rightSlot, Qt::AlignLeft));
        centre->setGeometry(fitted(centre->paperSize(), area, Qt::AlignHCenter));

        // The zoomed page takes the whole width, whatever its height.
        m_zoomArea->setGeometry(rect());
        PagePlace *zoom = place(PagePlaceId::Zoom);
        const int scrollBar = m_zoomArea->verticalScrollBar()->sizeHint().width();
        const int width = std::max(rect().width() - 2 * kMargin - scrollBar, 50);
        const QSizeF paper = zoom->paperSize();
        const int height = int(width * paper.height() / paper.width());
        zoom->setGeometry(kMargin, kMargin, width, height);
        m_zoomSheet->resize(width + 2 * kMargin, height + 2 * kMargin);
    }

    std::array<PagePlace *, 4> m_places{};
    QScrollArea *m_zoomArea;
    QWidget *m_zoomSheet;
};

QSizeF pagePaperSize(const QPicture &page)
{
    const QRect bounds = page.boundingRect();
    // A page recorded without its paper rect only knows its ink's extent.
    if (bounds.isEmpty() || bounds.topLeft() != QPoint(0, 0))
        return QSizeF(kLetterWidth, kLetterHeight);
    return QSizeF(bounds.size());
}

void paintPage(QPainter &painter, const QPicture &page, const QRectF &target)
{
    const QSizeF paper = pagePaperSize(page);
    painter.save();
    painter.fillRect(target, Qt::white);
    painter.setClipRect(target, Qt::IntersectClip);
    painter.translate(target.topLeft());
    painter.scale(target.width() / paper.width(), target.height() / paper.height());
    // Playing a picture scales it by the device's resolution over the
    // picture's own; the target rect already holds the whole scale.
    if (const QPaintDevice *device = painter.device())
        painter.scale(qreal(page.logicalDpiX()) / device->logicalDpiX(),
                      qreal(page.logicalDpiY()) / device->logicalDpiY());
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                           QPainter::SmoothPixmapTransform);
    painter.drawPicture(0, 0, page);
    painter.restore();
}

bool printPages(QPrinter &printer, const QList<QPicture> &pages)
{
    if (pages.isEmpty())
        return true;
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    for (qsizetype i = 0; i < pages.size(); ++i) {
        if (i > 0 && !printer.newPage()) {
            painter.end();
            return false;
        }
        paintPage(painter, pages[i], paperTarget(printer, pages[i]));
    }
    return painter.end();
}

QList<QPicture> samplePages(int count)
{
    QList<QPicture> pages;
    for (int number = 1; number <= count; ++number) {
        QPicture picture;
        QPainter painter(&picture);
        painter.setPen(QPen(Qt::black, 10));
        painter.drawRect(QRect(500, 500, 7500, 10000));
        QFont title(QStringLiteral("Arial"));
        title.setPixelSize(pointsToUnits(24));
        title.setBold(true);
        painter.setFont(title);
        painter.drawText(QRect(500, 800, 7500, 500), Qt::AlignHCenter | Qt::AlignTop,
                         QStringLiteral("Page %1").arg(number));
        QFont body(QStringLiteral("Arial"));
        body.setPixelSize(pointsToUnits(10));
        painter.setFont(body);
        painter.setPen(QPen(Qt::black, 5));
        for (int line = 1; line <= 18; ++line) {
            const int y = 1800 + line * 450;
            painter.drawLine(1000, y, 7500, y);
            painter.drawText(QRect(1000, y - 250, 6500, 220), Qt::AlignLeft | Qt::AlignBottom,
                             QStringLiteral("Line %1 of page %2").arg(line).arg(number));
        }
        painter.end();
        picture.setBoundingRect(QRect(0, 0, kLetterWidth, kLetterHeight));
        pages.append(picture);
    }
    return pages;
}

JumpDialog::JumpDialog(int pageCount, int startPage, std::function<void()> beep, QWidget *parent)
    : QDialog(parent), m_beep(std::move(beep))
{
    setWindowTitle(QStringLiteral("Jump to a Report Page"));
    m_spinBox = new PageSpinBox(m_beep, this);
    m_spinBox->setRange(1, std::max(pageCount, 1));
    m_spinBox->setValue(startPage);
    const QString spinMessage = QStringLiteral("Select a page of the report");
    m_spinBox->setStatusTip(spinMessage);
    m_spinBox->setToolTip(spinMessage);
    auto *prompt = new QLabel(QStringLiteral("Page:"), this);
    prompt->setBuddy(m_spinBox);

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    ok->setStatusTip(QStringLiteral("Jump to the selected page"));
    ok->setToolTip(ok->statusTip());
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setStatusTip(QStringLiteral("Cancel this selection"));
    cancel->setToolTip(cancel->statusTip());
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(ok, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancel, QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &JumpDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &JumpDialog::reject);

    auto *row = new QHBoxLayout;
    row->addWidget(prompt);
    row->addWidget(m_spinBox, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    // Wide enough for the caption on a title bar.
    setMinimumWidth(fontMetrics().horizontalAdvance(windowTitle()) * 3 / 2);
    m_spinBox->setFocus();
    m_spinBox->selectAll();
}

int JumpDialog::page() const
{
    return m_spinBox->value();
}

void JumpDialog::accept()
{
    if (!m_spinBox->hasAcceptableInput()) {
        if (m_beep)
            m_beep();
        m_spinBox->setValue(m_spinBox->value());
        m_spinBox->selectAll();
        m_spinBox->setFocus();
        return;
    }
    m_spinBox->interpretText();
    QDialog::accept();
}

ReportPreview::ReportPreview(AppContext &context, QList<QPicture> pages, QWidget *parent)
    : QDialog(parent), m_context(context), m_pages(std::move(pages)),
      m_logic(static_cast<int>(m_pages.size()))
{
    Q_ASSERT(!m_pages.isEmpty());
    setWindowTitle(QStringLiteral("Print Preview"));
    askPage = [this](int startPage) { return runJumpDialog(startPage); };
    m_pageArea = new PageArea(this);
    createActions();
    createMenuBar();
    createStatusBar();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(m_menuBar);
    layout->addWidget(m_pageArea, 1);
    layout->addWidget(m_statusBar);

    m_pageArea->place(PagePlaceId::Left)->onClick = [this] {
        m_logic.clickLeft();
        refresh();
    };
    m_pageArea->place(PagePlaceId::Right)->onClick = [this] {
        m_logic.clickRight();
        refresh();
    };
    m_pageArea->place(PagePlaceId::Centre)->onClick = [this] {
        m_logic.clickCentre();
        refresh();
    };
    const QRect available = screen()->availableGeometry();
    resize(std::min(available.width(), available.height() * 9 / 10 * 5 / 4),
           available.height() * 9 / 10);
    m_pageArea->setFocus();
    refresh();
}

ReportPreview::~ReportPreview() = default;

QAction *ReportPreview::command(PreviewCommand which) const
{
    return m_commands[static_cast<std::size_t>(which)];
}

QString ReportPreview::statusZone(int zone) const
{
    if (zone == 1)
        return m_statusBar->currentMessage();
    if (zone >= 2 && zone <= 4)
        return m_zones[static_cast<std::size_t>(zone - 2)]->text();
    return QString();
}

QWidget *ReportPreview::placeWidget(PagePlaceId place) const
{
    return m_pageArea->place(place);
}

int ReportPreview::shownPage(PagePlaceId place) const
{
    const PagePlace *widget = m_pageArea->place(place);
    return widget->isVisibleTo(this) ? widget->number() : 0;
}

bool ReportPreview::event(QEvent *event)
{
    // A dialog has no status bar of its own to show the command messages in.
    if (event->type() == QEvent::StatusTip) {
        m_statusBar->showMessage(static_cast<QStatusTipEvent *>(event)->tip());
        return true;
    }
    return QDialog::event(event);
}

void ReportPreview::createActions()
{
    const auto make = [this](PreviewCommand which, const char *text, const char *message) {
        auto *action = new QAction(QString::fromLatin1(text), this);
        action->setStatusTip(QString::fromLatin1(message));
        m_commands[static_cast<std::size_t>(which)] = action;
        return action;
    };
    connect(make(PreviewCommand::Cancel, "&Cancel!", "Cancel the printing of this report"),
            &QAction::triggered, this, &ReportPreview::reject);
    connect(make(PreviewCommand::Print, "&Print!", "Print this report"), &QAction::triggered, this,
            [this] {
                m_printChosen = true;
                accept();
            });
    connect(make(PreviewCommand::Zoom, "", ""), &QAction::triggered, this,
            [this] { run(PreviewCommand::Zoom, &PreviewLogic::toggleZoom); });
    QAction *previous = make(PreviewCommand::Previous, "&Previous Page!",
                             "View the previous page(s) of this report");
    previous->setShortcut(QKeySequence(Qt::Key_PageUp));
    connect(previous, &QAction::triggered, this,
            [this] { run(PreviewCommand::Previous, &PreviewLogic::previous); });
    QAction *next =
        make(PreviewCommand::Next, "&Next Page!", "View the next page(s) of this report");
    next->setShortcut(QKeySequence(Qt::Key_PageDown));
    connect(next, &QAction::triggered, this,
            [this] { run(PreviewCommand::Next, &PreviewLogic::next); });
    connect(make(PreviewCommand::Jump, "&Jump!", "Jump to a selected page of the report"),
            &QAction::triggered, this, &ReportPreview::jump);
    connect(make(PreviewCommand::Facing, "", ""), &QAction::triggered, this,
            [this] { run(PreviewCommand::Facing, &PreviewLogic::toggleFacing); });
}

void ReportPreview::createMenuBar()
{
    m_menuBar = new QMenuBar(this);
    for (QAction *action : m_commands)
        m_menuBar->addAction(action);
    connect(m_menuBar, &QMenuBar::hovered, this,
            [this](QAction *action) { action->showStatusText(this); });
}

void ReportPreview::createStatusBar()
{
    m_statusBar = new QStatusBar(this);
    m_statusBar->setSizeGripEnabled(true);
    const QFontMetrics metrics(m_statusBar->font());
    const std::array<const char *, 3> widest = {"ZOOM", "Facing Pages", "Pages 888 and 889 of 889"};
    for (std::size_t i = 0; i < m_zones.size(); ++i) {
        m_zones[i] = new QLabel(m_statusBar);
        m_zones[i]->setAlignment(Qt::AlignCenter);
        m_zones[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        m_zones[i]->setMinimumWidth(metrics.horizontalAdvance(QString::fromLatin1(widest[i])) + 16);
        m_statusBar->addPermanentWidget(m_zones[i]);
    }
}

void ReportPreview::run(PreviewCommand which, void (PreviewLogic::*step)())
{
    (m_logic.*step)();
    refresh();
    // The command's message follows the command's new meaning.
    command(which)->showStatusText(this);
}

void ReportPreview::jump()
{
    if (const std::optional<int> page = askPage(m_logic.jumpStart()))
        m_logic.jumpTo(*page);
    refresh();
}

std::optional<int> ReportPreview::runJumpDialog(int startPage)
{
    JumpDialog dialog(
        m_logic.pageCount(), startPage, [this] { m_context.prompter.beep(); }, this);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.page();
}

void ReportPreview::refresh()
{
    QAction *zoom = command(PreviewCommand::Zoom);
    zoom->setText(m_logic.zoomText());
    zoom->setStatusTip(m_logic.zoomMessage());
    QAction *facing = command(PreviewCommand::Facing);
    facing->setText(m_logic.facingText());
    facing->setStatusTip(m_logic.facingMessage());
    facing->setEnabled(m_logic.canToggleFacing());
    command(PreviewCommand::Previous)->setEnabled(m_logic.canGoPrevious());
    command(PreviewCommand::Next)->setEnabled(m_logic.canGoNext());
    m_pageArea->showPages(m_logic, m_pages);
    m_zones[0]->setText(m_logic.modeZone());
    m_zones[1]->setText(m_logic.layoutZone());
    m_zones[2]->setText(m_logic.pagesZone());
}

std::unique_ptr<ReportPreview> createReportPreview(AppContext &context,
                                                   const QList<QPicture> &pages, QWidget *parent)
{
    if (pages.isEmpty())
        return nullptr;
    return std::make_unique<ReportPreview>(context, pages, parent);
}

bool REPORTPREVIEW(AppContext &context, const QList<QPicture> &pages, QWidget *parent)
{
    std::unique_ptr<ReportPreview> preview = createReportPreview(context, pages, parent);
    if (!preview)
        return false;
    preview->setWindowModality(Qt::ApplicationModal);
    preview->exec();
    return preview->isPrintChosen();
}

bool renderReportPreview(AppContext &context, const QList<QPicture> &pages, const QString &pngPath,
                         PreviewMode mode, int page)
{
    std::unique_ptr<ReportPreview> preview = createReportPreview(context, pages);
    if (!preview)
        return false;
    preview->setAttribute(Qt::WA_DontShowOnScreen);
    preview->resize(kRenderSize);
    preview->show();
    if (mode == PreviewMode::Facing)
        preview->command(PreviewCommand::Facing)->trigger();
    preview->askPage = [page](int) { return page; };
    preview->command(PreviewCommand::Jump)->trigger();
    if (mode == PreviewMode::Zoom)
        preview->command(PreviewCommand::Zoom)->trigger();
    QCoreApplication::processEvents();
    const bool saved = preview->grab().save(pngPath, "PNG");
    preview->close();
    return saved;
}

} // namespace korvalen
