#pragma once

// The program-name record (`NameProg`): the frame title and the mail addresses.
// A view over the caller's record buffer; see RecordView.h for how reads and writes fail.

#include "data/records/RecordView.h"

namespace zemor::data {

class NameProgRecord : public RecordView
{
    struct Fields
    {
        FieldSpec proga, mail, mailTar, mailSar, a1;
    };
    static const Fields &f();

public:
    static constexpr FileId fileId = FileId::NameProg;
    static constexpr int recordSize = 600;

    explicit NameProgRecord(QByteArray &record) : RecordView(record, fileId) {}
    // Binds every accessor now; stops the program when one does not match the declaration.
    static void bind() { f(); }

    QString proga() const { return stringAt(f().proga); }
    void setProga(QStringView value) { setStringAt(f().proga, value); }
    QString mail() const { return stringAt(f().mail); }
    void setMail(QStringView value) { setStringAt(f().mail, value); }
    QString mailTar() const { return stringAt(f().mailTar); }
    void setMailTar(QStringView value) { setStringAt(f().mailTar, value); }
    QString mailSar() const { return stringAt(f().mailSar); }
    void setMailSar(QStringView value) { setStringAt(f().mailSar, value); }
    QString a1() const { return stringAt(f().a1); }
    void setA1(QStringView value) { setStringAt(f().a1, value); }
};

inline const NameProgRecord::Fields &NameProgRecord::f()
{
    using runtime::store::FieldType;
    static const Fields fields = [] {
        const FieldBinder bind(fileId, recordSize);
        return Fields{bind(u"PROGA", FieldType::String), bind(u"MAIL", FieldType::String),
                      bind(u"MAILTAR", FieldType::String), bind(u"MAIL_SAR", FieldType::String),
                      bind(u"A1", FieldType::String)};
    }();
    return fields;
}

} // namespace zemor::data
