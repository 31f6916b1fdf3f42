#pragma once

// One institution (`boln`): code, district, kind, name, settlement type and years.
// A view over the caller's record buffer; see RecordView.h for how reads and writes fail.

#include "data/records/RecordView.h"

namespace zemor::data {

class BolnRecord : public RecordView
{
    struct Fields
    {
        FieldSpec unicod, codReg, vid, nazv, sel, subVid, sYear, eYear, idOld, s;
    };
    static const Fields &f();

public:
    static constexpr FileId fileId = FileId::boln;
    static constexpr int recordSize = 169;
    // Key indexes, in registration order.
    enum Key : int { KeyUnicod, KeyCodReg, KeyVid, KeySel };

    explicit BolnRecord(QByteArray &record) : RecordView(record, fileId) {}
    // Binds every accessor now; stops the program when one does not match the declaration.
    static void bind() { f(); }

    qint32 unicod() const { return longAt(f().unicod); }
    void setUnicod(qint32 value) { setIntegerAt(f().unicod, value); }
    qint64 codReg() const { return codeAt(f().codReg); }
    [[nodiscard]] runtime::Status setCodReg(qint64 value)
    {
        return writeInteger(bytes(), f().codReg, value);
    }
    qint64 vid() const { return codeAt(f().vid); }
    [[nodiscard]] runtime::Status setVid(qint64 value)
    {
        return writeInteger(bytes(), f().vid, value);
    }
    QString nazv() const { return stringAt(f().nazv); }
    void setNazv(QStringView value) { setStringAt(f().nazv, value); }
    std::uint8_t sel() const { return byteAt(f().sel); }
    void setSel(std::uint8_t value) { setIntegerAt(f().sel, value); }
    qint64 subVid() const { return codeAt(f().subVid); }
    [[nodiscard]] runtime::Status setSubVid(qint64 value)
    {
        return writeInteger(bytes(), f().subVid, value);
    }
    qint16 sYear() const { return shortAt(f().sYear); }
    void setSYear(qint16 value) { setIntegerAt(f().sYear, value); }
    qint16 eYear() const { return shortAt(f().eYear); }
    void setEYear(qint16 value) { setIntegerAt(f().eYear, value); }
    qint32 idOld() const { return longAt(f().idOld); }
    void setIdOld(qint32 value) { setIntegerAt(f().idOld, value); }
    QString s() const { return stringAt(f().s); }
    void setS(QStringView value) { setStringAt(f().s, value); }
};

inline const BolnRecord::Fields &BolnRecord::f()
{
    using runtime::store::FieldType;
    static const Fields fields = [] {
        const FieldBinder bind(fileId, recordSize);
        bind.key(u"KEYUNICOD", KeyUnicod);
        bind.key(u"KEYCODREG", KeyCodReg);
        bind.key(u"KEYVID", KeyVid);
        bind.key(u"KEYSEL", KeySel);
        return Fields{bind(u"UNICOD", FieldType::Long), bind(u"CODREG", FieldType::Decimal),
                      bind(u"VID", FieldType::Decimal), bind(u"NAZV", FieldType::String),
                      bind(u"SEL", FieldType::Byte),    bind(u"SUBVID", FieldType::Decimal),
                      bind(u"SYEAR", FieldType::Short), bind(u"EYEAR", FieldType::Short),
                      bind(u"IDOLD", FieldType::Long),  bind(u"S", FieldType::String)};
    }();
    return fields;
}

} // namespace zemor::data
