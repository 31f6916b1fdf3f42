#pragma once

// One rule between the tables of a form (`ContrTab`): the left row and column, the relation
// code and up to 40 terms of row and column.
// A view over the caller's record buffer; see RecordView.h for how reads and writes fail.

#include "data/records/RecordView.h"

namespace zemor::data {

class ContrTabRecord : public RecordView
{
    struct Fields
    {
        FieldSpec unicod, codForm, unicodStr, codGr, snak, us1, codGrS1;
    };
    static const Fields &f();

public:
    static constexpr FileId fileId = FileId::ContrTab;
    static constexpr int recordSize = 129;
    static constexpr int termCount = 40;
    // Key indexes, in registration order.
    enum Key : int { KeyUnicod, KeyCodForm };

    explicit ContrTabRecord(QByteArray &record) : RecordView(record, fileId) {}
    // Binds every accessor now; stops the program when one does not match the declaration.
    static void bind() { f(); }

    qint64 unicod() const { return codeAt(f().unicod); }
    [[nodiscard]] runtime::Status setUnicod(qint64 value)
    {
        return writeInteger(bytes(), f().unicod, value);
    }
    qint64 codForm() const { return codeAt(f().codForm); }
    [[nodiscard]] runtime::Status setCodForm(qint64 value)
    {
        return writeInteger(bytes(), f().codForm, value);
    }
    qint16 unicodStr() const { return shortAt(f().unicodStr); }
    void setUnicodStr(qint16 value) { setIntegerAt(f().unicodStr, value); }
    std::uint8_t codGr() const { return byteAt(f().codGr); }
    void setCodGr(std::uint8_t value) { setIntegerAt(f().codGr, value); }
    std::uint8_t snak() const { return byteAt(f().snak); }
    void setSnak(std::uint8_t value) { setIntegerAt(f().snak, value); }
    // n = 1 .. 40; outside that range the value reads as zero and cannot be written.
    qint16 us1(int n) const { return shortAt(f().us1, n); }
    [[nodiscard]] runtime::Status setUs1(int n, qint16 value)
    {
        return writeInteger(bytes(), f().us1, value, n);
    }
    // n = 1 .. 40; outside that range the value reads as zero and cannot be written.
    std::uint8_t codGrS1(int n) const { return byteAt(f().codGrS1, n); }
    [[nodiscard]] runtime::Status setCodGrS1(int n, std::uint8_t value)
    {
        return writeInteger(bytes(), f().codGrS1, value, n);
    }
};

inline const ContrTabRecord::Fields &ContrTabRecord::f()
{
    using runtime::store::FieldType;
    static const Fields fields = [] {
        const FieldBinder bind(fileId, recordSize);
        bind.key(u"KEYUNICOD", KeyUnicod);
        bind.key(u"KEYCODFORM", KeyCodForm);
        return Fields{bind(u"UNICOD", FieldType::Decimal),  bind(u"CODFORM", FieldType::Decimal),
                      bind(u"UNICODSTR", FieldType::Short), bind(u"CODGR", FieldType::Byte),
                      bind(u"SNAK", FieldType::Byte),       bind(u"US1", FieldType::Short, 40),
                      bind(u"CODGRS1", FieldType::Byte, 40)};
    }();
    return fields;
}

} // namespace zemor::data
