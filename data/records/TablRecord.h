#pragma once

// One table of a form (`tabl`): its record number, codes, names, column offset and column count.
// A view over the caller's record buffer; see RecordView.h for how reads and writes fail.

#include "data/records/RecordView.h"

namespace zemor::data {

class TablRecord : public RecordView
{
    struct Fields
    {
        FieldSpec unicodT, codForm, codTabl, name, nameL, sm, a, type;
    };
    static const Fields &f();

public:
    static constexpr FileId fileId = FileId::tabl;
    static constexpr int recordSize = 283;
    // Key indexes, in registration order.
    enum Key : int { KeyUnicodT, KeyTab1 };

    explicit TablRecord(QByteArray &record) : RecordView(record, fileId) {}
    // Binds every accessor now; stops the program when one does not match the declaration.
    static void bind() { f(); }

    qint32 unicodT() const { return longAt(f().unicodT); }
    void setUnicodT(qint32 value) { setIntegerAt(f().unicodT, value); }
    qint64 codForm() const { return codeAt(f().codForm); }
    [[nodiscard]] runtime::Status setCodForm(qint64 value)
    {
        return writeInteger(bytes(), f().codForm, value);
    }
    qint64 codTabl() const { return codeAt(f().codTabl); }
    [[nodiscard]] runtime::Status setCodTabl(qint64 value)
    {
        return writeInteger(bytes(), f().codTabl, value);
    }
    QString name() const { return stringAt(f().name); }
    void setName(QStringView value) { setStringAt(f().name, value); }
    QString nameL() const { return stringAt(f().nameL); }
    void setNameL(QStringView value) { setStringAt(f().nameL, value); }
    qint64 sm() const { return codeAt(f().sm); }
    [[nodiscard]] runtime::Status setSm(qint64 value)
    {
        return writeInteger(bytes(), f().sm, value);
    }
    qint64 a() const { return codeAt(f().a); }
    [[nodiscard]] runtime::Status setA(qint64 value) { return writeInteger(bytes(), f().a, value); }
    std::uint8_t type() const { return byteAt(f().type); }
    void setType(std::uint8_t value) { setIntegerAt(f().type, value); }
};

inline const TablRecord::Fields &TablRecord::f()
{
    using runtime::store::FieldType;
    static const Fields fields = [] {
        const FieldBinder bind(fileId, recordSize);
        bind.key(u"KEYUNICODT", KeyUnicodT);
        bind.key(u"TAB1", KeyTab1);
        return Fields{bind(u"UNICODT", FieldType::Long),    bind(u"CODFORM", FieldType::Decimal),
                      bind(u"CODTABL", FieldType::Decimal), bind(u"NAME", FieldType::String),
                      bind(u"NAMEL", FieldType::String),    bind(u"SM", FieldType::Decimal),
                      bind(u"A", FieldType::Decimal),       bind(u"TYPE", FieldType::Byte)};
    }();
    return fields;
}

} // namespace zemor::data
