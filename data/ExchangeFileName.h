#pragma once

// The names of exchange files. An installation's export is named after who sends it and what
// it holds: a prefix by the user type ("u" + the own institution code, "r" + the district
// code, "v" for the whole region), then for each form that contributed rows, in the order of
// the export's form list, a period part (before the first form and wherever the periodicity
// changes: "_" + the year for annual forms, "m" + month, "k" + quarter, "p" + half-year)
// followed by "F" + the form code, and ".dat": u284m10F111F112.dat, r5_2011F12m3F111.dat.
// Forms of another periodicity add nothing. A summary file is "ssw" + own code + "F" + form
// code + ".dat"; an importer knows it by "ssw" (lower case) in the file's own name, never by a
// folder's. Old-format files carry their form and period in an 8.3 name: "W", four digits of
// form code, any character, two digits of period ("W0111x05.dat").
//
// Codes and numbers are written as plain decimal numbers without leading zeros, except the
// year (four digits) and the export's work file (the own code in four digits). Pure functions
// of their arguments; nothing here touches the disk.

#include "data/Codes.h"

#include <QString>
#include <QStringView>

#include <optional>

namespace zemor::data {

class ExchangeFileName
{
public:
    // The name of an export of the installation of `userType` with its own code (the district
    // code for a district installation) in reporting year `year`.
    ExchangeFileName(UserType userType, int ownCode, int year);

    // A form that contributed at least one row: its code, its periodicity (the FOR:TIP byte)
    // and its period number.
    void addForm(int formCode, int periodicity, qint32 period);
    // Whether any form part has been added (an export without one is not copied anywhere).
    bool hasForms() const { return m_hasForms; }
    // The name without, and with, the extension ".dat".
    QString base() const { return m_base; }
    QString fileName() const;

    // "u284", "r5", "v".
    static QString prefix(UserType userType, int ownCode);
    // "_2011", "m3", "k2", "p1"; blank for any other periodicity.
    static QString periodPart(int periodicity, int year, qint32 period);
    // "ssw284F111.dat".
    static QString summaryFileName(int ownCode, int formCode);
    // Whether a file (a bare name or a path with "/" or "\") is a summary file: "ssw" in its own
    // name, in lower case.
    static bool isSummaryFile(QStringView path);
    // "export\W0284.dat": the export's work file under the working directory.
    static QString exportWorkFileName(int ownCode);

    // The form and period of an old-format file name (the name alone, without folders): "W" or
    // "w", four digits, one character, two digits, and an extension of at most three
    // characters; nullopt for any other name.
    struct OldName
    {
        int formCode = 0;
        int period = 0;
    };
    static std::optional<OldName> parseOldFileName(QStringView fileName);

private:
    QString m_base;
    int m_year;
    std::optional<int> m_lastPeriodicity; // of the form part written last
    bool m_hasForms = false;
};

} // namespace zemor::data
