#pragma once

// One row of a table (`stroka`): its identifier, order, printed number and names.
// A view over the caller's record buffer; see RecordView.h for how reads and writes fail.

#include "data/records/RecordView.h"

namespace zemor::data {

class StrokaRecord : public RecordView
{
    struct Fields
    {
        FieldSpec unicod, codForm, codTabl, number, codStr, codMkb, name, nameL, pol, codNas;
    };
    static const Fields &f();

public:
    static constexpr FileId fileId = FileId::stroka;
    static constexpr int recordSize = 445;
    // Key indexes, in registration order.
    enum Key : int { KeyUnicod, KeyStrNum, KeyStr1 };

    explicit StrokaRecord(QByteArray &record) : RecordView(record, fileId) {}
    // Binds every accessor now; stops the program when one does not match the declaration.
    static void bind() { f(); }

    qint16 unicod() const { return shortAt(f().unicod); }
    void setUnicod(qint16 value) { setIntegerAt(f().unicod, value); }
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
    std::uint8_t number() const { return byteAt(f().number); }
    void setNumber(std::uint8_t value) { setIntegerAt(f().number, value); }
    QString codStr() const { return stringAt(f().codStr); }
    void setCodStr(QStringView value) { setStringAt(f().codStr, value); }
    QString codMkb() const { return stringAt(f().codMkb); }
    void setCodMkb(QStringView value) { setStringAt(f().codMkb, value); }
    QString name() const { return stringAt(f().name); }
    void setName(QStringView value) { setStringAt(f().name, value); }
    QString nameL() const { return stringAt(f().nameL); }
    void setNameL(QStringView value) { setStringAt(f().nameL, value); }
    QString pol() const { return stringAt(f().pol); }
    void setPol(QStringView value) { setStringAt(f().pol, value); }
    std::uint8_t codNas() const { return byteAt(f().codNas); }
    void setCodNas(std::uint8_t value) { setIntegerAt(f().codNas, value); }
};

inline const StrokaRecord::Fields &StrokaRecord::f()
{
    using runtime::store::FieldType;
    static const Fields fields = [] {
        const FieldBinder bind(fileId, recordSize);
        bind.key(u"KEYUNICOD", KeyUnicod);
        bind.key(u"STRNUM", KeyStrNum);
        bind.key(u"STR1", KeyStr1);
        return Fields{bind(u"UNICOD", FieldType::Short),    bind(u"CODFORM", FieldType::Decimal),
                      bind(u"CODTABL", FieldType::Decimal), bind(u"NUMBER", FieldType::Byte),
                      bind(u"CODSTR", FieldType::String),   bind(u"CODMKB", FieldType::String),
                      bind(u"NAME", FieldType::String),     bind(u"NAMEL", FieldType::String),
                      bind(u"POL", FieldType::String),      bind(u"CODNAS", FieldType::Byte)};
    }();
    return fields;
}

} // namespace zemor::data
