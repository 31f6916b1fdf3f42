#pragma once

// One row of one report (`otchet`): institution, period, table, row and the 35 column values.
// Value n (1 to 35) is `OTC:DATA`n, DECIMAL(17,3).
// A view over the caller's record buffer; see RecordView.h for how reads and writes fail.

#include "data/records/RecordView.h"

namespace zemor::data {

class OtchetRecord : public RecordView
{
    struct Fields
    {
        FieldSpec codReg, codUch, codTab, mes, tip, unicodStr, data;
    };
    static const Fields &f();

public:
    static constexpr FileId fileId = FileId::otchet;
    static constexpr int recordSize = 330;
    static constexpr int valueCount = 35;
    // Key indexes, in registration order.
    enum Key : int { KeyCodReg, KeyCodUch, KeyCodTab, KeyCodStr };

    explicit OtchetRecord(QByteArray &record) : RecordView(record, fileId) {}
    // Binds every accessor now; stops the program when one does not match the declaration.
    static void bind() { f(); }

    std::uint8_t codReg() const { return byteAt(f().codReg); }
    void setCodReg(std::uint8_t value) { setIntegerAt(f().codReg, value); }
    qint32 codUch() const { return longAt(f().codUch); }
    void setCodUch(qint32 value) { setIntegerAt(f().codUch, value); }
    qint64 codTab() const { return codeAt(f().codTab); }
    [[nodiscard]] runtime::Status setCodTab(qint64 value)
    {
        return writeInteger(bytes(), f().codTab, value);
    }
    qint32 mes() const { return longAt(f().mes); }
    void setMes(qint32 value) { setIntegerAt(f().mes, value); }
    std::uint8_t tip() const { return byteAt(f().tip); }
    void setTip(std::uint8_t value) { setIntegerAt(f().tip, value); }
    qint16 unicodStr() const { return shortAt(f().unicodStr); }
    void setUnicodStr(qint16 value) { setIntegerAt(f().unicodStr, value); }
    // n = 1 .. 35; outside that range the value reads as zero and cannot be written.
    runtime::Decimal data(int n) const { return decimalAt(f().data, n); }
    [[nodiscard]] runtime::Status setData(int n, const runtime::Decimal &value)
    {
        return writeDecimal(bytes(), f().data, value, n);
    }
};

inline const OtchetRecord::Fields &OtchetRecord::f()
{
    using runtime::store::FieldType;
    static const Fields fields = [] {
        const FieldBinder bind(fileId, recordSize);
        bind.key(u"KEYCODREG", KeyCodReg);
        bind.key(u"KEYCODUCH", KeyCodUch);
        bind.key(u"KEYCODTAB", KeyCodTab);
        bind.key(u"KEYCODSTR", KeyCodStr);
        return Fields{bind(u"CODREG", FieldType::Byte),     bind(u"CODUCH", FieldType::Long),
                      bind(u"CODTAB", FieldType::Decimal),  bind(u"MES", FieldType::Long),
                      bind(u"TIP", FieldType::Byte),        bind(u"UNICODSTR", FieldType::Short),
                      bind(u"DATA", FieldType::Decimal, 35)};
    }();
    return fields;
}

} // namespace zemor::data
