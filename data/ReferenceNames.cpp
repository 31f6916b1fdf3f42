#include "data/ReferenceNames.h"

#include "data/DataContext.h"
#include "data/FileNames.h"
#include "data/ReadInside.h"
#include "data/records/BolnRecord.h"
#include "data/records/Region1Record.h"
#include "data/records/ViduchRecord.h"
#include "runtime/store/Scan.h"

namespace zemor::data {

using runtime::Result;
using runtime::Status;
using runtime::store::KeyedFile;

namespace {

QList<FileId> filesOf(ReferenceNames::Files files)
{
    QList<FileId> out;
    if (files & ReferenceNames::Districts)
        out.append(FileId::region1);
    if (files & ReferenceNames::Kinds)
        out.append(FileId::viduch);
    if (files & ReferenceNames::Institutions)
        out.append(FileId::boln);
    return out;
}

} // namespace

Result<ReferenceNames> ReferenceNames::read(DataContext &context, Files files)
{
    ReferenceNames out;
    for (const FileId id : filesOf(files)) {
        const Status s = readInside(context, id, [&](OpenedFile &opened) {
            return opened.scanPhysical([&] {
                out.add(id, opened.file().record());
                return true;
            });
        });
        if (!s)
            return std::unexpected(s.error());
    }
    out.index();
    return out;
}

Result<ReferenceNames> ReferenceNames::readExisting(const FileNames &fileNames, Files files,
                                                    Unopenable unopenable)
{
    ReferenceNames out;
    for (const FileId id : filesOf(files)) {
        auto opened = openExisting(fileNames.fileName(id), id, unopenable);
        if (!opened)
            return std::unexpected(opened.error());
        if (!*opened)
            continue;
        KeyedFile &file = **opened;
        const Status s = readInside(file, [&] {
            return runtime::store::scanPhysical(file, [&] {
                out.add(id, file.record());
                return true;
            });
        });
        if (!s)
            return std::unexpected(s.error());
    }
    out.index();
    return out;
}

void ReferenceNames::add(FileId id, QByteArray &record)
{
    if (id == FileId::region1) {
        const Region1Record r(record);
        m_districts.append({r.codReg(), r.name()});
    } else if (id == FileId::viduch) {
        const ViduchRecord r(record);
        m_kinds.append({r.codVid(), r.nameUch()});
    } else {
        const BolnRecord r(record);
        m_institutions.append({r.unicod(), r.nazv(), r.codReg(), r.vid()});
    }
}

QString ReferenceNames::nameOf(const QList<ReferenceName> &names,
                               const QHash<qint64, qsizetype> &at, qint64 code,
                               const QString &unknown)
{
    const auto found = at.constFind(code);
    return found == at.constEnd() ? unknown : names.at(*found).name;
}

void ReferenceNames::index()
{
    // The codes are unique keys of their files; should a damaged file repeat one, the first
    // record of it names it.
    const auto indexOf = [](const QList<ReferenceName> &names, QHash<qint64, qsizetype> &at) {
        for (qsizetype i = 0; i < names.size(); ++i) {
            if (!at.contains(names[i].code))
                at.insert(names[i].code, i);
        }
    };
    indexOf(m_districts, m_districtAt);
    indexOf(m_kinds, m_kindAt);
}

} // namespace zemor::data
