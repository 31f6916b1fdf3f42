#pragma once

// What the exchange tests look at in the demo's data files: the stored records of a form or of
// one report, byte for byte, and a record spoilt on purpose (a file's own bytes:
// support/FileBytes.h); and, in one log, the control runs a load shows and the questions it
// asks, in the order they come.

#include "data/DataContext.h"
#include "data/OpenedFile.h"
#include "data/records/OtchetRecord.h"
#include "entry/ControlRun.h"
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

// Runs `before` with the text of each question before answering it.
class WatchingPrompter : public ScriptedPrompter
{
public:
    std::function<void(const QString &)> before;
    int message(const QString &text, const QString &caption, const QString &buttons,
                runtime::MessageIcon icon, int defaultButton) override
    {
        if (before)
            before(text);
        return ScriptedPrompter::message(text, caption, buttons, icon, defaultButton);
    }
};

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

} // namespace zemor::test
