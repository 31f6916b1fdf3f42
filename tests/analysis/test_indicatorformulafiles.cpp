// An indicator's definition and formula read from small files written here: how the cell
// records become formula lines and steps, what the definition list keeps, the columns and
// rows, and how missing, damaged and misnamed files are met. Nothing is ever written by the
// reading.

#include "IndicatorFixture.h"
#include "analysis/indicators/IndicatorFormulaFiles.h"
#include "data/Dictionary.h"
#include "data/records/FormaRecord.h"
#include "data/records/GrafaRecord.h"
#include "data/records/PokasRecord.h"
#include "data/records/SapkiRecord.h"
#include "data/records/StrokaRecord.h"
#include "data/records/TablRecord.h"
#include "runtime/fs/Paths.h"
#include "runtime/store/KeyedFile.h"
#include "runtime/store/TextLineFile.h"
#include "runtime/text/Cp1251.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace zemor;
using namespace zemor::analysis;
using namespace Qt::StringLiterals;
using data::FileId;
using runtime::ErrorCode;
using runtime::store::KeyedFile;

using zemor::test::Cell;

namespace {

constexpr int year = 2025;

// (opened definition, definition taken) pairs.
using Taken = QList<std::pair<int, int>>;

Cell term(int form, int table, int row, int column, int slot)
{
    return Cell{form, table, row, column, slot};
}

Cell month(int column, int snak, int mes)
{
    Cell c;
    c.column = column;
    c.slot = column;
    c.snak = snak;
    c.mes = mes;
    return c;
}

Cell step(int number, int target, int source, int condition = 0, int value = 0)
{
    Cell c;
    c.step = number;
    c.slot = target;
    c.column = source;
    c.form = condition;
    c.row = value;
    return c;
}

// "form.table.row:column>slot,..." per line, then "#number:target<source" per step.
QString describe(const IndicatorTerms &t)
{
    QStringList out;
    for (const IndicatorFormula &f : t.lines) {
        QStringList terms;
        for (const IndicatorTerm &x : f.terms)
            terms << u"%1>%2"_s.arg(x.column).arg(x.slot);
        out << u"%1.%2.%3:%4"_s.arg(f.form).arg(f.table).arg(f.sourceRow).arg(terms.join(u','));
    }
    for (const IndicatorStep &s : t.steps)
        out << u"#%1:%2<%3"_s.arg(s.number).arg(s.target).arg(s.source);
    return out.join(u'|');
}

// A definition record of the tables layout.
struct Definition
{
    qint32 id;
    int form;
    QString name;
    QString years; // TAB:NAMEL
    int kind = 0;
    int columns = 3;
    int type = 0;
};

QString namel(int first, int last, int successor = 0, const QString &xls = {})
{
    QString text = u"%1 %2 "_s.arg(first, 4).arg(last, 4);
    text += xls.rightJustified(15, u' ');
    text += u"    "_s;
    text += successor ? u"%1"_s.arg(successor, 5) : QString(5, u' ');
    return text;
}

} // namespace

class TestIndicatorFormulaFiles : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::IndicatorFixture> m_fx;

    QString path(const QString &name) const { return m_fx->path(name); }

    // Writes the keyed file `name` anew with one record per call of `fill`.
    bool write(const QString &name, FileId id, int count,
               const std::function<bool(KeyedFile &, int)> &fill)
    {
        return m_fx->write(name, id, count, fill);
    }

    bool writeCells(const QList<Cell> &cells) { return m_fx->cells(cells); }

    bool writeDefinitions(const QList<Definition> &defs)
    {
        return write(u"Tablp.DAT"_s, FileId::tabl, int(defs.size()), [&](KeyedFile &f, int i) {
            const Definition &d = defs[i];
            data::TablRecord r(f.record());
            r.setUnicodT(d.id);
            r.setName(d.name);
            r.setNameL(d.years);
            r.setType(quint8(d.type));
            return r.setCodForm(d.form).has_value() && r.setCodTabl(i + 1).has_value() &&
                   r.setSm(d.kind).has_value() && r.setA(d.columns).has_value();
        });
    }

    bool writeForms(const QList<std::pair<int, int>> &forms) // code, periodicity
    {
        return write(u"2025/Forma.DAT"_s, FileId::forma, int(forms.size()),
                     [&](KeyedFile &f, int i) {
                         data::FormaRecord r(f.record());
                         r.setTip(quint8(forms[i].second));
                         return r.setUnicod(forms[i].first).has_value();
                     });
    }

    bool writeText(const QString &name, const QList<QByteArray> &lines)
    {
        runtime::store::TextLineFile file;
        if (!file.create(path(name)))
            return false;
        for (const QByteArray &line : lines) {
            if (!file.writeLine(QByteArrayView(line)))
                return false;
        }
        return file.commit().has_value();
    }

    QStringList filesOnDisk() const
    {
        QStringList out;
        QDirIterator it(m_fx->root(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            out << it.next();
        out.sort();
        return out;
    }

private Q_SLOTS:
    void init()
    {
        m_fx = std::make_unique<test::IndicatorFixture>();
        QVERIFY(m_fx->isValid());
    }

    void cellLines_data()
    {
        QTest::addColumn<QList<Cell>>("cells");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("faults"); // "Проверте формулу" notices

        QTest::newRow("one row and form make one line, the first table counts")
            << QList<Cell>{term(62, 1, 5, 3, 1), term(62, 2, 5, 4, 2)} << u"62.1.5:3>1,4>2"_s << 0;
        QTest::newRow("another form starts a line for the same row")
            << QList<Cell>{term(62, 1, 5, 3, 1), term(63, 1, 5, 3, 2)} << u"62.1.5:3>1|63.1.5:3>2"_s
            << 0;
        QTest::newRow("a line of table 0 is dropped")
            << QList<Cell>{term(62, 0, 5, 3, 1), term(62, 1, 5, 4, 2), term(63, 1, 7, 1, 1)}
            << u"63.1.7:1>1"_s << 0;
        QTest::newRow("slot 0, slot 41 and column 0 are left out")
            << QList<Cell>{term(62, 1, 5, 0, 2), term(62, 1, 5, 3, 0), term(62, 1, 5, 4, 41),
                           term(62, 1, 5, 5, 3)}
            << u"62.1.5:5>3"_s << 3;
        QTest::newRow("columns above 35 and the population column are kept")
            << QList<Cell>{term(62, 1, 5, 36, 1), term(999, 1, 0, 99, 2)}
            << u"62.1.5:36>1|999.1.0:99>2"_s << 0;
        QTest::newRow("steps close the line; constant source 0 kept, slots out of range not")
            << QList<Cell>{term(62, 1, 5, 3, 1), step(1, 41, 1),         step(2, 0, 1),
                           step(3, 2, 0),        step(4, 2, 41),         step(5, 2, 1, 11, 41),
                           step(6, 2, 1, 5, 41), step(7, 40, 40, 11, 40)}
            << u"62.1.5:3>1|#3:2<0|#6:2<1|#7:40<40"_s << 4;
    }

    void cellLines()
    {
        QFETCH(QList<Cell>, cells);
        QFETCH(QString, expected);
        QFETCH(int, faults);
        QVERIFY(writeCells(cells));
        IndicatorDefinition d;
        d.id = 5;
        const auto terms = IndicatorFormulaFiles(year).loadIndicatorTerms(d, {3, 5});
        QVERIFY2(terms, qPrintable(terms ? QString() : terms.error().message));
        QCOMPARE(describe(*terms), expected);
        QCOMPARE(terms->notices.size(), faults);
        for (const FormulaNotice &n : terms->notices)
            QCOMPARE(n.message, u"Проверте формулу"_s);
    }

    // The 41st term of a row and form does not fit the line and starts a further one.
    void fortyFirstTermStartsALine()
    {
        QList<Cell> cells;
        for (int i = 1; i <= 41; ++i)
            cells << term(62, 1, 5, i, i <= 40 ? i : 1);
        QVERIFY(writeCells(cells));
        IndicatorDefinition d;
        d.id = 5;
        const auto terms = IndicatorFormulaFiles(year).loadIndicatorTerms(d, {1, 1});
        QVERIFY(terms);
        QCOMPARE(terms->lines.size(), 2);
        QCOMPARE(terms->lines[0].terms.size(), 40);
        QCOMPARE(terms->lines[1].terms.size(), 1);
        QCOMPARE(terms->lines[1].terms[0].column, 41);
        QCOMPARE(terms->lines[1].form, 62);
        QCOMPARE(terms->lines[1].sourceRow, 5);
    }

    void termMonths_data()
    {
        QTest::addColumn<QList<Cell>>("cells");
        QTest::addColumn<QList<int>>("months");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<bool>("monthOne");

        QTest::newRow("rule 20 takes January without widening")
            << QList<Cell>{month(1, 20, 0), month(2, 0, 0)} << QList<int>{1, 0} << 3 << 5 << true;
        QTest::newRow("an explicit month widens the period")
            << QList<Cell>{month(1, 0, 1), month(2, 0, 0)} << QList<int>{1, 0} << 1 << 5 << false;
        QTest::newRow("rule 21 takes the first month after the widening")
            << QList<Cell>{month(1, 0, 1), month(2, 21, 0)} << QList<int>{1, 1} << 1 << 5 << false;
        QTest::newRow("rule 22 takes the last month after the widening")
            << QList<Cell>{month(1, 0, 8), month(2, 22, 0)} << QList<int>{8, 8} << 3 << 8 << false;
    }

    void termMonths()
    {
        QFETCH(QList<Cell>, cells);
        QFETCH(QList<int>, months);
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(bool, monthOne);
        QVERIFY(writeCells(cells));
        IndicatorDefinition d;
        d.id = 5;
        const auto terms = IndicatorFormulaFiles(year).loadIndicatorTerms(d, {3, 5});
        QVERIFY(terms);
        QCOMPARE(terms->lines.size(), 1);
        QList<int> got;
        for (const IndicatorTerm &t : terms->lines[0].terms)
            got << t.month;
        QCOMPARE(got, months);
        QCOMPARE(terms->period, (MonthRange{first, last}));
        QCOMPARE(terms->monthOne, monthOne);
    }

    // Scope, population marks and the periodicity of each source form in the year's catalogue
    // (found under another spelling of its name; a form it lacks counts as annual).
    void lineDetails()
    {
        Cell scoped = term(62, 1, 5, 3, 1);
        scoped.hislo = 2.7;
        QVERIFY(writeCells(
            {scoped, term(63, 1, 5, 3, 1), term(999, 1, 0, 99, 7), term(999, 1, 3, 4, 9)}));
        QVERIFY(writeForms({{62, 1}, {999, 0}}));
        IndicatorDefinition d;
        d.id = 5;
        const auto terms = IndicatorFormulaFiles(year).loadIndicatorTerms(d, {1, 12});
        QVERIFY(terms);
        QCOMPARE(terms->lines.size(), 4);
        QCOMPARE(terms->lines[0].terms[0].scope, 2);
        QCOMPARE(terms->lines[0].formKind, 1);
        QCOMPARE(terms->lines[1].formKind, 0);
        QVERIFY(terms->lines[2].isPopulationLine());
        QVERIFY(!terms->lines[3].isPopulationLine());
        for (int slot = 1; slot <= resultSlotCount; ++slot)
            QCOMPARE(terms->isPopulationSlot(slot), slot == 7 || slot == 9);
    }

    // Cell records keep their definition in a SHORT: id 32773 would be -32763 there, which is
    // another definition's.
    void idAboveTheCellFieldHasNoTerms()
    {
        Cell other = term(62, 1, 5, 3, 1);
        other.id = qint16(-32763);
        Cell own = term(63, 1, 5, 3, 1);
        QVERIFY(writeCells({other, own}));
        IndicatorDefinition d;
        d.id = 32773;
        auto terms = IndicatorFormulaFiles(year).loadIndicatorTerms(d, {1, 1});
        QVERIFY(terms);
        QVERIFY(terms->isEmpty());
        d.id = 5;
        terms = IndicatorFormulaFiles(year).loadIndicatorTerms(d, {1, 1});
        QVERIFY(terms);
        QCOMPARE(describe(*terms), u"63.1.5:3>1"_s);
    }

    void definition()
    {
        QVERIFY(writeDefinitions(
            {{12, 62, QString(160, u'я'), namel(2015, 2017, 30, u"  i1.XLS"_s), 8, 55, 20},
             {13, 62, u"Без лет"_s, u"abcd"_s}}));
        const IndicatorFormulaFiles files(year);
        auto d = files.readDefinition(12);
        QVERIFY(d && *d);
        QCOMPARE((*d)->name, QString(150, u'я'));
        QCOMPARE((*d)->firstYear, 2015);
        QCOMPARE((*d)->lastYear, 2017);
        QCOMPARE((*d)->workbook, u"i1.XLS"_s);
        QCOMPARE((*d)->successor, 30);
        QCOMPARE((*d)->kind, 8);
        QCOMPARE((*d)->columns, 40);
        QCOMPARE((*d)->type, 20);
        d = files.readDefinition(13);
        QVERIFY(d && *d);
        QCOMPARE((*d)->firstYear, 0);
        QCOMPARE((*d)->successor, 0);
        d = files.readDefinition(14);
        QVERIFY(d && !*d);

        // The successor, and the message when it is missing.
        auto next = files.loadSuccessorDefinition(**files.readDefinition(12));
        QVERIFY(next);
        QVERIFY(next->definition.isEmpty());
        QCOMPARE(next->notice->message, u"Ошибка в конструкторе30"_s);
        IndicatorDefinition first;
        first.successor = 13;
        next = files.loadSuccessorDefinition(first);
        QVERIFY(next && !next->notice);
        QCOMPARE(next->definition.id, 13);
    }

    void definitionList_data()
    {
        QTest::addColumn<bool>("series");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QList<int>>("ids");
        // The definition opened and the one its run takes from the list (0: none of its chain).
        QTest::addColumn<Taken>("taken");

        QTest::newRow("valid for the year, by name")
            << false << 0 << 0 << QList<int>{4, 3} << Taken{{3, 3}, {4, 4}, {2, 0}};
        QTest::newRow("series leaves out successors")
            << true << 2010 << 2030 << QList<int>{4, 1, 3, 5}
            << Taken{{2, 1}, {7, 1}, {6, 5}, {3, 3}};
        QTest::newRow("series over years before")
            << true << 2010 << 2019 << QList<int>{1} << Taken{{2, 1}, {3, 0}};
    }

    void definitionList()
    {
        QFETCH(bool, series);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QList<int>, ids);
        QFETCH(Taken, taken);
        QVERIFY(writeDefinitions({
            {1, 62, u"Б"_s, namel(2010, 2024, 2)},
            {2, 62, u"А"_s, namel(2026, 2030, 7)}, // 1's successor
            {3, 62, u"В"_s, namel(2020, 2025)},
            {4, 62, u"А"_s, namel(2025, 2025)},
            {5, 62, u"Г"_s, namel(2028, 2030, 6)}, // 6's successor, but listed first
            {6, 62, u"Д"_s, namel(2029, 2030, 5)},
            {7, 62, u"Е"_s, namel(2031, 2032)},
            {8, 63, u"A"_s, namel(2000, 2040)},
        }));
        const IndicatorFormulaFiles files(year);
        const auto list = files.rebuildDefinitionList(62, series, from, to);
        QVERIFY(list);
        QList<int> got;
        for (const IndicatorDefinition &d : *list)
            got << d.id;
        QCOMPARE(got, ids);

        // Another indicator of the form is never taken for the one opened.
        for (const auto &[opened, expected] : taken) {
            const auto chosen = files.readDefinition(opened);
            QVERIFY(chosen && *chosen);
            const auto run = files.rebuildDefinitionFor(**chosen, series, from, to);
            QVERIFY(run);
            QCOMPARE(run->has_value() ? (*run)->id : 0, expected);
        }
    }

    void columnsAndPictures()
    {
        struct Col
        {
            int form, table, cod, width;
            QString format;
        };
        const QList<Col> cols{{62, 12, 1, 0, u""_s},      {62, 12, 2, 12, u"1n_9.2"_s},
                              {62, 12, 4, 5, u"@n_12"_s}, {62, 12, 5, 5, u"@n_12"_s},
                              {62, 13, 3, 5, u"@n_12"_s}, {63, 12, 3, 5, u"@n_12"_s}};
        QVERIFY(write(u"grafap.dat"_s, FileId::grafa, int(cols.size()), [&](KeyedFile &f, int i) {
            data::GrafaRecord r(f.record());
            r.setCod(quint8(cols[i].cod));
            r.setL(quint8(cols[i].width));
            r.setFormat(cols[i].format);
            r.setName(u"Графа %1"_s.arg(cols[i].cod));
            return r.setCodForm(cols[i].form).has_value() &&
                   r.setCodTabl(cols[i].table).has_value();
        }));
        IndicatorDefinition d;
        d.id = 12;
        d.form = 62;
        d.columns = 4;
        const IndicatorFormulaFiles files(year);
        const auto columns = files.readColumns(d);
        QVERIFY(columns);
        QCOMPARE(columns->size(), 3);
        QCOMPARE(columns->at(0).width, 9);
        QCOMPARE(columns->at(0).picture, u"@S15"_s);
        QCOMPARE(columns->at(1).picture, u"n_9.2"_s);
        QVERIFY(columns->at(1).adaptive);
        QCOMPARE(columns->at(2).number, 4);

        ColumnPictures before;
        before.pictures.fill(u"@n_8"_s);
        const auto pictures = files.loadColumnPictures(d, before);
        QVERIFY(pictures);
        QCOMPARE(pictures->pictures[0], u"@S15"_s);
        QCOMPARE(pictures->pictures[2], u"@n_8"_s); // no column 3: kept
        QCOMPARE(pictures->pictures[3], u"@n_12"_s);
        QCOMPARE(pictures->pictures[4], u"@n_8"_s); // column 5 lies beyond the 4 shown
        QVERIFY(pictures->adaptive[1] && !pictures->adaptive[0]);
    }

    void formulaRows_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QList<int>>("codes");

        QTest::newRow("kind 7: the listed rows only") << 7 << QList<int>{2500, 9};
        QTest::newRow("kind 8: the form's rows, then the listed")
            << 8 << QList<int>{31, 30, 2500, 9};
        QTest::newRow("kind 9: the form's rows") << 9 << QList<int>{31, 30};
    }

    void formulaRows()
    {
        QFETCH(int, kind);
        QFETCH(QList<int>, codes);
        struct Row
        {
            int id, form, table, number, population;
        };
        const QList<Row> rows{
            {30, 62, 1, 2, 4}, {31, 62, 1, 1, 3}, {32, 62, 2, 1, 0}, {33, 63, 1, 1, 0}};
        QVERIFY(
            write(u"2025/STROKA.dat"_s, FileId::stroka, int(rows.size()), [&](KeyedFile &f, int i) {
                data::StrokaRecord r(f.record());
                r.setUnicod(qint16(rows[i].id));
                r.setNumber(quint8(rows[i].number));
                r.setCodStr(QString::number(rows[i].id));
                r.setCodNas(quint8(rows[i].population));
                return r.setCodForm(rows[i].form).has_value() &&
                       r.setCodTabl(rows[i].table).has_value();
            }));
        QVERIFY(writeText(u"12.mds"_s, {QByteArray(" 2500  3 2.1   14  Сельские"),
                                        QByteArray("    9    9      "), QByteArray("     "),
                                        QByteArray("   10")}));
        IndicatorDefinition d;
        d.id = 12;
        d.form = 62;
        d.kind = kind;
        const auto result = IndicatorFormulaFiles(year).readFormulaRows(d, 1);
        QVERIFY(result);
        QList<int> got;
        for (const FormulaRow &r : result->rows)
            got << r.code;
        QCOMPARE(got, codes);
        if (kind == 8) {
            QCOMPARE(result->rows[0], (FormulaRow{31, 3, false}));
            QCOMPARE(result->rows[2], (FormulaRow{2500, 3, true}));
        }
    }

    // "<n>.MDV" is found under any spelling and read whole; damaged lines are named, skipped.
    void formulaText()
    {
        QVERIFY(writeText(u"12.mdv"_s, {QByteArray("   10  62     7  3  1   4 41 "),
                                        QByteArray("   11  62-    8  3  2 "),
                                        QByteArray("   10  61     2  5  3 ")}));
        const IndicatorFormulaFiles files(year);
        auto f = files.readIndicatorFormula(12, 10);
        QVERIFY(f);
        QCOMPARE(f->lines.size(), 1);
        QCOMPARE(f->lines[0].form, 61);
        QCOMPARE(f->notices.size(), 1);
        QCOMPARE(f->notices[0].message, u"Ошибка в 12.mdv"_s);
        QVERIFY(f->notices[0].detail.contains(u"строка 1"_s));
        f = files.readIndicatorFormula(12, std::nullopt);
        QVERIFY(f);
        QCOMPARE(f->lines.size(), 2);
        QVERIFY(f->lines[1].subtract);
        QCOMPARE(f->lines[1].sourceRow, 8);
        f = files.readIndicatorFormula(13, std::nullopt);
        QVERIFY(f && f->lines.isEmpty() && f->notices.isEmpty());
    }

    void listFormat()
    {
        QVERIFY(write(u"sapkip.TPS"_s, FileId::Sapki, 1, [&](KeyedFile &f, int) {
            data::SapkiRecord(f.record()).setUnicodT(12);
            f.textObject() = runtime::text::toCp1251(u"40L|_M~Район~@s20@   "_s);
            return true;
        }));
        const IndicatorFormulaFiles files(year);
        auto format = files.readListFormat(12);
        QVERIFY(format && *format);
        QCOMPARE(**format, u"40L|_M~Район~@s20@"_s);
        format = files.readListFormat(13);
        QVERIFY(format && !*format);
    }

    // Without any of the files everything reads empty, and nothing is created.
    void missingFilesReadEmpty()
    {
        const IndicatorFormulaFiles files(year);
        IndicatorDefinition d;
        d.id = 12;
        d.form = 62;
        d.kind = 8;
        d.columns = 3;
        QVERIFY(files.readDefinition(12).value() == std::nullopt);
        QVERIFY(files.rebuildDefinitionList(62, true, 2000, 2030).value().isEmpty());
        QVERIFY(files.loadIndicatorTerms(d, {1, 1}).value().isEmpty());
        QVERIFY(files.readColumns(d).value().isEmpty());
        QVERIFY(files.readFormulaRows(d, 1).value().rows.isEmpty());
        QVERIFY(files.readIndicatorFormula(12, std::nullopt).value().lines.isEmpty());
        QVERIFY(!files.readListFormat(12).value());
        QVERIFY(writeCells({term(62, 1, 5, 3, 1)})); // the year's catalogue is missing
        QCOMPARE(files.loadIndicatorTerms(d, {1, 1}).value().lines.value(0).formKind, 0);
        QCOMPARE(filesOnDisk(), QStringList{path(u"POKAS.dat"_s)});
    }

    // A damaged file is named with the reason, and the reading leaves every file as it was.
    void damagedFiles_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("where");
        QTest::addColumn<int>("code");

        QTest::newRow("definitions not a keyed file")
            << u"tabl-garbage"_s << u"TablP.dat"_s << int(ErrorCode::DamagedFile);
        QTest::newRow("definitions of another layout")
            << u"tabl-layout"_s << u"TablP.dat"_s << int(ErrorCode::LayoutMismatch);
        QTest::newRow("definition with an undecodable number")
            << u"tabl-decimal"_s << u"TablP.dat"_s << int(ErrorCode::InvalidData);
        QTest::newRow("cells not a keyed file")
            << u"pokas-garbage"_s << u"POKAS"_s << int(ErrorCode::DamagedFile);
        QTest::newRow("cell with an undecodable table")
            << u"pokas-decimal"_s << u"POKAS"_s << int(ErrorCode::InvalidData);
        QTest::newRow("cell whose factor is not a number")
            << u"pokas-real"_s << u"POKAS"_s << int(ErrorCode::InvalidData);
        QTest::newRow("year catalogue damaged")
            << u"forma-garbage"_s << u"2025\\forma.dat"_s << int(ErrorCode::DamagedFile);
    }

    void damagedFiles()
    {
        QFETCH(QString, damage);
        QFETCH(QString, where);
        QFETCH(int, code);
        auto garbage = [&](const QString &name) {
            QDir().mkpath(QFileInfo(path(name)).path());
            QFile f(path(name));
            return f.open(QIODevice::WriteOnly) && f.write(QByteArray(4096, 'x')) == 4096;
        };
        // Breaks the packed decimal at `offset` of the only record of a file, behind its keys.
        auto breakDecimal = [&](const QString &name, FileId id, int offset) {
            KeyedFile f(data::declaration(id).layout);
            if (!f.open(path(name)) || !f.setPhysical() || !f.next())
                return false;
            f.record()[offset] = char(0xAA);
            return f.put().has_value();
        };
        const Definition def{12, 62, u"Показатель"_s, namel(2020, 2030), 0, 3};
        Cell cell = term(62, 1, 5, 3, 1);
        cell.id = 12;
        if (damage == u"tabl-garbage"_s) {
            QVERIFY(garbage(u"TablP.dat"_s));
        } else if (damage == u"tabl-layout"_s) {
            QVERIFY(write(u"TablP.dat"_s, FileId::grafa, 0, {}));
        } else if (damage == u"tabl-decimal"_s) {
            QVERIFY(writeDefinitions({def}));
            QVERIFY(breakDecimal(u"Tablp.DAT"_s, FileId::tabl, 280)); // TAB:A
        } else if (damage == u"pokas-garbage"_s) {
            QVERIFY(writeDefinitions({def}));
            QVERIFY(garbage(u"POKAS.DAT"_s));
        } else if (damage == u"pokas-decimal"_s) {
            QVERIFY(writeDefinitions({def}));
            QVERIFY(writeCells({cell}));
            QVERIFY(breakDecimal(u"POKAS.dat"_s, FileId::Pokas, 8)); // POK:CODTABL
        } else if (damage == u"pokas-real"_s) {
            QVERIFY(writeDefinitions({def}));
            cell.hislo = std::numeric_limits<double>::quiet_NaN();
            QVERIFY(writeCells({cell}));
        } else if (damage == u"forma-garbage"_s) {
            QVERIFY(writeDefinitions({def}));
            QVERIFY(writeCells({cell}));
            QVERIFY(garbage(u"2025/forma.dat"_s));
        }
        const QStringList before = filesOnDisk();
        QHash<QString, QByteArray> contents;
        for (const QString &file : before) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::ReadOnly));
            contents.insert(file, f.readAll());
        }

        const IndicatorFormulaFiles files(year);
        runtime::Error error;
        if (auto d = files.readDefinition(12); !d) {
            error = d.error();
        } else {
            QVERIFY(*d);
            auto terms = files.loadIndicatorTerms(**d, {1, 12});
            QVERIFY(!terms);
            error = terms.error();
        }
        QCOMPARE(error.where, where);
        QCOMPARE(int(error.code), code);
        QVERIFY(!error.message.isEmpty());

        QCOMPARE(filesOnDisk(), before);
        for (const QString &file : before) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), contents.value(file));
        }
    }
};

QTEST_GUILESS_MAIN(TestIndicatorFormulaFiles)
#include "test_indicatorformulafiles.moc"
