#include "runtime/store/Transaction.h"

namespace zemor::runtime::store {

Result<Transaction> Transaction::begin(KeyedFile &file, Kind kind)
{
    if (Status s = kind == Kind::Read ? file.beginRead() : file.begin(); !s)
        return std::unexpected(s.error());
    return Transaction(file);
}

Transaction::Transaction(Transaction &&other) noexcept : m_file(other.m_file)
{
    other.m_file = nullptr;
}

Transaction::~Transaction()
{
    if (m_file)
        (void)rollback();
}

Status Transaction::commit()
{
    if (!m_file)
        return fail(ErrorCode::InvalidArgument, {},
                    QStringLiteral("Неверный аргумент: транзакция не открыта"));
    KeyedFile *file = m_file;
    m_file = nullptr;
    if (Status s = file->commit(); !s) {
        if (file->inTransaction())
            (void)file->rollback();
        return s;
    }
    return {};
}

Status Transaction::rollback()
{
    if (!m_file)
        return {};
    KeyedFile *file = m_file;
    m_file = nullptr;
    if (!file->isOpen() || !file->inTransaction())
        return {};
    return file->rollback();
}

} // namespace zemor::runtime::store
