#include "data/RelationManager.h"

#include "data/FileManager.h"

#include <algorithm>

namespace zemor::data {

QList<FileId> RelationManager::connectedGroup(FileId id)
{
    QList<FileId> found{id};
    for (qsizetype next = 0; next < found.size(); ++next) {
        for (const RelationDecl &relation : data::relations()) {
            FileId other;
            if (relation.parent == found[next])
                other = relation.child;
            else if (relation.child == found[next])
                other = relation.parent;
            else
                continue;
            if (!found.contains(other))
                found.append(other);
        }
    }
    // The file first, the others in dictionary order, so that the opening order is stable.
    std::sort(found.begin() + 1, found.end(), [](FileId a, FileId b) { return int(a) < int(b); });
    return found;
}

RelationManager::RelationManager(FileId id, FileManagers files)
    : m_id(id), m_files(std::move(files)), m_group(connectedGroup(id))
{
}

QList<RelationDecl> RelationManager::relations() const
{
    QList<RelationDecl> own;
    for (const RelationDecl &relation : data::relations()) {
        if (relation.parent == m_id || relation.child == m_id)
            own.append(relation);
    }
    return own;
}

void RelationManager::undo(const Opening &opening)
{
    for (auto it = opening.crbegin(); it != opening.crend(); ++it)
        m_files(it->first).closeOpening(it->second);
}

runtime::Status RelationManager::open()
{
    Opening opening;
    for (FileId member : m_group) {
        FileManager &file = m_files(member);
        if (member != m_id && file.currentName().trimmed().isEmpty())
            continue;
        auto ticket = file.openCounted();
        if (!ticket) {
            undo(opening);
            return std::unexpected(ticket.error());
        }
        opening.append({member, *ticket});
    }
    m_openings.append(opening);
    return {};
}

void RelationManager::close()
{
    if (m_openings.isEmpty())
        return;
    undo(m_openings.takeLast());
}

} // namespace zemor::data
