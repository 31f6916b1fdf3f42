#pragma once

// One column of a table (`grafa`): its number, headings, display picture and summary kind.
// A view over the caller's record buffer; see RecordView.h for how reads and writes fail.

#include "data/records/RecordView.h"

namespace zemor::data {

class GrafaRecord : public RecordView
{
    struct Fields
    {
        FieldSpec codForm, codTabl, cod, name, nameL, typeGr, format, l, vid;
    };
    static const Fields &f();

public:
    static constexpr FileId fileId = FileId::grafa;
    static constexpr int recordSize = 234;
    // Key indexes, in registration order.
    enum Key : int { KeyGra1 };

    explicit GrafaRecord(QByteArray &record) : RecordView(record, fileId) {}
    // Binds every accessor now; stops the program when one does not match the declaration.
    static void bind() { f(); }

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
    std::uint8_t cod() const { return byteAt(f().cod); }
    void setCod(std::uint8_t value) { setIntegerAt(f().cod, value); }
    QString name() const { return stringAt(f().name); }
    void setName(QStringView value) { setStringAt(f().name, value); }
    QString nameL() const { return stringAt(f().nameL); }
    void setNameL(QStringView value) { setStringAt(f().nameL, value); }
    std::uint8_t typeGr() const { return byteAt(f().typeGr); }
    void setTypeGr(std::uint8_t value) { setIntegerAt(f().typeGr, value); }
    QString format() const { return stringAt(f().format); }
    void setFormat(QStringView value) { setStringAt(f().format, value); }
    std::uint8_t l() const { return byteAt(f().l); }
    void setL(std::uint8_t value) { setIntegerAt(f().l, value); }
    std::uint8_t vid() const { return byteAt(f().vid); }
    void setVid(std::uint8_t value) { setIntegerAt(f().vid, value); }
};

inline const GrafaRecord::Fields &GrafaRecord::f()
{
    using runtime::store::FieldType;
    static const Fields fields = [] {
        const FieldBinder bind(fileId, recordSize);
        bind.key(u"GRA1", KeyGra1);
        return Fields{bind(u"CODFORM", FieldType::Decimal), bind(u"CODTABL", FieldType::Decimal),
                      bind(u"COD", FieldType::Byte),        bind(u"NAME", FieldType::String),
                      bind(u"NAMEL", FieldType::String),    bind(u"TYPEGR", FieldType::Byte),
                      bind(u"FORMAT", FieldType::String),   bind(u"L", FieldType::Byte),
                      bind(u"VID", FieldType::Byte)};
    }();
    return fields;
}

} // namespace zemor::data
