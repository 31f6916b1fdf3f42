#pragma once

// One row rule (`ContrStr`), or one inter-form formula under the name of the year's inter-form
// file: the left row, the relation code and up to 100 signed terms. A view over the caller's record
// buffer; see RecordView.h for how reads and writes fail.

#include "data/records/RecordView.h"

namespace zemor::data {

class ContrStrRecord : public RecordView
{
    struct Fields
    {
        FieldSpec unicod, codForm, codGr, unicodStr, snak, s1;
    };
    static const Fields &f();

public:
    static constexpr FileId fileId = FileId::ContrStr;
    static constexpr int recordSize = 212;
    static constexpr int termCount = 100;
    // Key indexes, in registration order.
    enum Key : int { KeyUnicod, KeyCodForm };

    explicit ContrStrRecord(QByteArray &record) : RecordView(record, fileId) {}
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
    std::uint8_t codGr() const { return byteAt(f().codGr); }
    void setCodGr(std::uint8_t value) { setIntegerAt(f().codGr, value); }
    qint16 unicodStr() const { return shortAt(f().unicodStr); }
    void setUnicodStr(qint16 value) { setIntegerAt(f().unicodStr, value); }
    std::uint8_t snak() const { return byteAt(f().snak); }
    void setSnak(std::uint8_t value) { setIntegerAt(f().snak, value); }
    // n = 1 .. 100; outside that range the value reads as zero and cannot be written.
    qint16 s1(int n) const { return shortAt(f().s1, n); }
    [[nodiscard]] runtime::Status setS1(int n, qint16 value)
    {
        return writeInteger(bytes(), f().s1, value, n);
    }
};

inline const ContrStrRecord::Fields &ContrStrRecord::f()
{
    using runtime::store::FieldType;
    static const Fields fields = [] {
        const FieldBinder bind(fileId, recordSize);
        bind.key(u"KEYUNICOD", KeyUnicod);
        bind.key(u"KEYCODFORM", KeyCodForm);
        return Fields{bind(u"UNICOD", FieldType::Decimal), bind(u"CODFORM", FieldType::Decimal),
                      bind(u"CODGR", FieldType::Byte),     bind(u"UNICODSTR", FieldType::Short),
                      bind(u"SNAK", FieldType::Byte),      bind(u"S1", FieldType::Short, 100)};
    }();
    return fields;
}

} // namespace zemor::data
