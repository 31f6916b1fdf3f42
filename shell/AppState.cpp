#include "shell/AppState.h"

namespace zemor::shell {

QString AppState::versia()
{
    return QStringLiteral("Версия ПП 2.1.4 от 24.01.12");
}

int AppState::clampedYear(int todayYear, int first, int last)
{
    int year = todayYear;
    if (year > last)
        year = last;
    if (year < first)
        year = first;
    return year;
}

void AppState::clampYear(int todayYear)
{
    globYear = static_cast<qint16>(clampedYear(todayYear, globYearS, globYearE));
}

} // namespace zemor::shell
