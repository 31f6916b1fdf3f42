#pragma once

// Files of a data context held open, each once, from the first operation that used it without
// failure to the end of a loop over many records, so that each operation of the loop reuses the
// open file instead of opening it again; closed in the reverse order of their opening. The
// context is not owned and must outlive the object.

#include "data/OpenedFile.h"

#include <QString>

#include <memory>
#include <set>
#include <utility>
#include <vector>

namespace zemor::data {

class HeldFiles
{
public:
    explicit HeldFiles(DataContext &context) : m_context(context) {}
    ~HeldFiles()
    {
        while (!m_open.empty())
            m_open.pop_back();
    }
    HeldFiles(const HeldFiles &) = delete;
    HeldFiles &operator=(const HeldFiles &) = delete;

    // The file `id` under its current name, once per `name`.
    void hold(FileId id, const QString &name)
    {
        if (!m_held.insert(std::pair(id, name)).second)
            return;
        auto opened = std::make_unique<OpenedFile>(m_context, id);
        if (opened->status())
            m_open.push_back(std::move(opened));
    }

private:
    DataContext &m_context;
    std::set<std::pair<FileId, QString>> m_held;
    std::vector<std::unique_ptr<OpenedFile>> m_open;
};

} // namespace zemor::data
