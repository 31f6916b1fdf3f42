#include "analysis/indicators/IndicatorFormulaFiles.h"

#include "data/Dictionary.h"
#include "data/ExistingFile.h"
#include "data/ReadInside.h"
#include "data/RecordFields.h"
#include "data/records/FormaRecord.h"
#include "data/records/GrafaRecord.h"
#include "data/records/PokasRecord.h"
#include "data/records/SapkiRecord.h"
#include "data/records/StrokaRecord.h"
#include "data/records/TablRecord.h"
#include "runtime/fs/Paths.h"
#include "runtime/store/KeyedFile.h"
#include "runtime/store/Scan.h"
#include "runtime/store/TextLineFile.h"
#include "runtime/text/Cp1251.h"

#include <QFileInfo>
#include <QHash>

#include <cmath>
#include <limits>
#include <memory>

namespace zemor::analysis {

using namespace Qt::StringLiterals;

using data::FileId;
using runtime::Error;
using runtime::ErrorCode;
using runtime::Result;
using runtime::Status;
using runtime::store::KeyedFile;

namespace {

// The error as the caller reports it: `where` is the file's name as the program writes it; the
// place on disk (or the key) the failure named stays in the message.
std::unexpected<Error> named(Error error, const QString &name)
{
    if (error.message.isEmpty())
        error.message = runtime::errorText(error.code);
    if (!error.where.isEmpty() && error.where != name && !error.message.contains(error.where))
        error.message += u" ("_s + error.where + u")"_s;
    error.where = name;
    return std::unexpected(std::move(error));
}

// Every packed decimal of the record in the buffer decodes.
Status checkRecord(KeyedFile &file, const QString &name)
{
    if (Status s = data::checkDecimals(file.layout(), file.record()); !s)
        return named(s.error(), name);
    return {};
}

// Walks a key range of `file`, which is read as `name`, inside one read transaction. A failure
// of the file itself is named after it; a failure that `take` returns is passed on as it is (it
// names its own file). `take` returns a Result<bool>: false ends the walk early.
template <class Take>
Status walkRange(KeyedFile &file, const QString &name, int key, int components, Take take)
{
    std::optional<Error> taken;
    const Status s = data::readInside(file, [&] {
        return runtime::store::scan(file, key, components, [&]() -> Result<bool> {
            Result<bool> r = take();
            if (!r)
                taken = r.error();
            return r;
        });
    });
    if (taken)
        return std::unexpected(*taken);
    if (!s)
        return named(s.error(), name);
    return {};
}

// Reads the text file `name` of the working directory whole; no lines when it does not exist.
Result<QList<QByteArray>> readTextFile(const QString &name)
{
    const auto path = runtime::fs::resolve(name);
    if (!path)
        return named(path.error(), name);
    if (!QFileInfo::exists(*path))
        return QList<QByteArray>();
    auto lines = runtime::store::TextLineFile::readLines(*path);
    if (!lines) {
        if (lines.error().code == ErrorCode::FileNotFound)
            return QList<QByteArray>();
        return named(lines.error(), name);
    }
    return *lines;
}

QString recordDetail(const data::PokasRecord &r)
{
    return u"POKAS: показатель %1, форма %2, таблица %3, строка %4, графа %5, слот %6, шаг %7"_s
        .arg(r.unicodP())
        .arg(r.codForm())
        .arg(r.codTabl())
        .arg(r.unicodStr())
        .arg(r.codGr())
        .arg(r.codGrP())
        .arg(r.num());
}

// Builds formula lines and steps from the cell records of one definition, in key order.
class TermAssembler
{
public:
    TermAssembler(IndicatorTerms &out, std::function<Result<int>(int)> formKind)
        : m_out(out), m_formKind(std::move(formKind))
    {
    }

    Status take(const data::PokasRecord &r)
    {
        if (r.num() > 0) {
            closeLine();
            return takeStep(r);
        }
        return takeTerm(r);
    }

    void finish() { closeLine(); }

private:
    void closeLine()
    {
        if (m_pending && m_pending->table > 0)
            m_out.lines.append(*m_pending);
        m_pending.reset();
    }

    void fault(const data::PokasRecord &r)
    {
        m_out.notices.append({IndicatorFormulaFiles::formulaFaultMessage(), recordDetail(r)});
    }

    Status takeStep(const data::PokasRecord &r)
    {
        IndicatorStep step;
        step.number = r.num();
        step.target = r.codGrP();
        step.operation = r.snak();
        step.source = r.codGr();
        step.constant = r.hislo();
        step.condition = int(r.codForm());
        step.value = r.unicodStr();
        // The value names a slot when the condition is above 10 and the value above 0.
        const bool valueIsSlot = step.condition > 10 && step.value > 0;
        if (!isResultSlot(step.target) || step.source > resultSlotCount ||
            (valueIsSlot && step.value > resultSlotCount)) {
            fault(r);
            return {};
        }
        m_out.steps.append(step);
        return {};
    }

    Status takeTerm(const data::PokasRecord &r)
    {
        const int form = int(r.codForm());
        const int row = r.unicodStr();
        IndicatorTerm term;
        term.column = r.codGr();
        term.slot = r.codGrP();
        // A slot of 0 or a column of 0 would end the line's terms, a slot above 40 lies
        // beyond the result row: such a term is left out, not stored.
        if (!isResultSlot(term.slot) || term.column == 0) {
            fault(r);
            return {};
        }
        if (form == populationForm)
            m_out.populationMarks[size_t(term.slot - 1)] = true;

        const double whole = std::trunc(r.hislo());
        term.scope = whole >= 0 && whole <= 255 ? int(whole) : 0;
        MonthRange &period = m_out.period;
        switch (r.snak()) {
        case 20:
            term.month = 1;
            m_out.monthOne = true;
            break;
        case 21:
            term.month = period.first;
            break;
        case 22:
            term.month = period.last;
            break;
        default:
            term.month = r.mes();
            if (term.month > 0) {
                if (term.month < period.first)
                    period.first = term.month;
                if (term.month > period.last)
                    period.last = term.month;
            }
        }

        if (m_pending && m_pending->form == form && m_pending->sourceRow == row &&
            m_pending->terms.size() < maxFormulaTerms) {
            m_pending->terms.append(term);
            return {};
        }
        closeLine();
        IndicatorFormula line;
        line.form = form;
        line.table = int(r.codTabl());
        line.sourceRow = row;
        auto kind = m_formKind(form);
        if (!kind)
            return std::unexpected(kind.error());
        line.formKind = *kind;
        line.terms.append(term);
        m_pending = line;
        return {};
    }

    IndicatorTerms &m_out;
    std::function<Result<int>(int)> m_formKind;
    std::optional<IndicatorFormula> m_pending;
};

} // namespace

QString IndicatorFormulaFiles::formulaFaultMessage()
{
    return u"Проверте формулу"_s;
}

QString IndicatorFormulaFiles::successorMissingMessage(qint32 successor)
{
    return u"Ошибка в конструкторе"_s + QString::number(successor);
}

QString IndicatorFormulaFiles::formaFileName() const
{
    return u"%1\\forma.dat"_s.arg(m_year, 4, 10, QChar(u'0'));
}

QString IndicatorFormulaFiles::strokaFileName() const
{
    return u"%1\\stroka.dat"_s.arg(m_year, 4, 10, QChar(u'0'));
}

Result<std::optional<IndicatorDefinition>> IndicatorFormulaFiles::readDefinition(qint32 id) const
{
    const QString name = tablFileName();
    auto file = data::openExisting(name, FileId::tabl);
    if (!file)
        return named(file.error(), name);
    if (!*file)
        return std::optional<IndicatorDefinition>();
    KeyedFile &tabl = **file;
    data::TablRecord record(tabl.record());
    record.clear();
    record.setUnicodT(id);
    const Result<bool> found = runtime::store::find(tabl, data::TablRecord::KeyUnicodT);
    if (!found)
        return named(found.error(), name);
    if (!*found)
        return std::optional<IndicatorDefinition>();
    if (Status s = checkRecord(tabl, name); !s)
        return std::unexpected(s.error());
    return std::optional<IndicatorDefinition>(IndicatorDefinition::fromRecord(record));
}

Result<SuccessorDefinition>
IndicatorFormulaFiles::loadSuccessorDefinition(const IndicatorDefinition &current) const
{
    SuccessorDefinition out;
    std::optional<IndicatorDefinition> next;
    if (current.successor != 0) {
        auto read = readDefinition(current.successor);
        if (!read)
            return std::unexpected(read.error());
        next = *read;
    }
    if (next) {
        out.definition = *next;
    } else {
        out.notice = FormulaNotice{successorMissingMessage(current.successor),
                                   u"%1: нет показателя %2, следующего за %3"_s.arg(tablFileName())
                                       .arg(current.successor)
                                       .arg(current.id)};
    }
    return out;
}

Result<QList<IndicatorDefinition>>
IndicatorFormulaFiles::rebuildDefinitionList(int form, bool series, int from, int to) const
{
    auto candidates = readFormDefinitions(form);
    if (!candidates)
        return std::unexpected(candidates.error());
    return arrangeDefinitionList(*candidates, series, from, to, m_year);
}

Result<std::optional<IndicatorDefinition>>
IndicatorFormulaFiles::rebuildDefinitionFor(const IndicatorDefinition &chosen, bool series,
                                            int from, int to) const
{
    auto candidates = readFormDefinitions(chosen.form);
    if (!candidates)
        return std::unexpected(candidates.error());
    return definitionOfChain(arrangeDefinitionList(*candidates, series, from, to, m_year),
                             *candidates, chosen);
}

Result<QList<IndicatorDefinition>> IndicatorFormulaFiles::readFormDefinitions(int form) const
{
    const QString name = tablFileName();
    auto file = data::openExisting(name, FileId::tabl);
    if (!file)
        return named(file.error(), name);
    QList<IndicatorDefinition> candidates;
    if (*file) {
        KeyedFile &tabl = **file;
        data::TablRecord record(tabl.record());
        record.clear();
        if (!record.setCodForm(form))
            return QList<IndicatorDefinition>(); // no stored form has that code
        const Status s = walkRange(tabl, name, data::TablRecord::KeyTab1, 1, [&]() -> Result<bool> {
            if (Status c = checkRecord(tabl, name); !c)
                return std::unexpected(c.error());
            candidates.append(IndicatorDefinition::fromRecord(record));
            return true;
        });
        if (!s)
            return std::unexpected(s.error());
    }
    return candidates;
}

Result<QList<IndicatorDefinition>>
IndicatorFormulaFiles::readIndicatorList(std::optional<int> form) const
{
    const QString name = tablFileName();
    auto file = data::openExisting(name, FileId::tabl);
    if (!file)
        return named(file.error(), name);
    QList<IndicatorDefinition> listed;
    if (!*file)
        return listed;
    KeyedFile &tabl = **file;
    data::TablRecord record(tabl.record());
    record.clear();
    if (form && !record.setCodForm(*form))
        return listed; // no stored form has that code
    const Status s =
        walkRange(tabl, name, data::TablRecord::KeyTab1, form ? 1 : -1, [&]() -> Result<bool> {
            if (Status c = checkRecord(tabl, name); !c)
                return std::unexpected(c.error());
            IndicatorDefinition d = IndicatorDefinition::fromRecord(record);
            if (d.isValidIn(m_year))
                listed.append(std::move(d));
            return true;
        });
    if (!s)
        return std::unexpected(s.error());
    return listed;
}

Result<IndicatorTerms>
IndicatorFormulaFiles::loadIndicatorTerms(const IndicatorDefinition &definition,
                                          MonthRange period) const
{
    IndicatorTerms out;
    out.period = period;
    // The cells keep their definition's id in a SHORT: an id beyond it has no cells, and must
    // never be cut down to the id of another definition.
    if (definition.id < std::numeric_limits<qint16>::min() ||
        definition.id > std::numeric_limits<qint16>::max())
        return out;

    const QString name = pokasFileName();
    auto file = data::openExisting(name, FileId::Pokas);
    if (!file)
        return named(file.error(), name);
    if (!*file)
        return out;
    KeyedFile &pokas = **file;

    // The year's catalogue, opened when the first line needs a form's periodicity.
    std::unique_ptr<KeyedFile> forma;
    bool formaTried = false;
    QHash<int, int> kinds;
    const QString formaName = formaFileName();
    auto formKind = [&](int form) -> Result<int> {
        if (const auto it = kinds.constFind(form); it != kinds.constEnd())
            return *it;
        if (!formaTried) {
            formaTried = true;
            auto opened = data::openExisting(formaName, FileId::forma);
            if (!opened)
                return named(opened.error(), formaName);
            forma = std::move(*opened);
        }
        int kind = 0;
        if (forma) {
            data::FormaRecord record(forma->record());
            record.clear();
            if (record.setUnicod(form)) {
                const Result<bool> found =
                    runtime::store::find(*forma, data::FormaRecord::KeyUnicod);
                if (!found)
                    return named(found.error(), formaName);
                if (*found)
                    kind = record.tip();
            }
        }
        kinds.insert(form, kind);
        return kind;
    };

    TermAssembler assembler(out, formKind);
    data::PokasRecord record(pokas.record());
    record.clear();
    record.setUnicodP(qint16(definition.id));
    const Status s =
        walkRange(pokas, name, data::PokasRecord::KeyUnicodP, 1, [&]() -> Result<bool> {
            if (Status c = checkRecord(pokas, name); !c)
                return std::unexpected(c.error());
            if (!std::isfinite(record.hislo()))
                return runtime::fail(ErrorCode::InvalidData, name,
                                     u"POK:HISLO не число (%1)"_s.arg(recordDetail(record)));
            if (Status t = assembler.take(record); !t)
                return std::unexpected(t.error());
            return true;
        });
    if (!s)
        return std::unexpected(s.error());
    assembler.finish();
    return out;
}

Result<MdvFormula> IndicatorFormulaFiles::readIndicatorFormula(qint32 id,
                                                               std::optional<int> chosenRow) const
{
    auto lines = readTextFile(FormulaText::mdvFileName(id));
    if (!lines)
        return std::unexpected(lines.error());
    MdvFormula out = FormulaText::parseMdv(*lines, id, chosenRow);
    FormulaText::sortMdv(out.lines);
    return out;
}

Result<FormulaRowFile> IndicatorFormulaFiles::readFormulaRowLines(qint32 id) const
{
    auto lines = readTextFile(FormulaText::mdsFileName(id));
    if (!lines)
        return std::unexpected(lines.error());
    return FormulaText::parseMds(*lines, id);
}

Result<FormulaRows> IndicatorFormulaFiles::readFormulaRows(const IndicatorDefinition &definition,
                                                           int table) const
{
    FormulaRows out;
    if (definition.takesFormRows()) {
        const QString name = strokaFileName();
        auto file = data::openExisting(name, FileId::stroka);
        if (!file)
            return named(file.error(), name);
        if (*file) {
            KeyedFile &stroka = **file;
            data::StrokaRecord record(stroka.record());
            record.clear();
            if (record.setCodForm(definition.form) && record.setCodTabl(table)) {
                record.setNumber(1);
                const Status s = walkRange(
                    stroka, name, data::StrokaRecord::KeyStrNum, 2, [&]() -> Result<bool> {
                        if (Status c = checkRecord(stroka, name); !c)
                            return std::unexpected(c.error());
                        out.rows.append({record.unicod(), record.codNas(), false});
                        return true;
                    });
                if (!s)
                    return std::unexpected(s.error());
            }
        }
    }
    if (definition.takesListedRows()) {
        auto listed = readFormulaRowLines(definition.id);
        if (!listed)
            return std::unexpected(listed.error());
        for (const FormulaRowLine &line : listed->lines)
            out.rows.append({line.code, line.populationColumn, true});
        out.notices = listed->notices;
    }
    return out;
}

Result<QList<IndicatorColumn>>
IndicatorFormulaFiles::readColumns(const IndicatorDefinition &definition) const
{
    QList<IndicatorColumn> columns;
    const QString name = grafaFileName();
    auto file = data::openExisting(name, FileId::grafa);
    if (!file)
        return named(file.error(), name);
    if (!*file)
        return columns;
    KeyedFile &grafa = **file;
    data::GrafaRecord record(grafa.record());
    record.clear();
    // A definition id beyond what the column records hold has no columns.
    if (!record.setCodForm(definition.form) || !record.setCodTabl(definition.id))
        return columns;
    const int last = definition.columns;
    const Status s = walkRange(grafa, name, data::GrafaRecord::KeyGra1, 2, [&]() -> Result<bool> {
        if (Status c = checkRecord(grafa, name); !c)
            return std::unexpected(c.error());
        if (record.cod() > last)
            return false; // the columns shown end here
        if (record.cod() >= 1)
            columns.append(IndicatorColumn::fromRecord(record));
        return true;
    });
    if (!s)
        return std::unexpected(s.error());
    return columns;
}

Result<ColumnPictures>
IndicatorFormulaFiles::loadColumnPictures(const IndicatorDefinition &definition,
                                          ColumnPictures pictures) const
{
    auto columns = readColumns(definition);
    if (!columns)
        return std::unexpected(columns.error());
    pictures.apply(*columns);
    return pictures;
}

Result<std::optional<QString>> IndicatorFormulaFiles::readListFormat(qint32 id) const
{
    const QString name = sapkiFileName();
    auto file = data::openExisting(name, FileId::Sapki);
    if (!file)
        return named(file.error(), name);
    if (!*file)
        return std::optional<QString>();
    KeyedFile &sapki = **file;
    data::SapkiRecord record(sapki.record());
    record.clear();
    record.setUnicodT(id);
    const Result<bool> found = runtime::store::find(sapki, data::SapkiRecord::KeyIdTab);
    if (!found)
        return named(found.error(), name);
    if (!*found)
        return std::optional<QString>();
    QString text = runtime::text::fromCp1251(sapki.textObject());
    while (!text.isEmpty() && (text.endsWith(u' ') || text.endsWith(QChar(0))))
        text.chop(1);
    return std::optional<QString>(text);
}

} // namespace zemor::analysis
