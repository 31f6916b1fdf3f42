#include "analysis/common/ui/PeriodBox.h"

#include "runtime/picture/Picture.h"

#include <QLineEdit>

namespace zemor::analysis::ui {

namespace {

const runtime::Picture &datePicture()
{
    static const runtime::Picture picture =
        runtime::Picture::parse(u"@d5.").value_or(runtime::Picture());
    return picture;
}

} // namespace

QString PeriodBox::dateText(qint64 dayNumber)
{
    return datePicture().formatDate(dayNumber).trimmed();
}

void PeriodBox::setDates(bool on)
{
    if (on == m_dates)
        return;
    m_dates = on;
    lineEdit()->setText(textFromValue(value()));
}

QString PeriodBox::textFromValue(int value) const
{
    return m_dates ? dateText(value) : QSpinBox::textFromValue(value);
}

int PeriodBox::valueFromText(const QString &text) const
{
    if (!m_dates)
        return QSpinBox::valueFromText(text);
    const auto day = datePicture().parseDate(text);
    return day ? int(*day) : value();
}

QValidator::State PeriodBox::validate(QString &text, int &pos) const
{
    if (!m_dates)
        return QSpinBox::validate(text, pos);
    const auto day = datePicture().parseDate(text);
    return day && *day >= minimum() && *day <= maximum() ? QValidator::Acceptable
                                                         : QValidator::Intermediate;
}

} // namespace zemor::analysis::ui
