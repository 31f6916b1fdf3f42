#pragma once

// What the exchange tests look at in the demo's data files: the stored records of a form or of
// one report, byte for byte, and a record spoilt on purpose (a file's own bytes:
// support/FileBytes.h); in one log, the control runs a load shows and the questions it asks, in
// the order they come; and the input files of the form 62 loads as the federal portal writes
// them, with a load of an XML file on the demo.

#include "data/DataContext.h"
#include "data/OpenedFile.h"
#include "data/records/OtchetRecord.h"
#include "entry/ControlRun.h"
#include "exchange/Form62XmlImport.h"
#include "runtime/text/Cp1251.h"
#include "tests/support/DemoWorkDir.h"
#include "tests/support/FileBytes.h"
#include "tests/support/ScriptedPrompter.h"

#include <QByteArrayList>
#include <QStringList>

#include <algorithm>
#include <functional>

namespace zemor::test {

// Every stored record of `form` in `year` that `keep` takes, sorted by its bytes.
inline QByteArrayList storedRecords(data::DataContext &ctx, int year, int form,
                                    const std::function<bool(const data::OtchetRecord &)> &keep)
{
    QByteArrayList out;
    ctx.names().setOtchetFileName(year, form);
    data::OpenedFile f(ctx, data::FileId::otchet);
    if (!f.status())
        return out;
    const data::OtchetRecord r(ctx.record(data::FileId::otchet));
    (void)f.scanPhysical([&] {
        if (keep(r))
            out.append(r.bytes());
        return true;
    });
    std::sort(out.begin(), out.end());
    return out;
}

// The stored report of `institution` for `period` in `form` of `year`, its records sorted by
// their bytes.
inline QByteArrayList storedReport(data::DataContext &ctx, int year, int form, qint32 institution,
                                   qint32 period)
{
    return storedRecords(ctx, year, form, [&](const data::OtchetRecord &r) {
        return r.codUch() == institution && r.mes() == period;
    });
}

// Makes the last digit of the first record `keep` takes a half-byte above 9 (a record no
// exchange file may carry); true when one was spoilt.
inline bool spoilStoredRecord(data::DataContext &ctx, int year, int form,
                              const std::function<bool(const data::OtchetRecord &)> &keep)
{
    ctx.names().setOtchetFileName(year, form);
    data::OpenedFile f(ctx, data::FileId::otchet);
    if (!f.status())
        return false;
    const data::OtchetRecord r(ctx.record(data::FileId::otchet));
    bool spoilt = false;
    (void)f.scanPhysical([&]() -> bool {
        if (!keep(r))
            return true;
        QByteArray &bytes = ctx.record(data::FileId::otchet);
        bytes[bytes.size() - 1] = char(0xA0);
        spoilt = bool(f.file().put());
        return false;
    });
    return spoilt;
}

// Writes each control run a load shows into `log`, one line with the first institution, the
// number of forms, the failures (form and rule) and the entries not checked (form and period):
//   "shown 102: 2 forms; failed: Ф12 контроль 2; not checked: Ф7 за 3"
class RecordingViewer final : public entry::RunResultsViewer
{
public:
    explicit RecordingViewer(QStringList &log) : m_log(log) {}
    void show(const entry::RunRequest &request, const entry::RunOutcome &outcome) override
    {
        QStringList failed;
        for (const entry::RunLine &l : outcome.failures)
            failed.append(QStringLiteral("Ф%1 контроль %2").arg(l.form).arg(l.ruleId));
        QStringList unchecked;
        for (const entry::RunForm &f : outcome.unchecked)
            unchecked.append(QStringLiteral("Ф%1 за %2").arg(f.code).arg(f.period));
        m_log.append(
            QStringLiteral("shown %1: %2 forms; failed: %3; not checked: %4")
                .arg(request.entities.value(0).institution)
                .arg(request.forms.size())
                .arg(failed.join(QStringLiteral(", ")), unchecked.join(QStringLiteral(", "))));
    }

private:
    QStringList &m_log;
};

// Lines of a CSV file, each ended by CR LF.
inline QByteArray csvLines(const QList<QByteArray> &list)
{
    QByteArray out;
    for (const QByteArray &l : list)
        out += l + "\r\n";
    return out;
}

// A CSV table file of form 62: a title, the table line, the column heads, the column numbers
// 1 to `fields`, the rows.
inline QByteArray csvTableFile(int table, const QList<QByteArray> &rows, int fields = 9)
{
    using runtime::text::toCp1251;
    QByteArray numbers;
    for (int f = 1; f <= fields; ++f)
        numbers += QByteArray::number(f) + ';';
    QList<QByteArray> all{toCp1251(QStringLiteral("Форма N 62")),
                          "(" + QByteArray::number(table) + ") " +
                              toCp1251(QStringLiteral("Таблица")),
                          toCp1251(QStringLiteral("Наименование;N строки;гр.3;гр.4")), numbers};
    all += rows;
    return csvLines(all);
}

// An XML file as the portal writes it: CRLF lines, Windows-1251, one cell ("10.5.62.1000=7")
// per two lines; a null `institution` leaves out the institution's line.
inline QByteArray portalXml(const QString &institution, const QStringList &cells)
{
    QStringList lines{QStringLiteral("<?xml version=\"1.0\" encoding=\"windows-1251\"?>"),
                      QStringLiteral("<report>"),
                      QStringLiteral(" <sprav><CODE>62_sprav</CODE></sprav>")};
    if (!institution.isNull())
        lines << QStringLiteral("  <CODE>62_str_01</CODE>")
              << QStringLiteral("  <SVAL>") + institution + QStringLiteral("</SVAL>");
    for (const QString &cell : cells) {
        const qsizetype eq = cell.indexOf(u'=');
        lines << QStringLiteral("  <CODE>") + cell.left(eq) + QStringLiteral("</CODE>")
              << QStringLiteral("  <NVAL>") + cell.mid(eq + 1) + QStringLiteral("</NVAL>");
    }
    lines << QStringLiteral("</report>");
    return runtime::text::toCp1251(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
}

// The institution an XML load stores for: district code / 100.
inline exchange::XmlInstitution xmlInstitution(qint32 code)
{
    return {code / 100, code, QStringLiteral("ЛПУ %1").arg(code)};
}

// An XML load on the demo: the file written into "import", read and loaded for one institution.
struct XmlRun
{
    WorkDir work{true};
    data::DataContext ctx;
    ScriptedPrompter prompter;
    exchange::Form62XmlImport importer{ctx, prompter, demoYear};

    exchange::XmlLoadOutcome load(const QString &name, const QByteArray &bytes, qint32 code,
                                  const QString &folder = QStringLiteral("\\temp1\\"),
                                  runtime::Progress *progress = nullptr)
    {
        work.writeFile(QStringLiteral("import/") + name, bytes);
        const QString path = work.filePath(QStringLiteral("import/") + name);
        const auto scan = exchange::Form62XmlImport::parse(path);
        if (!importer.loadRows() || !scan)
            return {};
        return importer.load(*scan, xmlInstitution(code), path, folder, progress);
    }
};

} // namespace zemor::test
