#include "tools/DemoOutputs.h"

#include "data/Codes.h"
#include "data/DataContext.h"
#include "data/FileManager.h"
#include "data/records/ContrGrRecord.h"
#include "data/records/FormaRecord.h"
#include "data/records/GrafaRecord.h"
#include "data/records/OtchetRecord.h"
#include "data/records/StrokaRecord.h"
#include "data/records/TablRecord.h"
#include "runtime/decimal/Decimal.h"
#include "runtime/fs/DurableFile.h"
#include "runtime/fs/Paths.h"
#include "runtime/office/Workbook.h"
#include "runtime/office/XlsxWriter.h"
#include "runtime/picture/Picture.h"
#include "runtime/store/KeyedFile.h"
#include "runtime/store/Scan.h"
#include "runtime/store/TextLineFile.h"
#include "tools/DemoCatalogue.h"

#include <QDir>
#include <QMap>
#include <QScopeGuard>

#include <array>
#include <functional>

namespace zemor::tools {

using data::DataContext;
using data::FileId;
using runtime::Status;

namespace {

struct Column
{
    int number;
    QString name;
    QString picture;
    int width;
    int kind = 0; // GRA:TYPEGR of a descriptive column
};

struct Row
{
    int id;
    QString code;
    QString name;
    QString codes = {};
    QString sex = {};
};

struct Table
{
    int code;
    QString name;
    QString nameL;
    int offset;
    int count; // TAB:A
    int type;
    QList<Column> columns;
    QList<Row> rows;
};

QList<Table> printTables()
{
    QList<Table> tables;
    Table staff{1000, QStringLiteral("Должности медицинских работников"), QString(), 2, 3, 0, {},
                {}};
    staff.columns = {
        {1, QStringLiteral("Код строки"), QStringLiteral("@s6"), 6, 2},
        {2, QStringLiteral("Наименование должности"), QStringLiteral("@s30"), 30, 1},
        {3, QStringLiteral("Штатные должности"), QStringLiteral("@n_10.2"), 10},
        {4, QStringLiteral("Должности внешних совместителей"), QStringLiteral("@n_10.2"), 10},
        {5, QStringLiteral("Всего должностей"), QStringLiteral("@n_10.2"), 10},
    };
    for (int i = 1; i <= DemoOutputs::printRows; ++i)
        staff.rows.append({i, QString::number(i), QStringLiteral("Должность № %1").arg(i)});
    tables.append(staff);

    tables.append({2000,
                   QStringLiteral("Оснащение медицинским оборудованием"),
                   QString(),
                   0,
                   3,
                   1,
                   {{1, QStringLiteral("Аппараты искусственной вентиляции лёгких"),
                     QStringLiteral("@n_6"), 6},
                    {2, QStringLiteral("Компьютерные томографы"), QStringLiteral("@n_6"), 6},
                    {3, QStringLiteral("Автомобили скорой помощи"), QStringLiteral("@n_6"), 6}},
                   {{101, QStringLiteral("1"), QStringLiteral("Всего")}}});

    Table months{3000, QStringLiteral("Показатели работы по месяцам"), QString(), 1, 30, 0, {}, {}};
    months.columns.append({1, QStringLiteral("Показатель"), QStringLiteral("@s16"), 16, 1});
    for (int c = 2; c <= 31; ++c) {
        if (c != 10) // a gap in the column numbers
            months.columns.append(
                {c, QStringLiteral("Знач. %1").arg(c - 1), QStringLiteral("@n_5.1"), 5});
    }
    months.rows = {{201, QStringLiteral("1"), QStringLiteral("Посещения, тыс.")},
                   {202, QStringLiteral("2"), QStringLiteral("Вызовы, тыс.")}};
    tables.append(months);

    tables.append({4000,
                   QStringLiteral("Штаты по образцу"),
                   QStringLiteral("kadry.xls      штаты"),
                   0,
                   2,
                   0,
                   {{1, QStringLiteral("Врачи"), QStringLiteral("@n_10.3"), 10},
                    {2, QStringLiteral("Средний персонал"), QStringLiteral("@n_10.3"), 10}},
                   {{301, QStringLiteral("1"), QStringLiteral("Всего")},
                    {302, QStringLiteral("2"), QStringLiteral("в сельской местности")},
                    {303, QStringLiteral("3"), QStringLiteral("в городах")}}});

    tables.append({5000,
                   QStringLiteral("Случаи по диагнозам"),
                   QString(),
                   4,
                   2,
                   0,
                   {{1, QStringLiteral("Диагноз"), QStringLiteral("@s24"), 24, 1},
                    {2, QStringLiteral("Код"), QStringLiteral("@s5"), 5, 2},
                    {3, QStringLiteral("МКБ-10"), QStringLiteral("@s9"), 9, 3},
                    {4, QStringLiteral("Пол"), QStringLiteral("@s3"), 3, 4},
                    {5, QStringLiteral("Случаев"), QStringLiteral("@n_7"), 7},
                    {6, QStringLiteral("Умерло"), QStringLiteral("@n_7"), 7}},
                   {{401, QStringLiteral("1"), QStringLiteral("Инфаркт миокарда"),
                     QStringLiteral("I21-I22"), QString()},
                    {402, QStringLiteral("2"), QStringLiteral("Рак шейки матки"),
                     QStringLiteral("C53"), QStringLiteral("ж")},
                    {403, QStringLiteral("3"), QStringLiteral("Рак предстательной железы"),
                     QStringLiteral("C61"), QStringLiteral("м")}}});
    return tables;
}

// Values of one stored row, value n at [n - 1], in thousandths.
using Values = std::array<qint64, 35>;

// The stored rows of one institution's report of form 30: rows 70 to 80 of the staff table
// and the second monthly row are not stored; row 5 is stored with all values 0.
QMap<int, std::pair<int, Values>> printReport(int institution)
{
    QMap<int, std::pair<int, Values>> rows;
    const qint64 k = institution % 10;
    for (int i = 1; i < 70; ++i) {
        Values v{};
        if (i != 5) {
            v[0] = (i * 1000 + k * 250) % 40000 + 1000; // staff posts in quarters
            v[1] = (i * 250) % 3000;
            v[2] = v[0] + v[1];
        }
        rows.insert(i, {1000, v});
    }
    Values equipment{};
    equipment[0] = (2 + k) * 1000;
    equipment[2] = (5 + k) * 1000;
    rows.insert(101, {2000, equipment});
    Values months{};
    for (int n = 1; n <= 30; ++n)
        months[size_t(n - 1)] = n * 1500 + k * 100;
    rows.insert(201, {3000, months});
    Values staff{};
    staff[0] = 1234500;
    staff[1] = 125;
    rows.insert(301, {4000, staff});
    Values rural{};
    rural[0] = 7000;
    rows.insert(302, {4000, rural});
    for (int id = 401; id <= 403; ++id) {
        Values cases{};
        cases[0] = (id - 390 + k) * 1000;
        cases[1] = (id - 400) * 1000;
        rows.insert(id, {5000, cases});
    }
    return rows;
}

class Writer
{
public:
    explicit Writer(DataContext &ctx) : m_ctx(ctx) {}

    // Adds the records that `write` produces in one transaction of the file.
    Status inTransaction(FileId id, const std::function<Status()> &write)
    {
        runtime::store::KeyedFile &file = m_ctx.file(id);
        if (Status begun = file.begin(); !begun)
            return begun;
        if (Status written = write(); !written) {
            (void)file.rollback();
            return written;
        }
        return file.commit();
    }

    Status withOpen(FileId id, const std::function<Status()> &write)
    {
        if (Status opened = m_ctx.open(id); !opened)
            return opened;
        const auto closing = qScopeGuard([&] { m_ctx.close(id); });
        return write();
    }

private:
    DataContext &m_ctx;
};

Status all(std::initializer_list<Status> steps)
{
    for (const Status &s : steps) {
        if (!s)
            return s;
    }
    return {};
}

Status writeCatalogue(DataContext &ctx, Writer &w)
{
    const QList<Table> tables = printTables();
    Status forms = w.inTransaction(FileId::forma, [&]() -> Status {
        for (const auto &[code, name, tip] :
             {std::tuple{DemoOutputs::printForm,
                         QStringLiteral("Сведения о медицинских кадрах и оснащении"), 0},
              std::tuple{DemoOutputs::hiddenForm,
                         QStringLiteral("Служебная форма сводных показателей"), 0}}) {
            data::FormaRecord r(ctx.record(FileId::forma));
            r.clear();
            if (Status s = r.setUnicod(code); !s)
                return s;
            r.setName(name);
            r.setCod(QString::number(code));
            r.setTip(std::uint8_t(tip));
            if (Status s = ctx.file(FileId::forma).add(); !s)
                return s;
        }
        return {};
    });
    if (!forms)
        return forms;

    Status tabl = w.inTransaction(FileId::tabl, [&]() -> Status {
        int unicodT = 1000;
        for (const Table &t : tables) {
            data::TablRecord r(ctx.record(FileId::tabl));
            r.clear();
            r.setUnicodT(++unicodT);
            r.setName(t.name);
            r.setNameL(t.nameL);
            r.setType(std::uint8_t(t.type));
            if (Status s = all({r.setCodForm(DemoOutputs::printForm), r.setCodTabl(t.code),
                                r.setSm(t.offset), r.setA(t.count)});
                !s)
                return s;
            if (Status s = ctx.file(FileId::tabl).add(); !s)
                return s;
        }
        return {};
    });
    if (!tabl)
        return tabl;

    Status stroka = w.inTransaction(FileId::stroka, [&]() -> Status {
        for (const Table &t : tables) {
            for (int i = 0; i < t.rows.size(); ++i) {
                const Row &row = t.rows.at(i);
                data::StrokaRecord r(ctx.record(FileId::stroka));
                r.clear();
                r.setUnicod(qint16(row.id));
                r.setNumber(std::uint8_t(i + 1));
                r.setCodStr(row.code);
                r.setName(row.name);
                r.setNameL(row.name.left(20));
                r.setCodMkb(row.codes);
                r.setPol(row.sex);
                if (Status s = all({r.setCodForm(DemoOutputs::printForm), r.setCodTabl(t.code)});
                    !s)
                    return s;
                if (Status s = ctx.file(FileId::stroka).add(); !s)
                    return s;
            }
        }
        return {};
    });
    if (!stroka)
        return stroka;

    // Every column of the catalogue gets its printed width: that of its picture.
    Status widths = w.inTransaction(FileId::grafa, [&]() -> Status {
        runtime::store::KeyedFile &file = ctx.file(FileId::grafa);
        data::GrafaRecord r(ctx.record(FileId::grafa));
        r.clear();
        if (Status s = runtime::store::scanPhysical(
                file,
                [&]() -> Status {
                    const auto picture = runtime::Picture::forColumn(r.format());
                    r.setL(std::uint8_t(picture ? picture->width() : 12));
                    return file.put();
                });
            !s)
            return s;
        for (const Table &t : tables) {
            for (const Column &c : t.columns) {
                r.clear();
                if (Status s = all({r.setCodForm(DemoOutputs::printForm), r.setCodTabl(t.code)});
                    !s)
                    return s;
                r.setCod(std::uint8_t(c.number));
                r.setName(c.name);
                r.setNameL(c.name.left(20));
                r.setFormat(c.picture);
                r.setL(std::uint8_t(c.width));
                r.setTypeGr(std::uint8_t(c.kind));
                if (Status s = file.add(); !s)
                    return s;
            }
        }
        return {};
    });
    if (!widths)
        return widths;

    return w.inTransaction(FileId::ContrGr, [&]() -> Status {
        data::ContrGrRecord r(ctx.record(FileId::ContrGr));
        r.clear();
        r.setUnicod(qint32(DemoOutputs::wideRuleId));
        r.setCodStr(QStringLiteral("0"));
        r.setS(5);
        r.setSnak(1);
        r.setPrim(QStringLiteral("всего = шт. + совм."));
        if (Status s = all({r.setCodForm(DemoOutputs::printForm), r.setCodTabl(1000), r.setS1(1, 3),
                            r.setS1(2, 4)});
            !s)
            return s;
        return ctx.file(FileId::ContrGr).add();
    });
}

Status writeReports(DataContext &ctx, Writer &w)
{
    // Two institutions of district 1 and the district's total, stored like a report.
    QMap<int, std::pair<int, Values>> total;
    QList<std::pair<int, QMap<int, std::pair<int, Values>>>> reports;
    for (int institution : {101, 102}) {
        const auto rows = printReport(institution);
        for (auto it = rows.begin(); it != rows.end(); ++it) {
            auto &sum = total[it.key()];
            sum.first = it->first;
            for (size_t n = 0; n < 35; ++n)
                sum.second[n] += it->second[n];
        }
        reports.append({institution, rows});
    }
    reports.append({*data::districtTotalCode(1), total});

    return w.inTransaction(FileId::otchet, [&]() -> Status {
        for (const auto &[institution, rows] : reports) {
            for (auto it = rows.begin(); it != rows.end(); ++it) {
                data::OtchetRecord r(ctx.record(FileId::otchet));
                r.clear();
                r.setCodReg(1);
                r.setCodUch(institution);
                r.setMes(0);
                r.setTip(0);
                r.setUnicodStr(qint16(it.key()));
                if (Status s = r.setCodTab(it->first); !s)
                    return s;
                for (int n = 1; n <= 35; ++n) {
                    if (it->second[size_t(n - 1)] == 0)
                        continue;
                    if (Status s =
                            r.setData(n, runtime::Decimal::fromUnits(it->second[size_t(n - 1)], 3));
                        !s)
                        return s;
                }
                if (Status s = ctx.file(FileId::otchet).add(); !s)
                    return s;
            }
        }
        return {};
    });
}

Status writeBlanks(const QString &root)
{
    const QString doc = QDir(root).filePath(QStringLiteral("doc"));
    if (Status s = runtime::fs::makeDir(doc); !s)
        return s;
    if (Status s = runtime::fs::makeDir(QDir(doc).filePath(QStringLiteral("f12"))); !s)
        return s;

    // A Word blank: a small RTF document, which every word processor opens.
    const QByteArray rtf("{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 "
                         "\\'d4\\'ee\\'f0\\'ec\\'e0 12\\par "
                         "\\'d1\\'e2\\'e5\\'e4\\'e5\\'ed\\'e8\\'ff \\'ee \\'f7\\'e8\\'f1\\'eb\\'e5 "
                         "\\'e7\\'e0\\'e1\\'ee\\'eb\\'e5\\'e2\\'e0\\'ed\\'e8\\'e9\\par }\n");
    if (Status s =
            runtime::fs::writeWholeFile(QDir(doc).filePath(QStringLiteral("f12/f12.doc")), rtf);
        !s)
        return s;

    runtime::office::Workbook book;
    book.setSheetName(QStringLiteral("Лист1"));
    book.setEntry(1, 1, QStringLiteral("Форма 62"));
    book.setEntry(2, 1, QStringLiteral("Сведения о ресурсном обеспечении"));
    book.setEntry(4, 1, QStringLiteral("Должности"));
    book.setEntry(4, 2, QStringLiteral("Штатные"));
    book.setEntry(4, 3, QStringLiteral("Занятые"));
    if (Status s =
            runtime::office::XlsxWriter::write(book, QDir(doc).filePath(QStringLiteral("f62.xls")));
        !s)
        return s;
    if (Status s = runtime::store::TextLineFile::writeTextLines(
            QDir(doc).filePath(QStringLiteral("readme.txt")),
            {QStringLiteral("Бланки форм отчётности")});
        !s)
        return s;

    return runtime::store::TextLineFile::writeTextLines(
        QDir(doc).filePath(QStringLiteral("blanki.txt")),
        {QStringLiteral("f12\\f12.doc!Форма 12. Сведения о числе заболеваний"),
         QStringLiteral("f62.xls!Форма 62. Сведения о ресурсном обеспечении"),
         QStringLiteral("readme.txt!Пояснения к бланкам"), QString(),
         QStringLiteral("Бланки прошлых лет выдаются по запросу")});
}

} // namespace

Status DemoOutputs::write(const QString &root, runtime::Prompter *prompter)
{
    DataContext ctx(prompter);
    Writer w(ctx);
    for (int year : demoYears()) {
        ctx.names().setYearFileNames(year);
        // forma opens its whole group: tabl, stroka, grafa and ContrGr with it.
        if (Status s = w.withOpen(FileId::forma, [&] { return writeCatalogue(ctx, w); }); !s)
            return s;
        if (year != 2025)
            continue;
        ctx.names().setOtchetFileName(year, printForm);
        if (Status s = w.withOpen(FileId::otchet, [&] { return writeReports(ctx, w); }); !s)
            return s;
    }

    // The form 30 table with its own template: a copy of the summary template.
    const QString xls = QDir(root).filePath(QStringLiteral("XLS"));
    const QString own = QDir(xls).filePath(QStringLiteral("kadry.xls"));
    if (!runtime::fs::exists(own)) {
        if (Status s = runtime::fs::copyFile(QDir(xls).filePath(QStringLiteral("swod.xls")), own);
            !s)
            return s;
    }
    return writeBlanks(root);
}

} // namespace zemor::tools
