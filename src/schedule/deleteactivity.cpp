#include "schedule/deleteactivity.h"

#include "storage/openfile.h"
#include "storage/warnings.h"
#include "ui/appcontext.h"
#include "ui/formkit.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDir>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpacerItem>
#include <QVBoxLayout>

#include <cstdio>
#include <memory>
#include <vector>

namespace korvalen {

namespace {

const char *const kHelpTopic = "~DELACT";

// The radio buttons in the order of DeleteScope.
constexpr std::array<const char *, 3> kScopeTexts = {"Just This &One", "&All",
                                                     "This One and &Future"};

QLabel *plainLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

DeleteActivityDialog::DeleteActivityDialog(AppContext &context, bool repeated, QWidget *parent)
    : QDialog(parent), m_context(context),
      m_scope(repeated ? DeleteScope::JustThisOne : DeleteScope::All)
{
    setWindowTitle(QStringLiteral("Delete Activities"));
    setFont(dialogFont());
    createControls();
    m_group->setVisible(repeated);
    scopeButton(m_scope)->setChecked(true);
    if (repeated)
        scopeButton(m_scope)->setFocus();
    else
        m_no->setFocus();
}

void DeleteActivityDialog::createControls()
{
    m_group = new QGroupBox(this);
    auto *groupLayout = new QVBoxLayout(m_group);
    QLabel *question = plainLabel(
        QStringLiteral("This is a repeated activity.  Which occurrences do you want to delete? "),
        m_group);
    question->setWordWrap(true);
    groupLayout->addWidget(question);
    auto *scopes = new QButtonGroup(this);
    for (std::size_t i = 0; i < kScopeTexts.size(); ++i) {
        auto *radio = new QRadioButton(QString::fromLatin1(kScopeTexts[i]), m_group);
        scopes->addButton(radio, static_cast<int>(i));
        groupLayout->addWidget(radio);
        m_scopeButtons[i] = radio;
    }
    connect(scopes, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            m_scope = static_cast<DeleteScope>(id);
    });

    m_no = new QPushButton(QStringLiteral("&No"), this);
    m_no->setToolTip(QStringLiteral("Cancel without deleting the activity"));
    m_no->setDefault(true);
    m_yes = new QPushButton(QStringLiteral("&Yes"), this);
    m_yes->setToolTip(QStringLiteral("Delete activities as specified"));
    connect(m_no, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_yes, &QPushButton::clicked, this, [this] {
        m_confirmed = true;
        accept();
    });

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_no);
    buttons->addWidget(m_yes);
    buttons->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_group);
    layout->addWidget(plainLabel(QStringLiteral("CONFIRM:"), this));
    layout->addWidget(plainLabel(QStringLiteral("Delete the Highlighted Activity?"), this));
    layout->addLayout(buttons);
    // Wide enough for the title bar to show the whole title, also without
    // the scope group.
    QFont titleFont = QApplication::font();
    titleFont.setBold(true);
    const int titleWidth = QFontMetrics(titleFont).horizontalAdvance(windowTitle()) + 120;
    layout->addItem(new QSpacerItem(titleWidth, 0, QSizePolicy::Fixed, QSizePolicy::Fixed));
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QRadioButton *DeleteActivityDialog::scopeButton(DeleteScope scope) const
{
    return m_scopeButtons.at(static_cast<std::size_t>(scope));
}

void DeleteActivityDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        showHelp();
        return;
    }
    QDialog::keyPressEvent(event);
}

void DeleteActivityDialog::showHelp()
{
    if (m_context.showHelp)
        m_context.showHelp(kHelpTopic);
}

void DELACT(AppContext &context)
{
    AppData &data = context.data;
    // The occurrence as the caller read it, taken before anything else
    // reads DATES.
    const ChosenOccurrence chosen{data.dates.current().recordNumber, data.DAT};
    context.globals.request = 0;
    context.globals.response = RequestCancelled;
    if (chosen.recordNumber == 0)
        return;
    std::vector<std::unique_ptr<FileUse>> uses;
    for (DataFile *file : {&data.activity, &data.dates, &data.personAct}) {
        uses.push_back(std::make_unique<FileUse>(*file, context.prompter));
        if (!uses.back()->status().ok())
            return;
    }

    int count = 0;
    if (Status status = countOccurrences(data.dates, chosen.occurrence.ACTNUMBER, count);
        !status.ok()) {
        showWarning(context.prompter, WarningKind::RecordRetrievalError, status, "DATES");
        return;
    }
    DeleteActivityDialog dialog(context, count >= 2, QApplication::activeWindow());
    dialog.exec();
    if (!dialog.isConfirmed())
        return;

    SaveResult result;
    {
        WaitCursor wait;
        result = deleteOccurrences(data, context.prompter, chosen, dialog.scope());
    }
    if (result.is(ErrorCode::RecordHeld)) {
        context.prompter.message({"Information Safeguard",
                                  "The Information window for this activity is already open.",
                                  MessageIcon::Information, ButtonOk, ButtonOk});
        return;
    }
    showSaveFailure(context.prompter, result);
}

bool renderDeleteDialogs(AppContext &context, const QString &directory)
{
    bool ok = true;
    for (const bool repeated : {false, true}) {
        DeleteActivityDialog dialog(context, repeated);
        dialog.show();
        QApplication::processEvents();
        const QString path = QDir(directory).filePath(
            repeated ? QStringLiteral("delete-repeated.png") : QStringLiteral("delete-single.png"));
        const bool saved = dialog.grab().save(path);
        std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
        ok = saved && ok;
        dialog.hide();
    }
    return ok;
}

} // namespace korvalen
