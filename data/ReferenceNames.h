#pragma once

// The names of the reference files by code: districts and cities (`region1`), institution kinds
// (`viduch`) and institutions (`boln`, with the district and kind each belongs to), read once
// for an operation and then asked as often as needed. Each file asked for is read whole in
// stored order, within one read transaction, and closed again.
//
// read() opens the files through the caller's data context, as every window reads them: a file
// that cannot be opened or read is an error, which the context's error manager has reported.
// readExisting() opens them by the names given, for readers that have no context of their own
// or must never make a file: a file that does not exist has no names (see ExistingFile.h).
//
// Names are as the records give them, never trimmed or cut here (each caller shows them its own
// way); a district or kind code that is not there gets the text the caller gives for it.

#include "data/Dictionary.h"
#include "data/ExistingFile.h"
#include "runtime/core/Error.h"

#include <QHash>
#include <QList>
#include <QString>

namespace zemor::data {

class DataContext;
class FileNames;

struct ReferenceName
{
    qint64 code = 0;
    QString name;
};

struct ReferenceInstitution
{
    qint32 code = 0;     // BOL:UNICOD
    QString name;        // BOL:NAZV
    qint64 district = 0; // BOL:CODREG
    qint64 kind = 0;     // BOL:VID
};

class ReferenceNames
{
public:
    enum Files {
        Districts = 1,
        Kinds = 2,
        DistrictsAndKinds = Districts | Kinds,
        Institutions = 4,
    };

    [[nodiscard]] static runtime::Result<ReferenceNames> read(DataContext &context, Files files);
    [[nodiscard]] static runtime::Result<ReferenceNames>
    readExisting(const FileNames &names, Files files, Unopenable unopenable = Unopenable::Absent);

    // In stored order; the institutions only when asked for.
    const QList<ReferenceName> &districts() const { return m_districts; }
    const QList<ReferenceName> &kinds() const { return m_kinds; }
    const QList<ReferenceInstitution> &institutions() const { return m_institutions; }

    QString district(qint64 code, const QString &unknown = {}) const
    {
        return nameOf(m_districts, m_districtAt, code, unknown);
    }
    QString kind(qint64 code, const QString &unknown = {}) const
    {
        return nameOf(m_kinds, m_kindAt, code, unknown);
    }
    bool hasDistrict(qint64 code) const { return m_districtAt.contains(code); }

private:
    static QString nameOf(const QList<ReferenceName> &names, const QHash<qint64, qsizetype> &at,
                          qint64 code, const QString &unknown);
    void add(FileId id, QByteArray &record);
    void index();

    QList<ReferenceName> m_districts;
    QList<ReferenceName> m_kinds;
    QList<ReferenceInstitution> m_institutions;
    QHash<qint64, qsizetype> m_districtAt;
    QHash<qint64, qsizetype> m_kindAt;
};

} // namespace zemor::data
