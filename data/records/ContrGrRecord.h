#pragma once

// One column rule (`ContrGr`): the left column, the relation code and up to 24 signed column terms.
// A view over the caller's record buffer; see RecordView.h for how reads and writes fail.

#include "data/records/RecordView.h"

namespace zemor::data {

class ContrGrRecord : public RecordView
{
    struct Fields
    {
        FieldSpec unicod, codForm, codTabl, codStr, unicodStr, s, snak, s1, prim;
    };
    static const Fields &f();

public:
    static constexpr FileId fileId = FileId::ContrGr;
    static constexpr int recordSize = 86;
    static constexpr int termCount = 24;
    // Key indexes, in registration order.
    enum Key : int { KeyUnicod, KeyCod, KeyCodTab };

    explicit ContrGrRecord(QByteArray &record) : RecordView(record, fileId) {}
    // Binds every accessor now; stops the program when one does not match the declaration.
    static void bind() { f(); }

    qint32 unicod() const { return longAt(f().unicod); }
    void setUnicod(qint32 value) { setIntegerAt(f().unicod, value); }
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
    QString codStr() const { return stringAt(f().codStr); }
    void setCodStr(QStringView value) { setStringAt(f().codStr, value); }
    qint16 unicodStr() const { return shortAt(f().unicodStr); }
    void setUnicodStr(qint16 value) { setIntegerAt(f().unicodStr, value); }
    std::uint8_t s() const { return byteAt(f().s); }
    void setS(std::uint8_t value) { setIntegerAt(f().s, value); }
    std::uint8_t snak() const { return byteAt(f().snak); }
    void setSnak(std::uint8_t value) { setIntegerAt(f().snak, value); }
    // n = 1 .. 24; outside that range the value reads as zero and cannot be written.
    qint16 s1(int n) const { return shortAt(f().s1, n); }
    [[nodiscard]] runtime::Status setS1(int n, qint16 value)
    {
        return writeInteger(bytes(), f().s1, value, n);
    }
    QString prim() const { return stringAt(f().prim); }
    void setPrim(QStringView value) { setStringAt(f().prim, value); }
};

inline const ContrGrRecord::Fields &ContrGrRecord::f()
{
    using runtime::store::FieldType;
    static const Fields fields = [] {
        const FieldBinder bind(fileId, recordSize);
        bind.key(u"KEYUNICOD", KeyUnicod);
        bind.key(u"COD", KeyCod);
        bind.key(u"CODTAB", KeyCodTab);
        return Fields{bind(u"UNICOD", FieldType::Long),     bind(u"CODFORM", FieldType::Decimal),
                      bind(u"CODTABL", FieldType::Decimal), bind(u"CODSTR", FieldType::String),
                      bind(u"UNICODSTR", FieldType::Short), bind(u"S", FieldType::Byte),
                      bind(u"SNAK", FieldType::Byte),       bind(u"S1", FieldType::Short, 24),
                      bind(u"PRIM", FieldType::String)};
    }();
    return fields;
}

} // namespace zemor::data
