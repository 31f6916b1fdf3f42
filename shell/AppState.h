#pragma once

// The state that the whole program shares, one copy per process: the reporting year with the
// bounds found in the working directory, the installation settings copied from `USER1`, the
// exchange path and the version text. Everything else a window needs lives in its own
// data::DataContext.
//
// The program makes one AppState in main() and hands it by reference to the frame and to every
// procedure; every subsystem reads the process state from here and from nowhere else. It owns
// nothing and is used on the GUI thread only. A procedure that computes with another year keeps
// that year to itself and never writes `globYear`.

#include <QString>
#include <QtGlobal>

namespace zemor::shell {

struct AppState
{
    qint16 globYear = 0;  // GLOBYEAR, the reporting year of the frame
    qint16 globYearS = 0; // GLOBYEAR_S, the smallest year directory
    qint16 globYearE = 0; // GLOBYEAR_E, the largest year directory

    qint32 globKodUser = 0; // GLOBKODUSER, the installation's own code
    quint8 globTipUser = 0; // GLOBTIPUSER, 0 whole region, 1 district, 2 institution
    qint64 globCodReg = 0;  // GLOBCODREG, the installation's district
    QString globNameObl;    // GLOBNAMEOBL, the installation's name

    QString exchangePath; // ExchangePath, the current folder of the exchange windows

    // VERSIA, shown on the frame's toolbar.
    static QString versia();

    // The one year clamp: `year` lowered to the last year directory and then raised to the
    // first (the lower bound wins when the bounds cross).
    static int clampedYear(int year, int first, int last);
    // "Возможный период с <first>г. по <last>г.", told when a year had to be moved.
    static QString yearBoundsText(int first, int last);
    // The year the frame opens with: globYear := clampedYear(todayYear, globYearS, globYearE).
    void clampYear(int todayYear);
    // A procedure's start: globYear held within its bounds. True when the year had to be moved,
    // which the procedure then tells in its own words.
    [[nodiscard]] bool holdYear();
};

} // namespace zemor::shell
