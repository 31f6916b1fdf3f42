#include "shell/ui/PeriodWindow.h"

#include "runtime/core/Prompter.h"
#include "runtime/picture/Picture.h"
#include "runtime/ui/Controls.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>

#include <limits>

namespace zemor::shell::ui {

using runtime::ui::createControl;

namespace {

runtime::Picture numberPicture(data::PeriodKind kind)
{
    const auto picture = runtime::Picture::parse(
        kind == data::PeriodKind::Date ? QStringLiteral("@d5.") : QStringLiteral("@n_2"));
    Q_ASSERT(picture);
    return picture.value_or(runtime::Picture());
}

} // namespace

PeriodWindow::PeriodWindow(data::PeriodKind kind, qint32 number, runtime::Prompter &prompter,
                           QWidget *parent)
    : QDialog(parent), m_kind(kind), m_prompter(prompter)
{
    setObjectName(QStringLiteral("P1$SCRMES"));
    setModal(true);
    auto *layout = new QGridLayout(this);
    auto *word = createControl<QLineEdit>(this, QStringLiteral("?NAMETIP"));
    word->setReadOnly(true);
    word->setFocusPolicy(Qt::NoFocus);
    word->setText(data::kindWord(kind));
    word->setMinimumWidth(word->fontMetrics().averageCharWidth() * 20);
    layout->addWidget(word, 0, 0);

    const runtime::Picture picture = numberPicture(kind);
    m_field = createControl<QLineEdit>(this, QStringLiteral("?MES"));
    m_field->setText(kind == data::PeriodKind::Date ? picture.formatDate(number).trimmed()
                                                    : QString::number(number));
    m_field->setMaxLength(picture.width());
    m_field->setMinimumWidth(m_field->fontMetrics().averageCharWidth() * (picture.width() + 4));
    layout->addWidget(m_field, 0, 1);

    auto *ok =
        createControl<QPushButton>(this, QStringLiteral("?OK"), QStringLiteral("Продолжить"));
    ok->setDefault(true);
    layout->addWidget(ok, 1, 0, 1, 2, Qt::AlignHCenter);
    connect(ok, &QPushButton::clicked, this, &PeriodWindow::proceed);
    m_field->setFocus();
    m_field->selectAll();
}

void PeriodWindow::proceed()
{
    const runtime::Picture picture = numberPicture(m_kind);
    std::optional<qint64> typed;
    if (m_kind == data::PeriodKind::Date) {
        if (const auto day = picture.parseDate(m_field->text()))
            typed = *day;
    } else if (const auto value = picture.parseNumber(m_field->text())) {
        bool whole = false;
        const qint64 n = value->toString().toLongLong(&whole);
        if (whole)
            typed = n;
    }
    if (!typed || *typed > std::numeric_limits<qint32>::max() ||
        !data::acceptsPeriodNumber(m_kind, static_cast<qint32>(*typed))) {
        m_prompter.message(data::periodNumberError());
        m_field->setFocus();
        return;
    }
    m_number = static_cast<qint32>(*typed);
    accept();
}

int PeriodWindow::periodText(data::PeriodKind kind, qint32 &number, QString &kindWord,
                             runtime::Prompter &prompter, QWidget *parent)
{
    kindWord = data::paddedKindWord(kind);
    if (!data::choosesPeriodNumber(kind)) {
        number = 0;
        return 0;
    }
    PeriodWindow window(kind, number, prompter, parent);
    number = window.exec() == QDialog::Accepted ? window.number() : 0;
    return 0;
}

} // namespace zemor::shell::ui
