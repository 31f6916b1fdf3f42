#include "tools/DemoIndicators.h"

#include "data/Codes.h"
#include "data/records/GrafaRecord.h"
#include "data/records/OtchetRecord.h"
#include "data/records/PokasRecord.h"
#include "data/records/SapkiRecord.h"
#include "data/records/TablRecord.h"
#include "runtime/decimal/Decimal.h"
#include "runtime/fs/DurableFile.h"
#include "runtime/store/TextLineFile.h"
#include "tools/DemoCatalogue.h"
#include "tools/DemoIndicatorsFiles.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

namespace zemor::tools {

using runtime::Status;
using namespace Qt::StringLiterals;

namespace {

constexpr int populationForm = 999;
constexpr int regionTotalsForm = 998;
// The region's own figures: row 1 column 1 the target of doctors per 10 000 inhabitants.
constexpr double regionDoctorsTarget = 35.5;
// A population term's source column that stands for the result row's own population column.
constexpr int rowPopulationColumn = 99;

// One cell record: a term (step 0) or a step.
struct Cell
{
    qint16 definition;
    int step = 0; // 0 a term
    int form = 0; // a term's form; a step's condition
    int table = 0;
    int row = 0;    // a term's row id; a step's value
    int column = 0; // a term's column; a step's source slot
    int slot = 0;   // the target slot
    int operation = 0;
    double constant = 0;
};

Cell term(qint16 id, int form, int table, int row, int column, int slot)
{
    return {id, 0, form, table, row, column, slot};
}

// A term of one month: `month` 20 month 1, 21 the period's first month, 22 its last.
Cell monthTerm(qint16 id, int form, int table, int row, int column, int slot, int month)
{
    Cell c = term(id, form, table, row, column, slot);
    c.operation = month;
    return c;
}

// A term of the by-rows layout over the row itself, for one territory: `scope` 1 district codes
// 200 and up, 2 the cities (100..200), 3 the rural districts (below 100).
Cell scopedTerm(qint16 id, int form, int table, int column, int slot, int scope)
{
    Cell c = term(id, form, table, 0, column, slot);
    c.constant = scope;
    return c;
}

Cell populationTerm(qint16 id, int slot)
{
    return term(id, populationForm, 1, 1, PopulationAll, slot);
}

// The population of each result row (by rows): the column of form 999 the row names.
Cell rowPopulationTerm(qint16 id, int slot)
{
    return term(id, populationForm, 1, 1, rowPopulationColumn, slot);
}

Cell step(qint16 id, int number, int target, int operation, int source, double constant = 0)
{
    return {id, number, 0, 0, 0, source, target, operation, constant};
}

struct Column
{
    QString name;
    QString shortName;
    QString picture;
};

// A rate of `perInhabitants`: slot 1 the count, slot 2 the population, slot 3 the rate.
QList<Cell> rateCells(qint16 id, int form, int table, int row, int column, double perInhabitants)
{
    return {term(id, form, table, row, column, 1), populationTerm(id, 2), step(id, 1, 3, 0, 1),
            step(id, 2, 3, 4, 2), step(id, 3, 3, 3, 0, perInhabitants)};
}

// The rate, and where fewer than 10 000 live, slot 4 shows the count over the population as
// text (elsewhere it stays 0: 0 times the population).
QList<Cell> rateWithNoteCells(qint16 id, int form, int table, int row, int column,
                              double perInhabitants)
{
    Cell smallPopulation = step(id, 4, 4, 3, 2, 10000);
    smallPopulation.form = 11; // the population below the constant ...
    smallPopulation.row = 1;   // ... shows slot 1 over it
    return rateCells(id, form, table, row, column, perInhabitants) << smallPopulation;
}

// By rows: the count of every row of `table` in slot 1, the population of the row's own age
// group in slot 2, the rate per 1000 of them in slot 3.
QList<Cell> rowRateCells(qint16 id, int table)
{
    return {term(id, 12, table, 0, 1, 1), rowPopulationTerm(id, 2), step(id, 1, 3, 0, 1),
            step(id, 2, 3, 4, 2), step(id, 3, 3, 3, 0, 1000)};
}

// A quotient: slot 1 over slot 2 into slot 3.
QList<Cell> quotientCells(qint16 id, int form, std::array<int, 3> first, std::array<int, 3> second)
{
    return {term(id, form, first[0], first[1], first[2], 1),
            term(id, form, second[0], second[1], second[2], 2), step(id, 1, 3, 0, 1),
            step(id, 2, 3, 4, 2)};
}

QList<Cell> cells()
{
    QList<Cell> all;
    all << rateWithNoteCells(101, 12, 1000, 1, 1, 1000)
        << rateWithNoteCells(105, 12, 1000, 1, 1, 1000) << rateCells(102, 62, 1000, 1, 3, 10000)
        << quotientCells(103, 14, {1000, 1, 3}, {1000, 1, 1})
        << quotientCells(104, 14, {2000, 5, 1}, {1000, 1, 3})
        // By rows: every row of the table (row 0), men over all in per cent; a row without
        // diseases divides by zero and shows 0.
        << term(106, 12, 1000, 0, 1, 1) << term(106, 12, 1000, 0, 2, 2) << step(106, 1, 3, 0, 2)
        << step(106, 2, 3, 4, 1)
        << step(106, 3, 3, 3, 0, 100)
        // ... and the diseases by territory: rural districts, cities, regional institutions.
        << scopedTerm(106, 12, 1000, 1, 4, 3) << scopedTerm(106, 12, 1000, 1, 5, 2)
        << scopedTerm(106, 12, 1000, 1, 6, 1)
        // Listed rows only, over the whole region: the form's own rows add nothing to them.
        << term(108, 12, 1000, 0, 1, 1)
        // The staff by the rows of form 62, over the whole year.
        << term(109, 62, 1000, 0, 1, 1) << term(109, 62, 1000, 0, 2, 2)
        << term(109, 62, 1000, 0, 3, 3)
        // Doctors: the region's target from its own figures (form 998) beside the rate.
        << term(102, regionTotalsForm, 1, 1, 1, 4)
        // Monthly diseases (form 7): the period, month 1, the first and the last month, and the
        // change from the first to the last.
        << term(107, 7, 1000, 1, 1, 1) << monthTerm(107, 7, 1000, 1, 1, 2, 20)
        << monthTerm(107, 7, 1000, 1, 1, 3, 21) << monthTerm(107, 7, 1000, 1, 1, 4, 22)
        << step(107, 1, 5, 0, 4)
        << step(107, 2, 5, 2, 3)
        // Children by the rows of their table, per 1000 children; the same diseases in every
        // age from the formula text, and the children's share of them.
        << rowRateCells(110, 2000) << step(110, 4, 5, 0, 1) << step(110, 5, 5, 4, 4)
        << step(110, 6, 5, 3, 0, 100)
        // Every age by the rows of the form, per 1000 inhabitants; adults and children as rows
        // of their own, each per 1000 of its age group.
        << rowRateCells(111, 1000);
    return all;
}

QList<Column> columnsOf(qint32 id)
{
    switch (id) {
    case 101:
    case 105:
        return {{u"Зарегистрировано заболеваний"_s, u"заболеваний"_s, u"@n_12"_s},
                {u"Численность населения"_s, u"население"_s, u"@n_12"_s},
                {u"Заболеваемость на 1000 населения"_s, u"на 1000"_s, u"1@n_10.2"_s},
                {u"Малые районы: заболеваний / население"_s, u"малые"_s, u"@n_12"_s}};
    case 102:
        return {{u"Врачи (физические лица)"_s, u"врачи"_s, u"@n_10"_s},
                {u"Численность населения"_s, u"население"_s, u"@n_12"_s},
                {u"Врачей на 10 000 населения"_s, u"на 10 000"_s, u"1@n_10.2"_s},
                {u"Целевой показатель по области"_s, u"цель"_s, u"@n_8.1"_s}};
    case 103:
        return {{u"Выписано пациентов"_s, u"выписано"_s, u"@n_10"_s},
                {u"Число коек"_s, u"коек"_s, u"@n_10"_s},
                {u"Оборот койки"_s, u"оборот"_s, u"1@n_10.2"_s}};
    case 104:
        return {{u"Проведено койко-дней"_s, u"койко-дни"_s, u"@n_10"_s},
                {u"Выписано пациентов"_s, u"выписано"_s, u"@n_10"_s},
                {u"Средняя длительность пребывания"_s, u"дней"_s, u"1@n_10.2"_s}};
    case 107:
        return {{u"Заболеваний за период"_s, u"за период"_s, u"@n_10"_s},
                {u"за январь"_s, u"январь"_s, u"@n_10"_s},
                {u"за первый месяц периода"_s, u"первый"_s, u"@n_10"_s},
                {u"за последний месяц периода"_s, u"последний"_s, u"@n_10"_s},
                {u"Изменение за период"_s, u"изменение"_s, u"@n-_10"_s}};
    case 108:
        return {{u"Зарегистрировано заболеваний"_s, u"всего"_s, u"@n_12"_s},
                {u"из них у мужчин"_s, u"мужчины"_s, u"@n_12"_s}};
    case 109:
        return {{u"Штатные должности"_s, u"штатные"_s, u"@n_10.2"_s},
                {u"Занятые должности"_s, u"занятые"_s, u"@n_10.2"_s},
                {u"Физические лица"_s, u"физ. лица"_s, u"@n_8"_s}};
    case 110:
        return {
            {u"Зарегистрировано заболеваний у детей"_s, u"у детей"_s, u"@n_10"_s},
            {u"Детское население (0-17 лет)"_s, u"дети"_s, u"@n_10"_s},
            {u"Заболеваемость на 1000 детей"_s, u"на 1000"_s, u"1@n_10.2"_s},
            {u"Зарегистрировано заболеваний во всех возрастах"_s, u"все возрасты"_s, u"@n_10"_s},
            {u"Доля детей, %"_s, u"% детей"_s, u"1@n_8.2"_s}};
    case 111:
        return {{u"Зарегистрировано заболеваний"_s, u"заболеваний"_s, u"@n_10"_s},
                {u"Население соответствующего возраста"_s, u"население"_s, u"@n_10"_s},
                {u"Заболеваемость на 1000 населения"_s, u"на 1000"_s, u"1@n_10.2"_s}};
    case 106:
        return {{u"Зарегистрировано заболеваний"_s, u"всего"_s, u"@n_12"_s},
                {u"из них у мужчин"_s, u"мужчины"_s, u"@n_12"_s},
                {u"Доля мужчин, %"_s, u"% мужчин"_s, u"1@n_8.2"_s},
                {u"в районах"_s, u"районы"_s, u"@n_10"_s},
                {u"в городах"_s, u"города"_s, u"@n_10"_s},
                {u"в областных учреждениях"_s, u"областные"_s, u"@n_10"_s}};
    default:
        return {};
    }
}

// The listed rows of the by-rows definitions: their lines in "<n>.MDS" (code, population
// column, code text, name) and their terms in "<n>.MDV" over form 12: row 2500 the rows 1.1
// and 1.2 together, row 2600 (only 108 lists it) the row of all diseases; columns 1 and 2 into
// slots 1 and 2. 111 lists the adults (all diseases less the children's) and the children, each
// with the population column of its age group; 110 lists no rows of its own, its formula text
// adds the diseases of every age into the children's rows.
constexpr int listedRow = 2500;
constexpr int allDiseasesRow = 2600;
constexpr int adultsRow = 2700;
constexpr int childrenRow = 2800;

QString rowListLine(int code, int populationColumn, const QString &codeText, const QString &name)
{
    // Columns 1-5 the code, 7-8 the population column (blank: none), 10-14 the code text, 20 on
    // the name.
    const QString population = populationColumn > 0 ? QString::number(populationColumn) : QString();
    return u"%1 %2 %3     %4"_s.arg(code, 5).arg(population, 2).arg(codeText, -5).arg(name);
}

QStringList rowListLines(qint32 id)
{
    if (id == 111)
        return {rowListLine(adultsRow, PopulationAdults, u"взр."_s,
                            u"Заболевания взрослых (18 лет и старше)"_s),
                rowListLine(childrenRow, PopulationChildren, u"дети"_s,
                            u"Заболевания детей (0-17 лет)"_s)};
    QStringList lines{
        rowListLine(listedRow, 0, u"1.1+2"_s, u"Болезни органов дыхания и кровообращения"_s)};
    if (id == 108)
        lines << rowListLine(allDiseasesRow, 0, u"1"_s, u"Все болезни"_s);
    return lines;
}

// A line of "<n>.MDV": columns 1-5 the result row, 6-9 the form (0: blank, the line before's),
// 10 the sign, 11-15 the source row, then terms of 7 characters: 3 the source column, 3 the
// slot, 1 unread.
QString formulaLine(int resultRow, int form, bool subtract, int sourceRow,
                    const QList<std::pair<int, int>> &terms)
{
    QString line = u"%1%2%3%4"_s.arg(resultRow, 5)
                       .arg(form > 0 ? QString::number(form) : QString(), 4)
                       .arg(subtract ? u"-"_s : u" "_s)
                       .arg(sourceRow, 5);
    for (const auto &[column, slot] : terms)
        line += u"%1%2 "_s.arg(column, 3).arg(slot, 3);
    return line;
}

QStringList formulaLines(qint32 id)
{
    switch (id) {
    case 110:
        // The rows of all ages that match the children's rows 1 and 1.1 (ids 5 and 6).
        return {formulaLine(5, 12, false, 1, {{1, 4}}), formulaLine(6, 0, false, 2, {{1, 4}})};
    case 111:
        return {formulaLine(adultsRow, 12, false, 1, {{1, 1}}),
                formulaLine(adultsRow, 0, true, 5, {{1, 1}}),
                formulaLine(childrenRow, 0, false, 5, {{1, 1}})};
    default:
        break;
    }
    const QList<std::pair<int, int>> terms{{1, 1}, {2, 2}};
    QStringList lines{formulaLine(listedRow, 12, false, 2, terms),
                      formulaLine(listedRow, 0, false, 3, terms)};
    if (id == 108)
        lines << formulaLine(allDiseasesRow, 0, false, 1, terms);
    return lines;
}

// TAB:NAMEL of a definition: the years at 1 and 6, the workbook at 11, the successor at 30.
QString yearsText(const DemoIndicatorDefinition &d)
{
    QString text = u"%1 %2"_s.arg(d.firstYear, 4).arg(d.lastYear, 4).leftJustified(10, u' ');
    text += d.workbook.leftJustified(19, u' ');
    if (d.successor != 0)
        text += QString::number(d.successor).rightJustified(5, u' ');
    return text.trimmed().isEmpty() ? QString() : text;
}

Status writeDefinitions(const QDir &root)
{
    const auto &list = DemoIndicators::definitions();
    Status tabl = writeKeyedRecords(root.filePath(u"TablP.dat"_s), data::FileId::tabl,
                                    int(list.size()), [&](runtime::store::KeyedFile &f, int i) {
                                        const DemoIndicatorDefinition &d = list[i];
                                        data::TablRecord r(f.record());
                                        r.setUnicodT(d.id);
                                        r.setName(d.name);
                                        r.setNameL(yearsText(d));
                                        r.setType(std::uint8_t(d.type));
                                        return r.setCodForm(d.form) && r.setCodTabl(d.id) &&
                                               r.setSm(d.kind) && r.setA(d.columns);
                                    });
    if (!tabl)
        return tabl;

    struct GrafaLine
    {
        const DemoIndicatorDefinition *definition;
        int number;
        Column column;
    };
    QList<GrafaLine> grafa;
    for (const DemoIndicatorDefinition &d : list) {
        const QList<Column> columns = columnsOf(d.id);
        for (int c = 0; c < columns.size(); ++c)
            grafa.append({&d, c + 1, columns[c]});
    }
    Status columns = writeKeyedRecords(root.filePath(u"GrafaP.dat"_s), data::FileId::grafa,
                                       int(grafa.size()), [&](runtime::store::KeyedFile &f, int i) {
                                           const GrafaLine &g = grafa[i];
                                           data::GrafaRecord r(f.record());
                                           r.setCod(std::uint8_t(g.number));
                                           r.setName(g.column.name);
                                           r.setNameL(g.column.shortName);
                                           r.setFormat(g.column.picture);
                                           r.setL(14);
                                           return r.setCodForm(g.definition->form) &&
                                                  r.setCodTabl(g.definition->id);
                                       });
    if (!columns)
        return columns;

    const QList<Cell> all = cells();
    Status pokas = writeKeyedRecords(root.filePath(u"POKAS.DAT"_s), data::FileId::Pokas,
                                     int(all.size()), [&](runtime::store::KeyedFile &f, int i) {
                                         const Cell &c = all[i];
                                         data::PokasRecord r(f.record());
                                         r.setUnicod(i + 1);
                                         r.setUnicodP(c.definition);
                                         r.setUnicodStr(qint16(c.row));
                                         r.setCodGr(std::uint8_t(c.column));
                                         r.setCodGrP(std::uint8_t(c.slot));
                                         r.setNum(std::uint8_t(c.step));
                                         r.setSnak(std::uint8_t(c.operation));
                                         r.setHislo(c.constant);
                                         return r.setCodForm(c.form) && r.setCodTabl(c.table);
                                     });
    if (!pokas)
        return pokas;
    // No stored list formats: every definition shows its columns' own.
    return writeKeyedRecords(root.filePath(u"SapkiP.tps"_s), data::FileId::Sapki, 0,
                             [](runtime::store::KeyedFile &, int) { return true; });
}

QList<int> populatedDistricts(int year)
{
    QList<int> districts;
    for (const DemoDistrict &d : demoReference().districts)
        if (DemoIndicators::population(year, d.code) > 0)
            districts.append(d.code);
    return districts;
}

// Row 1 of each district with a record: every age, the children, the adults.
Status writePopulations(const QDir &root, int year)
{
    const QList<int> districts = populatedDistricts(year);
    return writeKeyedRecords(
        root.filePath(u"%1/F0999.dat"_s.arg(year)), data::FileId::otchet, int(districts.size()),
        [&](runtime::store::KeyedFile &f, int i) {
            const int district = districts[i];
            data::OtchetRecord r(f.record());
            r.setCodReg(std::uint8_t(district));
            r.setCodUch(data::DistrictTotalCodeBase + district);
            r.setMes(0);
            r.setUnicodStr(1);
            if (!r.setCodTab(1))
                return false;
            for (int column : {PopulationAll, PopulationChildren, PopulationAdults}) {
                const qint64 people = DemoIndicators::population(year, district, column);
                if (!r.setData(column, runtime::Decimal::fromUnits(people * 1000, 3)))
                    return false;
            }
            return true;
        });
}

// The region's own figures: the record of institution 20000, period 0.
Status writeRegionFigures(const QDir &root, int year)
{
    return writeKeyedRecords(root.filePath(u"%1/F0998.dat"_s.arg(year)), data::FileId::otchet, 1,
                             [&](runtime::store::KeyedFile &f, int) {
                                 data::OtchetRecord r(f.record());
                                 r.setCodReg(250);
                                 r.setCodUch(data::RegionTotalCode);
                                 r.setMes(0);
                                 r.setUnicodStr(1);
                                 const auto value =
                                     runtime::Decimal::fromDouble(regionDoctorsTarget, 3);
                                 return value && r.setCodTab(1) && r.setData(1, *value);
                             });
}

// The picture behind the result list: a pale gradient.
Status writeBackground(const QDir &root)
{
    QImage image(800, 600, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 0, image.height());
    gradient.setColorAt(0, QColor(0xf4, 0xf8, 0xff));
    gradient.setColorAt(1, QColor(0xdc, 0xe8, 0xf6));
    painter.fillRect(image.rect(), gradient);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "BMP"))
        return runtime::fail(runtime::ErrorCode::IoError, u"Fon2.bmp"_s);
    return runtime::fs::writeWholeFile(root.filePath(u"Fon2.bmp"_s), bytes);
}

} // namespace

const QList<DemoIndicatorDefinition> &DemoIndicators::definitions()
{
    static const QList<DemoIndicatorDefinition> list{
        {101, 12, u"Заболеваемость населения на 1000 жителей"_s, 2025, 2030, u"i1.XLS"_s, 0, 4},
        {105,
         12,
         u"Заболеваемость населения на 1000 жителей (до 2025 года)"_s,
         2020,
         2024,
         {},
         101,
         4},
        {102, 62, u"Обеспеченность врачами на 10 000 населения"_s, 2020, 2030, {}, 0, 4},
        {103, 14, u"Оборот койки"_s, 2020, 2030, {}, 0, 3},
        {104, 14, u"Средняя длительность пребывания больного на койке"_s, 2020, 2030, {}, 0, 3},
        {106, 12, u"Доля заболеваний у мужчин по строкам формы"_s, 2020, 2030, {}, 0, 6, 2, 8},
        {107, 7, u"Заболеваемость по месяцам"_s, 2020, 2030, {}, 0, 5, 0, 0},
        {108,
         12,
         u"Болезни органов дыхания и кровообращения по области"_s,
         2020,
         2030,
         {},
         0,
         2,
         20,
         7},
        {109, 62, u"Медицинские кадры по строкам формы"_s, 2020, 2030, {}, 0, 3, 0, 1},
        {110,
         12,
         u"Заболеваемость детей на 1000 детей по строкам формы"_s,
         2020,
         2030,
         {},
         0,
         5,
         2,
         9},
        {111,
         12,
         u"Заболеваемость на 1000 населения своего возраста"_s,
         2020,
         2030,
         {},
         0,
         3,
         2,
         8},
    };
    return list;
}

QStringList DemoIndicators::columnNames(qint32 id)
{
    QStringList names;
    for (const Column &c : columnsOf(id))
        names.append(c.name);
    return names;
}

double DemoIndicators::doctorsTarget()
{
    return regionDoctorsTarget;
}

qint64 DemoIndicators::population(int year, int district, int column)
{
    // Rural districts from group I to group VI; the regional capital; Sarvensk without a record.
    // The rural districts lose a hundredth of their people in the year after, staying in their
    // group; the capital gains as much.
    qint64 base = 0;
    switch (district) {
    case 1:
        base = 9999;
        break;
    case 2:
        base = 12500;
        break;
    case 3:
        base = 20000;
        break;
    case 4:
        base = 30000;
        break;
    case 5:
        base = 45000;
        break;
    case 6:
        base = 52000;
        break;
    case 101:
        base = 180000;
        break;
    default:
        return 0;
    }
    const qint64 change = base / 100;
    const qint64 all = year == demoYears().first() ? base
                       : district < 100            ? base - change
                                                   : base + change;
    // Children (0-17): a fifth to a quarter, more in the villages.
    const qint64 children = all * (district < 100 ? 19 + district : 18) / 100;
    switch (column) {
    case PopulationAll:
        return all;
    case PopulationChildren:
        return children;
    case PopulationAdults:
        return all - children;
    default:
        return 0;
    }
}

Status DemoIndicators::write(const QString &root)
{
    const QDir dir(root);
    if (Status s = writeDefinitions(dir); !s)
        return s;
    for (int year : demoYears()) {
        if (Status s = writePopulations(dir, year); !s)
            return s;
    }
    if (Status s = writeRegionFigures(dir, demoYears().first()); !s)
        return s;
    for (qint32 id : {106, 108, 110, 111}) {
        // 110 takes the form's rows only: it has no row list.
        if (id != 110) {
            if (Status s = runtime::store::TextLineFile::writeTextLines(
                    dir.filePath(u"%1.MDS"_s.arg(id)), rowListLines(id));
                !s)
                return s;
        }
        if (Status s = runtime::store::TextLineFile::writeTextLines(
                dir.filePath(u"%1.MDV"_s.arg(id)), formulaLines(id));
            !s)
            return s;
    }
    return writeBackground(dir);
}

} // namespace zemor::tools
