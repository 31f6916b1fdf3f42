#include "analysis/indicators/FormulaText.h"

#include "runtime/text/Cp1251.h"

#include <algorithm>

namespace zemor::analysis {

using namespace Qt::StringLiterals;

namespace {

// Characters `from` .. `from + count - 1` (1-based) of a line read up to its 250th character,
// padded with blanks where the line is shorter.
QByteArray field(const QByteArray &line, int from, int count)
{
    const qsizetype end = std::min<qsizetype>(line.size(), formulaLineLength);
    QByteArray out(count, ' ');
    for (int k = 0; k < count; ++k) {
        const qsizetype at = from - 1 + k;
        if (at < end)
            out[k] = line[at];
    }
    return out;
}

bool isBlank(const QByteArray &text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' '; });
}

// A number with blanks around it; blank reads 0. nullopt when the field holds anything else.
std::optional<int> number(const QByteArray &text)
{
    const QByteArray digits = text.trimmed();
    if (digits.isEmpty())
        return 0;
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return digits.toInt();
}

QString lineDetail(const QString &file, int lineNumber, const QString &why)
{
    return u"%1, строка %2: %3"_s.arg(file).arg(lineNumber).arg(why);
}

} // namespace

QString FormulaText::mdvFileName(qint32 id)
{
    return QString::number(id) + u".MDV"_s;
}

QString FormulaText::mdsFileName(qint32 id)
{
    return QString::number(id) + u".MDS"_s;
}

QString FormulaText::mdvErrorMessage(qint32 id)
{
    return u"Ошибка в "_s + QString::number(id) + u".mdv"_s;
}

QString FormulaText::mdsErrorMessage(qint32 id)
{
    return u"Ошибка в "_s + QString::number(id) + u".mds"_s;
}

MdvFormula FormulaText::parseMdv(const QList<QByteArray> &lines, qint32 id,
                                 std::optional<int> chosenRow)
{
    MdvFormula out;
    const QString file = mdvFileName(id);
    std::optional<int> previousForm; // none before the first line, or after an unreadable form
    for (int n = 0; n < lines.size(); ++n) {
        const QByteArray &line = lines[n];
        const QByteArray rowField = field(line, 1, 5);
        if (isBlank(rowField))
            break;

        QString damage;
        const QByteArray formField = field(line, 6, 4);
        std::optional<int> form;
        if (isBlank(formField)) {
            form = previousForm;
            if (!form)
                damage = u"нет формы: столбцы 6-9 пусты, а формы строки выше нет"_s;
        } else {
            form = number(formField);
            if (!form)
                damage = u"код формы не число"_s;
            else if (*form < 1 || *form > 999)
                damage = u"форма %1 вне 1..999"_s.arg(*form);
            previousForm = damage.isEmpty() ? form : std::nullopt;
        }

        const std::optional<int> resultRow = number(rowField);
        if (!resultRow) {
            damage = u"код строки не число"_s;
        } else if (chosenRow && *resultRow != *chosenRow) {
            continue; // a line of another row; its form still carries over
        }
        const std::optional<int> sourceRow = number(field(line, 11, 5));
        if (damage.isEmpty() && !sourceRow)
            damage = u"строка-источник не число"_s;

        IndicatorFormula f;
        if (damage.isEmpty()) {
            f.form = *form;
            f.resultRow = *resultRow;
            f.sourceRow = *sourceRow;
            f.subtract = field(line, 10, 1) == "-";
        }
        for (int i = 1; damage.isEmpty() && i <= maxMdvTerms; ++i) {
            const int at = 7 * i + 9;
            const QByteArray head = field(line, at, 4);
            if (std::all_of(head.begin(), head.end(), [](char c) { return c == ' ' || c == '0'; }))
                break;
            const std::optional<int> column = number(field(line, at, 3));
            const std::optional<int> slot = number(field(line, at + 3, 3));
            if (!column || !slot) {
                damage = u"слагаемое %1 не число"_s.arg(i);
            } else if (*column == 0) {
                break;
            } else if (!isResultSlot(*slot)) {
                damage = u"слагаемое %1: слот %2 вне 1..40"_s.arg(i).arg(*slot);
            } else {
                f.terms.append(IndicatorTerm{*column, *slot, 0, 0});
            }
        }
        if (!damage.isEmpty()) {
            out.notices.append({mdvErrorMessage(id), lineDetail(file, n + 1, damage)});
            continue;
        }
        out.lines.append(f);
    }
    return out;
}

void FormulaText::sortMdv(QList<IndicatorFormula> &lines)
{
    std::stable_sort(lines.begin(), lines.end(),
                     [](const IndicatorFormula &a, const IndicatorFormula &b) {
                         if (a.form != b.form)
                             return a.form < b.form;
                         return a.sourceRow < b.sourceRow;
                     });
}

FormulaRowFile FormulaText::parseMds(const QList<QByteArray> &lines, qint32 id)
{
    FormulaRowFile out;
    const QString file = mdsFileName(id);
    for (int n = 0; n < lines.size(); ++n) {
        const QByteArray &line = lines[n];
        const QByteArray codeField = field(line, 1, 5);
        if (isBlank(codeField))
            break;
        const std::optional<int> code = number(codeField);
        const std::optional<int> population = number(field(line, 7, 2));
        const QByteArray orderField = field(line, 15, 3);
        const std::optional<int> order = number(orderField);
        QString damage;
        if (!code)
            damage = u"код строки не число"_s;
        else if (!population)
            damage = u"столбец населения не число"_s;
        else if (!order)
            damage = u"порядок не число"_s;
        if (!damage.isEmpty()) {
            out.notices.append({mdsErrorMessage(id), lineDetail(file, n + 1, damage)});
            continue;
        }
        FormulaRowLine row;
        row.code = *code;
        row.populationColumn = *population;
        row.codeText = runtime::text::fromCp1251(field(line, 10, 5)).trimmed();
        if (!isBlank(orderField))
            row.order = *order;
        QString name = runtime::text::fromCp1251(field(line, 20, 200));
        while (name.endsWith(u' '))
            name.chop(1);
        row.name = name; // leading blanks indent a name
        out.lines.append(row);
    }
    return out;
}

} // namespace zemor::analysis
