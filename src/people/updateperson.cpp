#include "people/updateperson.h"

#include "storage/openfile.h"
#include "storage/recordupdate.h"
#include "ui/appcontext.h"
#include "ui/formkit.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>

namespace korvalen {

PersonForm::PersonForm(AppContext &context, QWidget *parent)
    : QDialog(parent), m_context(context),
      m_form(context, *this, context.data.people, context.data.PEO)
{
    setWindowTitle(tr("Update Person Entry"));
    setFont(dialogFont());
    createControls();
    configureForm();
}

PersonForm::~PersonForm() = default;

void PersonForm::createControls()
{
    m_shortName = new QLineEdit(this);
    fitCharacters(*m_shortName, decltype(PeopleRecord::PERSON)::width);
    m_shortName->setStatusTip(tr("Enter Short Name (10 characters)"));
    m_longName = new QLineEdit(this);
    fitCharacters(*m_longName, decltype(PeopleRecord::NAME)::width);
    m_longName->setStatusTip(tr("Enter Long Name (30 characters)"));
    for (QLineEdit *edit : {m_shortName, m_longName})
        edit->installEventFilter(this);
    m_action = new QLabel(this);
    m_ok = new QPushButton(tr("OK"), this);
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_help = new QPushButton(tr("&Help"), this);

    auto *grid = new QGridLayout(this);
    grid->addWidget(new QLabel(tr("Short Name: (Required) "), this), 0, 0);
    grid->addWidget(m_shortName, 0, 1);
    grid->addWidget(new QLabel(tr("Long Name:  (Optional)"), this), 1, 0);
    grid->addWidget(m_longName, 1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton *button : {m_ok, m_cancel, m_help}) {
        // Enter presses the button that has the focus; in the entries it
        // moves on instead (see eventFilter), and no button is the default.
        button->setAutoDefault(true);
        buttons->addWidget(button);
    }
    grid->addLayout(buttons, 2, 0, 1, 2);
    connect(m_ok, &QPushButton::clicked, this, [this] { m_form.ok(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_form.cancel(); });
    connect(m_help, &QPushButton::clicked, this, [this] { m_form.help(); });
}

void PersonForm::configureForm()
{
    Clock &clock = m_context.clock;
    m_form.setFirstField(m_shortName);
    m_form.setActionLabel(m_action);
    static_cast<QGridLayout *>(layout())->addWidget(m_form.createStatusLine(), 3, 0, 1, 2);
    m_form.setHelpTopic("~UPPERSDIAL");
    m_form.setDuplicateKeyName("Short Name Order");
    m_form.setShowRecord([this] {
        m_shortName->setText(QString::fromStdString(m_form.record().PERSON.str()));
        m_longName->setText(QString::fromStdString(m_form.record().NAME.str()));
    });
    m_form.setTakeRecord([this] {
        m_form.record().PERSON = m_shortName->text().toStdString();
        m_form.record().NAME = m_longName->text().toStdString();
    });
    m_form.setValidate([this] { return validate(); });
    // A new person's copy is the caller's buffer with no date, so Cancel
    // always asks: the new record carries today's date.
    m_form.setEntryCopyFromCaller([](PeopleRecord &entry) { entry.DATE = 0; });
    m_form.setPrime([&clock](PeopleRecord &record) { record.DATE = clock.today(); });
    m_form.setUpdate(updatePerson);
    m_form.setRemove(deletePerson);
}

QWidget *PersonForm::validate()
{
    // The short name names the person everywhere: it may not be blank.
    if (!m_form.record().PERSON.isBlank())
        return nullptr;
    m_form.refuseValue(m_shortName, tr("A short name is required: the person is known by it"));
    return m_shortName;
}

bool PersonForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && (watched == m_shortName || watched == m_longName)) {
        int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Enter accepts the entry and goes on; it never presses OK.
            focusNextChild();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void UPDATEPERSON(AppContext &context)
{
    PersonForm dialog(context);
    dialog.form().run();
}

} // namespace korvalen
