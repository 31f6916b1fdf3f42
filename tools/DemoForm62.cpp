#include "tools/DemoForm62.h"

#include "runtime/fs/Paths.h"
#include "runtime/store/TextLineFile.h"
#include "tools/DemoCatalogue.h"

#include <QDir>
#include <QStringList>

namespace zemor::tools {

namespace {

using namespace Qt::StringLiterals;

DemoRow row(int id, const QString &code, const QString &name, const QString &shortName)
{
    return {id, code, name, shortName, QString(), QString()};
}

// Columns numbered from `first`, one per name.
QList<DemoColumn> columns(int first, const QStringList &names, const QString &picture)
{
    QList<DemoColumn> list;
    for (int i = 0; i < names.size(); ++i)
        list.append({first + i, names[i], names[i].left(12), picture, 0});
    return list;
}

// The parts of the wide federal table: code, name, number of columns.
struct WidePart
{
    int code;
    QString name;
    int columns;
};

QList<WidePart> wideParts()
{
    return {{8000, u"Работа медицинской организации: посещения"_s, 14},
            {8001, u"Работа медицинской организации: посещения на дому"_s, 14},
            {8002, u"Работа медицинской организации: обращения"_s, 14},
            {8003, u"Работа медицинской организации: обращения по видам помощи"_s, 28},
            {8004, u"Работа медицинской организации: дневной стационар"_s, 14},
            {8005, u"Работа медицинской организации: круглосуточный стационар"_s, 14},
            {8006, u"Работа медицинской организации: скорая помощь"_s, 14}};
}

// Fields of one federal line for each part of table 8000, in order.
int wideFields(int code)
{
    return code == 8003 ? 26 : 13;
}

QString number(qint64 hundredths)
{
    // The portal's spreadsheet writes a decimal comma and no trailing zeros.
    const qint64 whole = hundredths / 100;
    const qint64 part = hundredths % 100;
    if (part == 0)
        return QString::number(whole);
    if (part % 10 == 0)
        return u"%1,%2"_s.arg(whole).arg(part / 10);
    return u"%1,%2"_s.arg(whole).arg(part, 2, 10, QLatin1Char('0'));
}

// A sample value in hundredths: some values are 0, some carry decimals.
qint64 sample(int inst, int table, int rowNumber, int column, bool decimals)
{
    const qint64 seed = qint64(inst) * 31 + table / 7 + rowNumber * 17 + column * 11;
    if (seed % 9 == 0)
        return 0;
    const qint64 whole = seed % 97 + 1;
    return decimals ? whole * 100 + (seed % 4) * 25 : whole * 100;
}

QString quoted(const QString &text)
{
    if (!text.contains(u';') && !text.contains(u'"'))
        return text;
    QString doubled = text;
    doubled.replace(u"\""_s, u"\"\""_s);
    return u'"' + doubled + u'"';
}

QString headerNumbers(int fields)
{
    QString line;
    for (int f = 1; f <= std::max(fields, 7); ++f)
        line += QString::number(f) + u';';
    return line;
}

QStringList tableFile(const DemoForm &form, const DemoTable &table, int inst)
{
    QStringList lines;
    lines.append(u"Форма N 62. "_s + form.name);
    lines.append(u"(%1) %2"_s.arg(table.code).arg(table.name));
    if (table.code == 8000) {
        QStringList heading{u"Наименование"_s, u"N строки"_s};
        for (const WidePart &part : wideParts()) {
            for (int c = 1; c <= wideFields(part.code); ++c)
                heading.append(u"%1 гр.%2"_s.arg(part.code).arg(c + 2));
        }
        lines.append(heading.join(u';'));
        lines.append(headerNumbers(int(heading.size())));
        for (int n = 1; n <= table.rows.size(); ++n) {
            QStringList fields{quoted(table.rows[n - 1].name), table.rows[n - 1].code};
            for (const WidePart &part : wideParts()) {
                for (int c = 1; c <= wideFields(part.code); ++c)
                    fields.append(number(sample(inst, part.code, n, c, false)));
            }
            lines.append(fields.join(u';'));
        }
        // Visits at home to patients in a remote settlement: a number at a fixed place.
        QString visits = u"(8030) Из общего числа посещений на дому - к пациентам отдаленных "
                         u"населенных пунктов"_s;
        visits = visits.leftJustified(234, u' ');
        lines.append(visits + QString::number(inst % 40 + 12) + u';');
        return lines;
    }
    QStringList heading{u"Наименование"_s, u"N строки"_s};
    for (const DemoColumn &column : table.columns)
        heading.append(quoted(column.name));
    lines.append(heading.join(u';'));
    lines.append(headerNumbers(int(heading.size())));
    const bool decimals = table.code == 1000 || table.code == 9000;
    for (int n = 1; n <= table.rows.size(); ++n) {
        QStringList fields{quoted(table.rows[n - 1].name), table.rows[n - 1].code};
        for (int c = 1; c <= table.valueCount(); ++c)
            fields.append(number(sample(inst, table.code, n, c, decimals)));
        lines.append(fields.join(u';'));
    }
    return lines;
}

} // namespace

void DemoForm62::extend(DemoForm &form)
{
    for (DemoTable &table : form.tables) {
        if (table.code != 1000)
            continue;
        table.columns.append({4, u"Внешние совместители"_s, u"совместители"_s, u"@n_8"_s, 0});
        table.columns.append({5, u"Вакантные должности"_s, u"вакантные"_s, u"@n_10.2"_s, 0});
        table.rows.append(row(9, u"3"_s, u"Младший медицинский персонал - всего"_s, u"младшие"_s));
        table.rows.append(row(10, u"3.1"_s, u"из них в сельской местности"_s, u"младшие село"_s));
        table.rows.append(row(11, u"4"_s, u"Фармацевтический персонал"_s, u"фармацевты"_s));
        table.rows.append(row(12, u"5"_s, u"Прочий персонал"_s, u"прочие"_s));
        table.rows.append(row(13, u"5.1"_s, u"из него водители; рабочие"_s, u"водители"_s));
        table.rows.append(row(14, u"6"_s, u"Всего должностей"_s, u"всего"_s));
    }

    int id = 20;
    for (const WidePart &part : wideParts()) {
        QStringList names;
        for (int c = 3; c < 3 + part.columns; ++c)
            names.append(u"Графа %1"_s.arg(c));
        form.tables.append({part.code,
                            part.name,
                            QString(),
                            2,
                            columns(3, names, u"@n_10"_s),
                            {row(id, u"1"_s, u"Всего"_s, u"всего"_s),
                             row(id + 1, u"2"_s, u"из них дети"_s, u"дети"_s),
                             row(id + 2, u"3"_s, u"из них сельские жители"_s, u"село"_s)}});
        id += 3;
    }
    form.tables.append(
        {8030,
         u"Посещения на дому к пациентам отдаленных населенных пунктов"_s,
         QString(),
         0,
         columns(1, {u"Число посещений"_s}, u"@n_8"_s),
         {row(673, u"1"_s, u"Посещения отдаленных населенных пунктов"_s, u"отдаленные"_s)}});
    form.tables.append(
        {9000,
         u"Расходы на оказание медицинской помощи"_s,
         QString(),
         0,
         columns(1, {u"Всего, тыс. руб."_s, u"из бюджета"_s, u"из средств ОМС"_s}, u"@n_12.2"_s),
         {row(41, u"1"_s, u"Расходы - всего"_s, u"всего"_s),
          row(42, u"2"_s, u"в том числе оплата труда"_s, u"оплата труда"_s),
          row(43, u"3"_s, u"медикаменты"_s, u"медикаменты"_s)}});
}

QList<int> DemoForm62::csvSampleInstitutions()
{
    return {501, 502};
}

QList<int> DemoForm62::summarySampleInstitutions()
{
    return {801, 802, 803, 804, 805};
}

runtime::Status DemoForm62::writeCsvSamples(const QString &root)
{
    const DemoForm *form = demoCatalogue().form(62);
    if (!form)
        return {};
    const QString folder = QDir(root).filePath(u"import"_s);
    if (runtime::Status made = runtime::fs::makeDir(folder); !made)
        return made;
    for (int inst : csvSampleInstitutions()) {
        for (int code : {1000, 8000, 9000}) {
            const DemoTable *table = form->table(code);
            if (!table)
                continue;
            const QString name = u"%1_%2.csv"_s.arg(inst).arg(code);
            if (runtime::Status s = runtime::store::TextLineFile::writeTextLines(
                    QDir(folder).filePath(name), tableFile(*form, *table, inst));
                !s)
                return s;
        }
    }

    // The summary: table, institution, row number, then the values, one line per row.
    QStringList summary;
    for (int inst : summarySampleInstitutions()) {
        for (int code : {1000, 9000}) {
            const DemoTable *table = form->table(code);
            if (!table)
                continue;
            for (int n = 1; n <= table->rows.size(); ++n) {
                QStringList fields{QString::number(code), QString::number(inst),
                                   QString::number(n)};
                for (int c = 1; c <= table->valueCount(); ++c)
                    fields.append(number(sample(inst, code, n, c, code == 9000)));
                summary.append(fields.join(u';'));
            }
        }
    }
    const QString svod = QDir(folder).filePath(u"svod"_s);
    if (runtime::Status made = runtime::fs::makeDir(svod); !made)
        return made;
    return runtime::store::TextLineFile::writeTextLines(QDir(svod).filePath(u"svod62.csv"_s),
                                                        summary);
}

} // namespace zemor::tools
