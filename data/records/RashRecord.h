#pragma once

// One calculation rule of a table (`Rash`): its kind, target and up to 50 signed terms.
// A view over the caller's record buffer; see RecordView.h for how reads and writes fail.

#include "data/records/RecordView.h"

namespace zemor::data {

class RashRecord : public RecordView
{
    struct Fields
    {
        FieldSpec id, codForm, codTab, tipRash, gs, gs1;
    };
    static const Fields &f();

public:
    static constexpr FileId fileId = FileId::Rash;
    static constexpr int recordSize = 162;
    static constexpr int termCount = 50;
    // Key indexes, in registration order.
    enum Key : int { KeyId, KeyForTab };

    explicit RashRecord(QByteArray &record) : RecordView(record, fileId) {}
    // Binds every accessor now; stops the program when one does not match the declaration.
    static void bind() { f(); }

    qint32 id() const { return longAt(f().id); }
    void setId(qint32 value) { setIntegerAt(f().id, value); }
    qint64 codForm() const { return codeAt(f().codForm); }
    [[nodiscard]] runtime::Status setCodForm(qint64 value)
    {
        return writeInteger(bytes(), f().codForm, value);
    }
    qint64 codTab() const { return codeAt(f().codTab); }
    [[nodiscard]] runtime::Status setCodTab(qint64 value)
    {
        return writeInteger(bytes(), f().codTab, value);
    }
    std::uint8_t tipRash() const { return byteAt(f().tipRash); }
    void setTipRash(std::uint8_t value) { setIntegerAt(f().tipRash, value); }
    qint16 gs() const { return shortAt(f().gs); }
    void setGs(qint16 value) { setIntegerAt(f().gs, value); }
    // n = 1 .. 50; outside that range the value reads as zero and cannot be written.
    qint64 gs1(int n) const { return codeAt(f().gs1, n); }
    [[nodiscard]] runtime::Status setGs1(int n, qint64 value)
    {
        return writeInteger(bytes(), f().gs1, value, n);
    }
};

inline const RashRecord::Fields &RashRecord::f()
{
    using runtime::store::FieldType;
    static const Fields fields = [] {
        const FieldBinder bind(fileId, recordSize);
        bind.key(u"KEYID", KeyId);
        bind.key(u"KEYFORTAB", KeyForTab);
        return Fields{bind(u"ID", FieldType::Long),        bind(u"CODFORM", FieldType::Decimal),
                      bind(u"CODTAB", FieldType::Decimal), bind(u"TIPRASH", FieldType::Byte),
                      bind(u"GS", FieldType::Short),       bind(u"GS1", FieldType::Decimal, 50)};
    }();
    return fields;
}

} // namespace zemor::data
