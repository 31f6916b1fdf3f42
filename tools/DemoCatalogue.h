#pragma once

// The content of the demo working directory, as plain values: the reference data (districts,
// institution kinds, institutions, the installation's settings, the program name) and the form
// catalogue of a reporting year with its control rules, calculation rules and deadlines.
// DemoBuilder writes these values into the dictionary files; DemoReports derives the sample
// reports from them. Nothing here touches the disk.
//
// Column numbers in rules are stored column numbers (the form's numbering): stored column c of
// a table is value c - offset of its rows. Row references are row ids (`STR:UNICOD`), unique
// within a form.

#include <QList>
#include <QString>

#include <array>
#include <utility>

namespace zemor::tools {

struct DemoDistrict
{
    int code;
    QString name;
};

struct DemoKind
{
    int code;
    QString name;
};

struct DemoInstitution
{
    int code;
    int district;
    int kind;
    QString name;
    int settlement; // BOL:SEL: 1 "город", 2 "село", 3 "село*"
    int level;      // BOL:SUBVID
    int openedYear; // BOL:SYEAR
    int closedYear; // BOL:EYEAR, 0 while it works
    int parent = 0; // the institution it belongs to, kept in characters 3-7 of BOL:S

    bool worksIn(int year) const
    {
        return openedYear <= year && (closedYear == 0 || closedYear >= year);
    }
};

struct DemoInstallation
{
    int userType; // USE:TIPUSER
    int district; // USE:CODREG
    int ownCode;  // USE:KODUSER
    QString name; // USE:NAMEOBL
    QString workFolder;
    QString officeFolder;
    QString exportPath;
    QString importPath;
};

struct DemoReference
{
    QList<DemoDistrict> districts;
    QList<DemoKind> kinds;
    QList<DemoInstitution> institutions;
    DemoInstallation installation;
    QString title;    // NAM:PROGA
    QString mail;     // NAM:MAIL
    QString mailTarg; // NAM:MAILTAR
    QString mailSarv; // NAM:MAIL_SAR

    const DemoInstitution *institution(int code) const;
};

struct DemoColumn
{
    int number; // GRA:COD, in the form's numbering
    QString name;
    QString shortName;
    QString picture; // GRA:FORMAT; blank means "@n_12"
    int kind = 0;    // GRA:VID
};

// The columns of the population form 999 (row 1 of each district's record): a form row's
// population column (STR:CODNAS) names the one its rates are taken over.
enum DemoPopulationColumn { PopulationAll = 1, PopulationChildren = 2, PopulationAdults = 3 };

struct DemoRow
{
    int id; // STR:UNICOD
    QString code;
    QString name;
    QString shortName;
    QString diseaseCodes;     // STR:CODMKB
    QString sexMark;          // STR:POL
    int populationColumn = 0; // STR:CODNAS, 0 none
};

struct DemoTable
{
    int code;
    QString name;
    QString shortName;
    int offset; // TAB:SM
    QList<DemoColumn> columns;
    QList<DemoRow> rows; // in display order: STR:NUMBER is the position from 1

    int valueCount() const { return int(columns.size()); } // TAB:A
    // The position of a row in the table (STR:NUMBER), 0 when the row is not in it.
    int position(int rowId) const;
};

struct DemoForm
{
    int code;
    QString name;
    QString designation; // FOR:COD
    int periodicity;     // FOR:TIP
    bool switchedOff;    // FOR:VKL
    QString deadline;    // the line of "sroki.txt" after the form code
    QList<DemoTable> tables;

    const DemoTable *table(int code) const;
    const DemoTable *tableOfRow(int rowId) const;
};

// Relation codes of the rules.
enum DemoRelation {
    Equal = 1,
    Greater = 2,
    GreaterOrEqual = 3,
    Less = 4,
    LessOrEqual = 5,
    IfZero = 6
};

struct DemoColumnRule // ContrGr
{
    int id;
    int form;
    int table;
    QString rowCode; // "0": every row
    int rowId;       // carried with the rule; 0 for every row
    int left;        // stored column
    int relation;
    QList<int> terms; // signed stored columns
    QString note;
};

struct DemoRowRule // ContrStr
{
    qint64 id;
    int form;
    int column; // stored column; 0 every column of the table
    int leftRow;
    int relation;
    QList<int> terms; // signed row ids
};

struct DemoTableRule // ContrTab
{
    int id;
    int form;
    int leftRow;
    int leftColumn;
    int relation;
    QList<std::pair<int, int>> terms; // signed row id, stored column of that row's table
};

struct DemoInterFormRule // "ContrMF.dat", listed in "SpisMF.TXT"
{
    qint64 id;
    int relation;
    QList<std::array<int, 3>> triples; // form, signed row id, signed value number
    QString name;
    QString text;
};

struct DemoCalculation // a line of "Rash.txt" and a record of Rash
{
    int form;
    int table;
    char kind; // 'g' column rule, 's' row rule
    int ruleId;
};

struct DemoCatalogue
{
    QList<DemoForm> forms;
    QList<DemoColumnRule> columnRules;
    QList<DemoRowRule> rowRules;
    QList<DemoTableRule> tableRules;
    QList<DemoInterFormRule> interFormRules;
    QList<DemoCalculation> calculations;

    const DemoForm *form(int code) const;
    const DemoColumnRule *columnRule(int id) const;
    const DemoRowRule *rowRule(qint64 id) const;
};

// The reporting years the demo holds, ascending.
QList<int> demoYears();
const DemoReference &demoReference();
// The catalogue of a reporting year (the same forms in every demo year).
const DemoCatalogue &demoCatalogue();

} // namespace zemor::tools
