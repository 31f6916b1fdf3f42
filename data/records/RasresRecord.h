#pragma once

// One marked cell of a saved cross-section (`RASRES`).
// A view over the caller's record buffer; see RecordView.h for how reads and writes fail.

#include "data/records/RecordView.h"

namespace zemor::data {

class RasresRecord : public RecordView
{
    struct Fields
    {
        FieldSpec idQw, nn, year, forma, unicodStr, gr;
    };
    static const Fields &f();

public:
    static constexpr FileId fileId = FileId::RASRES;
    static constexpr int recordSize = 12;
    // Key indexes, in registration order.
    enum Key : int { KeyId };

    explicit RasresRecord(QByteArray &record) : RecordView(record, fileId) {}
    // Binds every accessor now; stops the program when one does not match the declaration.
    static void bind() { f(); }

    qint32 idQw() const { return longAt(f().idQw); }
    void setIdQw(qint32 value) { setIntegerAt(f().idQw, value); }
    std::uint8_t nn() const { return byteAt(f().nn); }
    void setNn(std::uint8_t value) { setIntegerAt(f().nn, value); }
    qint16 year() const { return shortAt(f().year); }
    void setYear(qint16 value) { setIntegerAt(f().year, value); }
    qint64 forma() const { return codeAt(f().forma); }
    [[nodiscard]] runtime::Status setForma(qint64 value)
    {
        return writeInteger(bytes(), f().forma, value);
    }
    qint16 unicodStr() const { return shortAt(f().unicodStr); }
    void setUnicodStr(qint16 value) { setIntegerAt(f().unicodStr, value); }
    std::uint8_t gr() const { return byteAt(f().gr); }
    void setGr(std::uint8_t value) { setIntegerAt(f().gr, value); }
};

inline const RasresRecord::Fields &RasresRecord::f()
{
    using runtime::store::FieldType;
    static const Fields fields = [] {
        const FieldBinder bind(fileId, recordSize);
        bind.key(u"KEYID", KeyId);
        return Fields{bind(u"IDQW", FieldType::Long),       bind(u"NN", FieldType::Byte),
                      bind(u"YEAR", FieldType::Short),      bind(u"FORMA", FieldType::Decimal),
                      bind(u"UNICODSTR", FieldType::Short), bind(u"GR", FieldType::Byte)};
    }();
    return fields;
}

} // namespace zemor::data
