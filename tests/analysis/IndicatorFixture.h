#pragma once

// A small working directory for indicator runs, written record by record: districts, a year's
// form catalogue and rows, report data files, the indicator cell file, and the definitions.
// Each writer makes its file new; the tests say which records a case needs.

#include "data/Dictionary.h"
#include "data/records/FormaRecord.h"
#include "data/records/OtchetRecord.h"
#include "data/records/PokasRecord.h"
#include "data/records/Region1Record.h"
#include "data/records/StrokaRecord.h"
#include "data/records/TablRecord.h"
#include "runtime/decimal/Decimal.h"
#include "runtime/fs/Paths.h"
#include "runtime/store/KeyedFile.h"
#include "runtime/store/TextLineFile.h"
#include "runtime/store/Transaction.h"
#include "tools/DemoIndicatorsFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace zemor::test {

using namespace Qt::StringLiterals;

// One stored report record: values are (column, value) pairs.
struct Rec
{
    int institution = 0;
    int district = 0;
    int row = 0;
    QList<std::pair<int, double>> values;
    int period = 0;
    QList<std::pair<int, QString>> exact; // (column, value as decimal text), stored as written
};

// One cell record of the indicator: a term, or a step when `step` is above 0 (then column is
// the source slot, slot the target, form the condition, row the value, snak the operation).
struct Cell
{
    int form = 62;
    int table = 1;
    int row = 0;
    int column = 1;
    int slot = 1;
    int step = 0;
    int snak = 0;
    int mes = 0;
    double hislo = 0;
    qint16 id = 5;
};

struct FormRow
{
    int form = 62;
    int table = 1;
    int id = 0;
    int number = 0;
    int populationColumn = 0;
    QString name;
    QString codeText;
    QString pol;
};

class IndicatorFixture
{
public:
    IndicatorFixture()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        runtime::fs::setWorkDir(m_dir->path());
    }
    bool isValid() const { return m_dir->isValid(); }
    QString root() const { return m_dir->path(); }
    QString path(const QString &name) const { return m_dir->filePath(name); }

    bool write(const QString &name, data::FileId id, int count,
               const std::function<bool(runtime::store::KeyedFile &, int)> &fill)
    {
        return tools::writeKeyedRecords(path(name), id, count, fill).has_value();
    }

    bool districts(const QList<int> &codes)
    {
        return write(u"REGION1.DAT"_s, data::FileId::region1, int(codes.size()),
                     [&](runtime::store::KeyedFile &f, int i) {
                         data::Region1Record r(f.record());
                         r.setName(u"район %1"_s.arg(codes[i]));
                         return r.setCodReg(codes[i]).has_value();
                     });
    }

    bool reports(int year, int form, const QList<Rec> &recs, int tip = 0)
    {
        return write(u"%1/F%2.dat"_s.arg(year).arg(form, 4, 10, QChar(u'0')), data::FileId::otchet,
                     int(recs.size()), [&](runtime::store::KeyedFile &f, int i) {
                         const Rec &rec = recs[i];
                         data::OtchetRecord r(f.record());
                         r.setCodReg(quint8(rec.district));
                         r.setCodUch(rec.institution);
                         r.setMes(rec.period);
                         r.setTip(quint8(tip));
                         r.setUnicodStr(qint16(rec.row));
                         if (!r.setCodTab(1))
                             return false;
                         for (const auto &[column, value] : rec.values) {
                             auto d = runtime::Decimal::fromDouble(value, 3);
                             if (!d || !r.setData(column, *d))
                                 return false;
                         }
                         for (const auto &[column, text] : rec.exact) {
                             auto d = runtime::Decimal::fromString(text);
                             if (!d || !r.setData(column, *d))
                                 return false;
                         }
                         return true;
                     });
    }

    bool cells(const QList<Cell> &cells)
    {
        return write(u"POKAS.dat"_s, data::FileId::Pokas, int(cells.size()),
                     [&](runtime::store::KeyedFile &f, int i) {
                         const Cell &c = cells[i];
                         data::PokasRecord r(f.record());
                         r.setUnicod(i + 1);
                         r.setUnicodP(c.id);
                         r.setUnicodStr(qint16(c.row));
                         r.setCodGr(quint8(c.column));
                         r.setCodGrP(quint8(c.slot));
                         r.setNum(quint8(c.step));
                         r.setSnak(quint8(c.snak));
                         r.setMes(quint8(c.mes));
                         r.setHislo(c.hislo);
                         return r.setCodForm(c.form).has_value() &&
                                r.setCodTabl(c.table).has_value();
                     });
    }

    // code, periodicity
    bool forms(int year, const QList<std::pair<int, int>> &forms)
    {
        return write(u"%1/Forma.DAT"_s.arg(year), data::FileId::forma, int(forms.size()),
                     [&](runtime::store::KeyedFile &f, int i) {
                         data::FormaRecord r(f.record());
                         r.setTip(quint8(forms[i].second));
                         return r.setUnicod(forms[i].first).has_value();
                     });
    }

    bool formRows(int year, const QList<FormRow> &rows)
    {
        return write(u"%1/Stroka.DAT"_s.arg(year), data::FileId::stroka, int(rows.size()),
                     [&](runtime::store::KeyedFile &f, int i) {
                         const FormRow &row = rows[i];
                         data::StrokaRecord r(f.record());
                         r.setUnicod(qint16(row.id));
                         r.setNumber(quint8(row.number));
                         r.setCodNas(quint8(row.populationColumn));
                         r.setName(row.name);
                         r.setCodStr(row.codeText);
                         r.setPol(row.pol);
                         return r.setCodForm(row.form).has_value() &&
                                r.setCodTabl(row.table).has_value();
                     });
    }

    bool text(const QString &name, const QList<QByteArray> &lines)
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

    bool definition(qint32 id, int form, int columns, int type, int kind = 0)
    {
        return write(u"TablP.DAT"_s, data::FileId::tabl, 1, [&](runtime::store::KeyedFile &f, int) {
            data::TablRecord r(f.record());
            r.setUnicodT(id);
            r.setName(u"Показатель"_s);
            r.setNameL(u"2020 2030"_s);
            r.setType(quint8(type));
            return r.setCodForm(form).has_value() && r.setCodTabl(1).has_value() &&
                   r.setSm(kind).has_value() && r.setA(columns).has_value();
        });
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

} // namespace zemor::test
