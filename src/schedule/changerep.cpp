#include "schedule/changerep.h"

#include "schedule/repeatkit.h"
#include "ui/appcontext.h"
#include "ui/formkit.h"

#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cstdio>

namespace korvalen {

namespace {

constexpr std::array<ChangeScope, 3> kScopes = {ChangeScope::JustThisOne, ChangeScope::All,
                                                ChangeScope::ThisOneAndFuture};

std::size_t indexOf(ChangeScope scope)
{
    return static_cast<std::size_t>(scope);
}

} // namespace

ChangeScopeDialog::ChangeScopeDialog(AppContext &context, QWidget *parent)
    : QDialog(parent), m_context(context)
{
    setWindowTitle(QStringLiteral("Change Repeated Activity"));
    setFont(dialogFont());
    createControls();
    m_context.globals.ChangeScope = changeScopeText(ChangeScope::JustThisOne);
    QRadioButton *first = radio(ChangeScope::JustThisOne);
    first->setChecked(true);
    first->setFocus(Qt::OtherFocusReason);
}

void ChangeScopeDialog::createControls()
{
    auto *options = new QGroupBox(this);
    auto *column = new QVBoxLayout(options);
    for (ChangeScope scope : kScopes) {
        auto *radio = new QRadioButton(qs(changeScopeText(scope)), options);
        connect(radio, &QRadioButton::toggled, this, [this, scope](bool checked) {
            if (checked)
                m_context.globals.ChangeScope = changeScopeText(scope);
        });
        column->addWidget(radio);
        m_radios[indexOf(scope)] = radio;
    }

    QPushButton *ok = repeatkit::newButton(this, QStringLiteral("OK"));
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    QPushButton *cancel = repeatkit::newButton(this, QStringLiteral("Cancel"));
    cancel->setObjectName(QStringLiteral("cancel"));
    QPushButton *help = repeatkit::newButton(this, QStringLiteral("Help"));
    help->setObjectName(QStringLiteral("help"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this,
            [this] { repeatkit::showHelp(m_context, "~CHANGEACT"); });

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton *button : {ok, cancel, help})
        buttons->addWidget(button);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("You are changing a repeated activity."), this));
    layout->addWidget(
        new QLabel(QStringLiteral("Which occurrences do the changes apply to?"), this));
    layout->addWidget(options);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

ChangeScope ChangeScopeDialog::scope() const
{
    for (ChangeScope scope : kScopes) {
        if (radio(scope)->isChecked())
            return scope;
    }
    return ChangeScope::JustThisOne;
}

QRadioButton *ChangeScopeDialog::radio(ChangeScope scope) const
{
    return m_radios[indexOf(scope)];
}

QPushButton *ChangeScopeDialog::button(const char *name) const
{
    return findChild<QPushButton *>(QLatin1String(name));
}

void CHANGEREP(AppContext &context)
{
    ChangeScopeDialog dialog(context, QApplication::activeWindow());
    const bool completed = dialog.exec() == QDialog::Accepted;
    context.globals.response = completed ? RequestCompleted : RequestCancelled;
}

bool renderChangeScope(AppContext &context, const QString &directory)
{
    ChangeScopeDialog dialog(context);
    dialog.show();
    QApplication::processEvents();
    const QString path = QDir(directory).filePath(QStringLiteral("change-scope.png"));
    const bool saved = dialog.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    dialog.hide();
    return saved;
}

} // namespace korvalen
