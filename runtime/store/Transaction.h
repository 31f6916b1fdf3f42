#pragma once

// A transaction on one KeyedFile as a scoped guard: begun by begin(), ended by commit(); a guard
// that goes out of scope uncommitted rolls back, so every early return of a failed save leaves the
// old records in place. A read guard (Kind::Read) gives one committed state of the file to every
// read made under it; its commit() merely ends it.
//
//     auto tx = Transaction::begin(file);
//     if (!tx) return std::unexpected(tx.error());
//     ... writes, returning on the first failure ...
//     return tx->commit();

#include "runtime/core/Error.h"
#include "runtime/store/KeyedFile.h"

namespace zemor::runtime::store {

class Transaction
{
public:
    enum class Kind { Read, Write };

    [[nodiscard]] static Result<Transaction> begin(KeyedFile &file, Kind kind = Kind::Write);

    Transaction(Transaction &&other) noexcept;
    Transaction &operator=(Transaction &&) = delete;
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;
    ~Transaction(); // rolls back when still open

    // Commits; on failure the transaction is rolled back and the failure returned.
    [[nodiscard]] Status commit();
    // Rolls back now; the failure of the rollback itself, if any.
    Status rollback();
    bool isOpen() const { return m_file != nullptr; }

private:
    explicit Transaction(KeyedFile &file) : m_file(&file) {}
    KeyedFile *m_file = nullptr;
};

} // namespace zemor::runtime::store
