#pragma once

// The reports of a control run read from exchange files: a form entry with a file name is read
// from that file (each file read and checked whole once per source and kept, with its records
// found by institution, for as long as the file on disk stays the same), every other
// entry from the year's data file. In the current format the records of the entry's form are
// taken; in the old format (one form per file) every record of the file. A report is the sum of
// the target's records whose period lies in the range, added row by row exactly, as the data
// file source adds them.
//
// A file that cannot be read (missing, damaged, of the other layout) is an error whose message
// begins with "Otchet2-err" and the code, so the run names the entry as not checked and its
// caller's error flag is set: a file that was never read never passes.

#include "data/ExchangeFile.h"
#include "entry/RunReportSource.h"

#include <QHash>
#include <QSet>

#include <map>
#include <optional>
#include <utility>

namespace zemor::exchange {

// How the file at `path` looks on disk now: its identity, size and modification time, and its
// first 32 bytes (an exchange file's header: the record count and the records' checksum).
// Empty when it cannot be looked at. Two equal stamps mean the file was not rewritten between.
QByteArray exchangeFileStamp(const QString &path);

class ExchangeReportSource : public entry::RunReportSource
{
public:
    ExchangeReportSource(data::DataContext &context,
                         data::ExchangeFormat format = data::ExchangeFormat::Current)
        : m_format(format), m_dataFiles(context)
    {
    }

    [[nodiscard]] runtime::Result<entry::SummedReport> report(int year, const entry::RunForm &form,
                                                              const entry::RunTarget &target,
                                                              qint32 periodFrom, qint32 periodTo,
                                                              runtime::Progress *progress) override;

    // "Otchet2-err" + the error's code.
    static QString unreadableText(const runtime::Error &error);

    struct KeptFile
    {
        QByteArray stamp; // exchangeFileStamp() when read; empty when the read failed
        std::optional<data::ExchangeFile> file;
        runtime::Error error; // why `file` is absent
        // Record indexes by institution and form (form 0 in the old format: every record).
        QHash<std::pair<qint32, qint64>, QList<qint64>> institution;
    };
    // The file at `path` as it is now, read again when its stamp changed: a caller that reads
    // the same files as the runs (an import) takes them from here rather than reading them again.
    const KeptFile &kept(const QString &path);

    // While a Hold lives, each file is looked at on disk once, on its first use, and then kept
    // as it was: what an import checks and writes for one institution comes from one state of
    // each file, and a file is not looked at again for every report.
    class Hold
    {
    public:
        explicit Hold(ExchangeReportSource &source) : m_source(source) { ++m_source.m_holds; }
        ~Hold()
        {
            if (--m_source.m_holds == 0)
                m_source.m_lookedAt.clear();
        }
        Hold(const Hold &) = delete;
        Hold &operator=(const Hold &) = delete;

    private:
        ExchangeReportSource &m_source;
    };
    // Takes `file`, read whole from `path` by the caller when the file's stamp was `stamp`
    // (taken before the read), as if kept() had read it: kept() hands it out while the file on
    // disk keeps that stamp. Nothing is taken without a stamp, of another format, or for a path
    // already kept.
    void adopt(const QString &path, const QByteArray &stamp, const data::ExchangeFile &file);

private:
    // The file's record indexes by institution.
    static QHash<std::pair<qint32, qint64>, QList<qint64>>
    byInstitution(const data::ExchangeFile &file);

    data::ExchangeFormat m_format;
    entry::DataFileReportSource m_dataFiles;
    std::map<QString, KeptFile> m_files;
    int m_holds = 0;
    QSet<QString> m_lookedAt; // looked at on disk under the current holds
};

} // namespace zemor::exchange
