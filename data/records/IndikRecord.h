#pragma once

// One quality indicator definition (`indik`): its form, name, type and 20 table, indicator and
// type slots.
// A view over the caller's record buffer; see RecordView.h for how reads and writes fail.

#include "data/records/RecordView.h"

namespace zemor::data {

class IndikRecord : public RecordView
{
    struct Fields
    {
        FieldSpec id, codForm, name, tip, codTabl, codPok, tipInd;
    };
    static const Fields &f();

public:
    static constexpr FileId fileId = FileId::indik;
    static constexpr int recordSize = 345;
    static constexpr int slotCount = 20;
    // Key indexes, in registration order.
    enum Key : int { KeyId, KeyCodForm };

    explicit IndikRecord(QByteArray &record) : RecordView(record, fileId) {}
    // Binds every accessor now; stops the program when one does not match the declaration.
    static void bind() { f(); }

    qint64 id() const { return codeAt(f().id); }
    [[nodiscard]] runtime::Status setId(qint64 value)
    {
        return writeInteger(bytes(), f().id, value);
    }
    qint64 codForm() const { return codeAt(f().codForm); }
    [[nodiscard]] runtime::Status setCodForm(qint64 value)
    {
        return writeInteger(bytes(), f().codForm, value);
    }
    QString name() const { return stringAt(f().name); }
    void setName(QStringView value) { setStringAt(f().name, value); }
    std::uint8_t tip() const { return byteAt(f().tip); }
    void setTip(std::uint8_t value) { setIntegerAt(f().tip, value); }
    // n = 1 .. 20; outside that range the value reads as zero and cannot be written.
    qint64 codTabl(int n) const { return codeAt(f().codTabl, n); }
    [[nodiscard]] runtime::Status setCodTabl(int n, qint64 value)
    {
        return writeInteger(bytes(), f().codTabl, value, n);
    }
    // n = 1 .. 20; outside that range the value reads as zero and cannot be written.
    qint64 codPok(int n) const { return codeAt(f().codPok, n); }
    [[nodiscard]] runtime::Status setCodPok(int n, qint64 value)
    {
        return writeInteger(bytes(), f().codPok, value, n);
    }
    // n = 1 .. 20; outside that range the value reads as zero and cannot be written.
    std::uint8_t tipInd(int n) const { return byteAt(f().tipInd, n); }
    [[nodiscard]] runtime::Status setTipInd(int n, std::uint8_t value)
    {
        return writeInteger(bytes(), f().tipInd, value, n);
    }
};

inline const IndikRecord::Fields &IndikRecord::f()
{
    using runtime::store::FieldType;
    static const Fields fields = [] {
        const FieldBinder bind(fileId, recordSize);
        bind.key(u"KEYID", KeyId);
        bind.key(u"KEYCODFORM", KeyCodForm);
        return Fields{
            bind(u"ID", FieldType::Decimal),          bind(u"CODFORM", FieldType::Decimal),
            bind(u"NAME", FieldType::String),         bind(u"TIP", FieldType::Byte),
            bind(u"CODTABL", FieldType::Decimal, 20), bind(u"CODPOK", FieldType::Decimal, 20),
            bind(u"TIP_IND", FieldType::Byte, 20)};
    }();
    return fields;
}

} // namespace zemor::data
