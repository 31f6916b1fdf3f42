#pragma once

// One form of a year's catalogue (`forma`): its code, names, periodicity and on/off flag.
// A view over the caller's record buffer; see RecordView.h for how reads and writes fail.

#include "data/records/RecordView.h"

namespace zemor::data {

class FormaRecord : public RecordView
{
    struct Fields
    {
        FieldSpec unicod, name, cod, tip, blok, s, vkl;
    };
    static const Fields &f();

public:
    static constexpr FileId fileId = FileId::forma;
    static constexpr int recordSize = 365;
    // Key indexes, in registration order.
    enum Key : int { KeyUnicod };

    explicit FormaRecord(QByteArray &record) : RecordView(record, fileId) {}
    // Binds every accessor now; stops the program when one does not match the declaration.
    static void bind() { f(); }

    qint64 unicod() const { return codeAt(f().unicod); }
    [[nodiscard]] runtime::Status setUnicod(qint64 value)
    {
        return writeInteger(bytes(), f().unicod, value);
    }
    QString name() const { return stringAt(f().name); }
    void setName(QStringView value) { setStringAt(f().name, value); }
    QString cod() const { return stringAt(f().cod); }
    void setCod(QStringView value) { setStringAt(f().cod, value); }
    std::uint8_t tip() const { return byteAt(f().tip); }
    void setTip(std::uint8_t value) { setIntegerAt(f().tip, value); }
    std::uint8_t blok() const { return byteAt(f().blok); }
    void setBlok(std::uint8_t value) { setIntegerAt(f().blok, value); }
    QString s() const { return stringAt(f().s); }
    void setS(QStringView value) { setStringAt(f().s, value); }
    std::uint8_t vkl() const { return byteAt(f().vkl); }
    void setVkl(std::uint8_t value) { setIntegerAt(f().vkl, value); }
};

inline const FormaRecord::Fields &FormaRecord::f()
{
    using runtime::store::FieldType;
    static const Fields fields = [] {
        const FieldBinder bind(fileId, recordSize);
        bind.key(u"KEYUNICOD", KeyUnicod);
        return Fields{bind(u"UNICOD", FieldType::Decimal), bind(u"NAME", FieldType::String),
                      bind(u"COD", FieldType::String),     bind(u"TIP", FieldType::Byte),
                      bind(u"BLOK", FieldType::Byte),      bind(u"S", FieldType::String),
                      bind(u"VKL", FieldType::Byte)};
    }();
    return fields;
}

} // namespace zemor::data
