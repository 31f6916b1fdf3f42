#pragma once

// The installation settings (`USER1`), the first record of its file.
// A view over the caller's record buffer; see RecordView.h for how reads and writes fail.

#include "data/records/RecordView.h"

namespace zemor::data {

class User1Record : public RecordView
{
    struct Fields
    {
        FieldSpec nameObl, nameUser, tipUser, codReg, kodUser, temp, office, adres, s1, s2, s3, ss1,
            ss2, ss3;
    };
    static const Fields &f();

public:
    static constexpr FileId fileId = FileId::USER1;
    static constexpr int recordSize = 1677;

    explicit User1Record(QByteArray &record) : RecordView(record, fileId) {}
    // Binds every accessor now; stops the program when one does not match the declaration.
    static void bind() { f(); }

    QString nameObl() const { return stringAt(f().nameObl); }
    void setNameObl(QStringView value) { setStringAt(f().nameObl, value); }
    QString nameUser() const { return stringAt(f().nameUser); }
    void setNameUser(QStringView value) { setStringAt(f().nameUser, value); }
    std::uint8_t tipUser() const { return byteAt(f().tipUser); }
    void setTipUser(std::uint8_t value) { setIntegerAt(f().tipUser, value); }
    qint64 codReg() const { return codeAt(f().codReg); }
    [[nodiscard]] runtime::Status setCodReg(qint64 value)
    {
        return writeInteger(bytes(), f().codReg, value);
    }
    qint32 kodUser() const { return longAt(f().kodUser); }
    void setKodUser(qint32 value) { setIntegerAt(f().kodUser, value); }
    QString temp() const { return stringAt(f().temp); }
    void setTemp(QStringView value) { setStringAt(f().temp, value); }
    QString office() const { return stringAt(f().office); }
    void setOffice(QStringView value) { setStringAt(f().office, value); }
    QString adres() const { return stringAt(f().adres); }
    void setAdres(QStringView value) { setStringAt(f().adres, value); }
    QString s1() const { return stringAt(f().s1); }
    void setS1(QStringView value) { setStringAt(f().s1, value); }
    QString s2() const { return stringAt(f().s2); }
    void setS2(QStringView value) { setStringAt(f().s2, value); }
    QString s3() const { return stringAt(f().s3); }
    void setS3(QStringView value) { setStringAt(f().s3, value); }
    QString ss1() const { return stringAt(f().ss1); }
    void setSs1(QStringView value) { setStringAt(f().ss1, value); }
    QString ss2() const { return stringAt(f().ss2); }
    void setSs2(QStringView value) { setStringAt(f().ss2, value); }
    QString ss3() const { return stringAt(f().ss3); }
    void setSs3(QStringView value) { setStringAt(f().ss3, value); }
};

inline const User1Record::Fields &User1Record::f()
{
    using runtime::store::FieldType;
    static const Fields fields = [] {
        const FieldBinder bind(fileId, recordSize);
        return Fields{bind(u"NAMEOBL", FieldType::String), bind(u"NAMEUSER", FieldType::String),
                      bind(u"TIPUSER", FieldType::Byte),   bind(u"CODREG", FieldType::Decimal),
                      bind(u"KODUSER", FieldType::Long),   bind(u"TEMP", FieldType::String),
                      bind(u"OFFICE", FieldType::String),  bind(u"ADRES", FieldType::String),
                      bind(u"S1", FieldType::String),      bind(u"S2", FieldType::String),
                      bind(u"S3", FieldType::String),      bind(u"SS1", FieldType::String),
                      bind(u"SS2", FieldType::String),     bind(u"SS3", FieldType::String)};
    }();
    return fields;
}

} // namespace zemor::data
