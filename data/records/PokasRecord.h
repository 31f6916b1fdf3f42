#pragma once

// One indicator cell (`Pokas`): its indicator, source cell, factor and result slot.
// A view over the caller's record buffer; see RecordView.h for how reads and writes fail.

#include "data/records/RecordView.h"

namespace zemor::data {

class PokasRecord : public RecordView
{
    struct Fields
    {
        FieldSpec unicod, unicodP, codForm, codTabl, unicodStr, codGr, hislo, num, snak, codGrP,
            mes;
    };
    static const Fields &f();

public:
    static constexpr FileId fileId = FileId::Pokas;
    static constexpr int recordSize = 26;
    // Key indexes, in registration order.
    enum Key : int { KeyUn, KeyUnicodP };

    explicit PokasRecord(QByteArray &record) : RecordView(record, fileId) {}
    // Binds every accessor now; stops the program when one does not match the declaration.
    static void bind() { f(); }

    qint32 unicod() const { return longAt(f().unicod); }
    void setUnicod(qint32 value) { setIntegerAt(f().unicod, value); }
    qint16 unicodP() const { return shortAt(f().unicodP); }
    void setUnicodP(qint16 value) { setIntegerAt(f().unicodP, value); }
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
    qint16 unicodStr() const { return shortAt(f().unicodStr); }
    void setUnicodStr(qint16 value) { setIntegerAt(f().unicodStr, value); }
    std::uint8_t codGr() const { return byteAt(f().codGr); }
    void setCodGr(std::uint8_t value) { setIntegerAt(f().codGr, value); }
    double hislo() const { return realAt(f().hislo); }
    void setHislo(double value) { setRealAt(f().hislo, value); }
    std::uint8_t num() const { return byteAt(f().num); }
    void setNum(std::uint8_t value) { setIntegerAt(f().num, value); }
    std::uint8_t snak() const { return byteAt(f().snak); }
    void setSnak(std::uint8_t value) { setIntegerAt(f().snak, value); }
    std::uint8_t codGrP() const { return byteAt(f().codGrP); }
    void setCodGrP(std::uint8_t value) { setIntegerAt(f().codGrP, value); }
    std::uint8_t mes() const { return byteAt(f().mes); }
    void setMes(std::uint8_t value) { setIntegerAt(f().mes, value); }
};

inline const PokasRecord::Fields &PokasRecord::f()
{
    using runtime::store::FieldType;
    static const Fields fields = [] {
        const FieldBinder bind(fileId, recordSize);
        bind.key(u"KEYUN", KeyUn);
        bind.key(u"KEYUNICODP", KeyUnicodP);
        return Fields{bind(u"UNICOD", FieldType::Long),     bind(u"UNICODP", FieldType::Short),
                      bind(u"CODFORM", FieldType::Decimal), bind(u"CODTABL", FieldType::Decimal),
                      bind(u"UNICODSTR", FieldType::Short), bind(u"CODGR", FieldType::Byte),
                      bind(u"HISLO", FieldType::Real),      bind(u"NUM", FieldType::Byte),
                      bind(u"SNAK", FieldType::Byte),       bind(u"CODGRP", FieldType::Byte),
                      bind(u"MES", FieldType::Byte)};
    }();
    return fields;
}

} // namespace zemor::data
