#include "tools/DemoSummaries.h"

#include "data/DataContext.h"
#include "data/records/ContrGrRecord.h"
#include "data/records/FormaRecord.h"
#include "data/records/GrafaRecord.h"
#include "data/records/OtchetRecord.h"
#include "data/records/StrokaRecord.h"
#include "data/records/TablRecord.h"
#include "runtime/decimal/Decimal.h"
#include "runtime/store/KeyedFile.h"
#include "runtime/store/Transaction.h"

#include <QDate>
#include <QScopeGuard>

#include <functional>

namespace zemor::tools {

using data::DataContext;
using data::FileId;
using runtime::Status;
using runtime::store::Transaction;

namespace {

struct Column
{
    int number;
    QString name;
    int kind;
};

struct Form
{
    int code;
    QString name;
    QString designation;
    int periodicity;
    QList<Column> columns;
};

QList<Form> forms()
{
    return {
        {DemoSummaries::monthlyForm,
         QStringLiteral("Сведения о движении коечного фонда"),
         QStringLiteral("51-к"),
         1,
         {{1, QStringLiteral("Коек на начало года"), 1},
          {2, QStringLiteral("Коек на начало месяца"), 2},
          {3, QStringLiteral("Коек на конец месяца"), 3},
          {4, QStringLiteral("Поступило пациентов"), 0}}},
        {DemoSummaries::dailyForm,
         QStringLiteral("Ежедневная сводка о госпитализации"),
         QStringLiteral("52-д"),
         5,
         {{1, QStringLiteral("Госпитализировано"), 0}, {2, QStringLiteral("Свободных коек"), 0}}},
        {DemoSummaries::halfYearlyForm,
         QStringLiteral("Сведения о кадрах за полугодие"),
         QStringLiteral("53-п"),
         3,
         {{1, QStringLiteral("Штатных должностей"), 0},
          {2, QStringLiteral("Занятых должностей"), 0}}},
    };
}

// Adds the records `write` makes in one write transaction of the open file.
Status inTransaction(DataContext &ctx, FileId id, const std::function<Status()> &write)
{
    auto tx = Transaction::begin(ctx.file(id), Transaction::Kind::Write);
    if (!tx)
        return std::unexpected(tx.error());
    if (Status s = write(); !s)
        return s;
    return tx->commit();
}

Status withOpen(DataContext &ctx, FileId id, const std::function<Status()> &write)
{
    if (Status opened = ctx.open(id); !opened)
        return opened;
    const auto closing = qScopeGuard([&] { ctx.close(id); });
    return write();
}

Status addReport(DataContext &ctx, int form, int periodicity, int district, int institution,
                 qint32 period, const std::function<qint64(int, int)> &value, int rows, int columns)
{
    data::OtchetRecord r(ctx.record(FileId::otchet));
    for (int rowId = 1; rowId <= rows; ++rowId) {
        r.clear();
        r.setCodReg(std::uint8_t(district));
        r.setCodUch(institution);
        if (Status s = r.setCodTab(DemoSummaries::table); !s)
            return s;
        r.setMes(period);
        r.setTip(std::uint8_t(periodicity));
        r.setUnicodStr(qint16(rowId));
        for (int c = 1; c <= columns; ++c) {
            if (Status s = r.setData(c, runtime::Decimal::fromUnits(value(rowId, c), 3)); !s)
                return s;
        }
        if (Status s = ctx.file(FileId::otchet).add(); !s)
            return s;
    }
    (void)form;
    return {};
}

Status writeCatalogue(DataContext &ctx)
{
    const QList<Form> all = forms();
    if (Status s = inTransaction(ctx, FileId::forma,
                                 [&]() -> Status {
                                     for (const Form &f : all) {
                                         data::FormaRecord r(ctx.record(FileId::forma));
                                         r.clear();
                                         if (Status s = r.setUnicod(f.code); !s)
                                             return s;
                                         r.setName(f.name);
                                         r.setCod(f.designation);
                                         r.setTip(std::uint8_t(f.periodicity));
                                         if (Status s = ctx.file(FileId::forma).add(); !s)
                                             return s;
                                     }
                                     return {};
                                 });
        !s)
        return s;
    if (Status s = inTransaction(
            ctx, FileId::tabl,
            [&]() -> Status {
                auto next = ctx.file(FileId::tabl).nextAutoNumber(data::TablRecord::KeyUnicodT);
                if (!next)
                    return std::unexpected(next.error());
                qint32 id = qint32(*next);
                for (const Form &f : all) {
                    data::TablRecord r(ctx.record(FileId::tabl));
                    r.clear();
                    r.setUnicodT(id++);
                    if (Status s = r.setCodForm(f.code); !s)
                        return s;
                    if (Status s = r.setCodTabl(DemoSummaries::table); !s)
                        return s;
                    r.setName(f.name);
                    if (Status s = r.setSm(0); !s)
                        return s;
                    if (Status s = r.setA(f.columns.size()); !s)
                        return s;
                    if (Status s = ctx.file(FileId::tabl).add(); !s)
                        return s;
                }
                return {};
            });
        !s)
        return s;
    if (Status s = inTransaction(
            ctx, FileId::stroka,
            [&]() -> Status {
                for (const Form &f : all) {
                    const QStringList names{QStringLiteral("Всего"),
                                            QStringLiteral("в том числе терапевтические")};
                    for (int i = 0; i < 2; ++i) {
                        data::StrokaRecord r(ctx.record(FileId::stroka));
                        r.clear();
                        r.setUnicod(qint16(i + 1));
                        if (Status s = r.setCodForm(f.code); !s)
                            return s;
                        if (Status s = r.setCodTabl(DemoSummaries::table); !s)
                            return s;
                        r.setNumber(std::uint8_t(i + 1));
                        r.setCodStr(i == 0 ? QStringLiteral("1") : QStringLiteral("1.1"));
                        r.setName(names[i]);
                        r.setNameL(names[i]);
                        if (Status s = ctx.file(FileId::stroka).add(); !s)
                            return s;
                    }
                }
                return {};
            });
        !s)
        return s;
    return inTransaction(ctx, FileId::grafa, [&]() -> Status {
        for (const Form &f : all) {
            for (const Column &c : f.columns) {
                data::GrafaRecord r(ctx.record(FileId::grafa));
                r.clear();
                if (Status s = r.setCodForm(f.code); !s)
                    return s;
                if (Status s = r.setCodTabl(DemoSummaries::table); !s)
                    return s;
                r.setCod(std::uint8_t(c.number));
                r.setName(c.name);
                r.setNameL(c.name.left(15));
                r.setVid(std::uint8_t(c.kind));
                if (Status s = ctx.file(FileId::grafa).add(); !s)
                    return s;
            }
        }
        return {};
    });
}

// Form 51's column rule: admissions without beds at the end of the period fail (code 6), so that
// a summary over a period an institution has not reported to its end marks its rows "?".
Status writeColumnRule(DataContext &ctx)
{
    return inTransaction(ctx, FileId::ContrGr, [&]() -> Status {
        auto next = ctx.file(FileId::ContrGr).nextAutoNumber(data::ContrGrRecord::KeyUnicod);
        if (!next)
            return std::unexpected(next.error());
        data::ContrGrRecord r(ctx.record(FileId::ContrGr));
        r.clear();
        r.setUnicod(qint32(*next));
        if (Status s = r.setCodForm(DemoSummaries::monthlyForm); !s)
            return s;
        if (Status s = r.setCodTabl(DemoSummaries::table); !s)
            return s;
        r.setCodStr(QStringLiteral("0"));
        r.setS(3);
        r.setSnak(6);
        if (Status s = r.setS1(1, 4); !s)
            return s;
        r.setPrim(QStringLiteral("поступили - есть койки"));
        return ctx.file(FileId::ContrGr).add();
    });
}

Status writeReports(DataContext &ctx)
{
    const int y = DemoSummaries::year;
    ctx.names().setOtchetFileName(y, DemoSummaries::monthlyForm);
    Status monthly = withOpen(ctx, FileId::otchet, [&] {
        return inTransaction(ctx, FileId::otchet, [&]() -> Status {
            struct Sender
            {
                int institution, district, lastMonth;
            };
            for (const Sender &s :
                 {Sender{101, 1, 12}, Sender{102, 1, 12}, Sender{501, 5, 3}, Sender{21006, 6, 6}}) {
                for (int m = 1; m <= s.lastMonth; ++m) {
                    auto value = [&](int row, int c) {
                        return DemoSummaries::value(s.institution, m, row, c);
                    };
                    if (Status st = addReport(ctx, DemoSummaries::monthlyForm, 1, s.district,
                                              s.institution, m, value, 2, 4);
                        !st)
                        return st;
                }
            }
            return {};
        });
    });
    if (!monthly)
        return monthly;

    ctx.names().setOtchetFileName(y, DemoSummaries::dailyForm);
    Status daily = withOpen(ctx, FileId::otchet, [&] {
        return inTransaction(ctx, FileId::otchet, [&]() -> Status {
            for (int inst : {101, 102}) {
                for (int d = 0; d < 7; ++d) {
                    auto value = [&](int row, int c) -> qint64 {
                        return (c == 1 ? 3 + d + inst % 10 : 20 - d) * 1000 / row;
                    };
                    if (Status st = addReport(ctx, DemoSummaries::dailyForm, 5, 1, inst,
                                              DemoSummaries::firstDay() + d, value, 2, 2);
                        !st)
                        return st;
                }
            }
            return {};
        });
    });
    if (!daily)
        return daily;

    ctx.names().setOtchetFileName(y, DemoSummaries::halfYearlyForm);
    return withOpen(ctx, FileId::otchet, [&] {
        return inTransaction(ctx, FileId::otchet, [&]() -> Status {
            for (const auto &[inst, half] :
                 {std::pair{101, 1}, std::pair{101, 2}, std::pair{102, 1}}) {
                auto value = [&](int row, int c) -> qint64 {
                    return (c == 1 ? 40 + half : 35 + half) * 1000 / row;
                };
                if (Status st = addReport(ctx, DemoSummaries::halfYearlyForm, 3, 1, inst, half,
                                          value, 2, 2);
                    !st)
                    return st;
            }
            return {};
        });
    });
}

} // namespace

qint64 DemoSummaries::value(int institution, int month, int rowId, int column)
{
    // Beds: a stock at the start of the year, one more each month; admissions grow by month.
    const qint64 base = institution % 1000 == 6 ? 300 : (institution % 100) * 10 + 40;
    qint64 v = 0;
    switch (column) {
    case 1:
        v = base;
        break;
    case 2:
        v = base + month - 1;
        break;
    case 3:
        v = base + month;
        break;
    default:
        v = 10 * month + institution % 100;
        break;
    }
    return rowId == 1 ? v * 1000 : v * 500; // row 1.1 holds half of every value
}

qint32 DemoSummaries::firstDay()
{
    return qint32(QDate(2025, 3, 3).toJulianDay());
}

Status DemoSummaries::write(const QString &root)
{
    Q_UNUSED(root);
    DataContext ctx;
    ctx.names().setYearFileNames(year);
    if (Status s = withOpen(ctx, FileId::forma, [&] { return writeCatalogue(ctx); }); !s)
        return s;
    if (Status s = withOpen(ctx, FileId::forma, [&] { return writeColumnRule(ctx); }); !s)
        return s;
    return writeReports(ctx);
}

} // namespace zemor::tools
