#include "shell/AppState.h"

namespace zemor::shell {

QString AppState::versia()
{
    return QStringLiteral("Версия ПП 2.1.4 от 24.01.12");
}

int AppState::clampedYear(int year, int first, int last)
{
    if (year > last)
        year = last;
    if (year < first)
        year = first;
    return year;
}

QString AppState::yearBoundsText(int first, int last)
{
    return QStringLiteral("Возможный период с %1г. по %2г.").arg(first).arg(last);
}

void AppState::clampYear(int todayYear)
{
    globYear = static_cast<qint16>(clampedYear(todayYear, globYearS, globYearE));
}

bool AppState::holdYear()
{
    const int held = clampedYear(globYear, globYearS, globYearE);
    if (held == globYear)
        return false;
    globYear = static_cast<qint16>(held);
    return true;
}

} // namespace zemor::shell
