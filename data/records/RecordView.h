#pragma once

// The base of the typed record accessors: a view over a record buffer that the caller owns
// (usually the buffer of a KeyedFile), with accessors named after the fields. A view keeps
// a pointer to the buffer and nothing else; it must not outlive it.
//
// Each record class binds its accessors to the dictionary's declaration once, by field name:
// a field that is missing or of another type than the accessor expects, a key index that does
// not match, or a record size other than the class states is a programming error and stops
// the program at the first use (every class is bound in the tests). Reads of an absent or
// undecodable value give zero or blank; writes that do not fit return an error (see
// RecordFields.h).

#include "data/Dictionary.h"
#include "data/RecordFields.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace zemor::data {

class FieldBinder
{
public:
    FieldBinder(FileId file, int recordSize);
    // For a record that belongs to no dictionary file (the exchange records): bound to `layout`,
    // which lives as long as the program.
    FieldBinder(const runtime::store::RecordLayout &layout, int recordSize);
    // The field description of prefix:name; stops the program when it is missing or differs.
    FieldSpec operator()(QStringView name, runtime::store::FieldType type, int dim = 1) const;
    // Stops the program when the key prefix:name is not registered at `index`.
    void key(QStringView name, int index) const;

private:
    const runtime::store::RecordLayout *m_layout;
};

class RecordView
{
public:
    RecordView(QByteArray &record, FileId file)
        : m_record(&record), m_layout(&declaration(file).layout), m_file(file)
    {
    }
    // A view over a record of no dictionary file; `layout` lives as long as the program.
    RecordView(QByteArray &record, const runtime::store::RecordLayout &layout)
        : m_record(&record), m_layout(&layout)
    {
    }

    QByteArray &bytes() const { return *m_record; }
    // The dictionary file of the record; a view over another layout has none.
    FileId file() const
    {
        Q_ASSERT(m_file.has_value());
        return *m_file;
    }
    const runtime::store::RecordLayout &layout() const { return *m_layout; }
    // Sizes the buffer to the record and clears it: numbers zero, strings blank.
    void clear() const;
    // Every packed decimal of the record decodes (see checkDecimals()).
    [[nodiscard]] runtime::Status checkDecimals() const;

protected:
    std::uint8_t byteAt(const FieldSpec &f, int n = 1) const
    {
        return static_cast<std::uint8_t>(readInteger(*m_record, f, n));
    }
    qint16 shortAt(const FieldSpec &f, int n = 1) const
    {
        return static_cast<qint16>(readInteger(*m_record, f, n));
    }
    qint32 longAt(const FieldSpec &f, int n = 1) const
    {
        return static_cast<qint32>(readInteger(*m_record, f, n));
    }
    qint64 codeAt(const FieldSpec &f, int n = 1) const { return readInteger(*m_record, f, n); }
    double realAt(const FieldSpec &f, int n = 1) const { return readReal(*m_record, f, n); }
    QString stringAt(const FieldSpec &f, int n = 1) const { return readString(*m_record, f, n); }
    runtime::Decimal decimalAt(const FieldSpec &f, int n = 1) const
    {
        return decimalOrZero(*m_record, f, n);
    }
    void decimalsAt(const FieldSpec &f, runtime::Decimal *out, int count) const
    {
        readDecimals(*m_record, f, out, count);
    }

    // Writes of values that always fit their field (the accessor's type is the field's).
    void setIntegerAt(const FieldSpec &f, std::int64_t value) const;
    void setRealAt(const FieldSpec &f, double value) const;
    void setStringAt(const FieldSpec &f, QStringView value) const;

private:
    QByteArray *m_record;
    const runtime::store::RecordLayout *m_layout;
    std::optional<FileId> m_file;
};

} // namespace zemor::data
