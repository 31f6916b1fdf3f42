#pragma once

// One district or city (`region1`): its code and name.
// A view over the caller's record buffer; see RecordView.h for how reads and writes fail.

#include "data/records/RecordView.h"

namespace zemor::data {

class Region1Record : public RecordView
{
    struct Fields
    {
        FieldSpec codReg, name;
    };
    static const Fields &f();

public:
    static constexpr FileId fileId = FileId::region1;
    static constexpr int recordSize = 32;
    // Key indexes, in registration order.
    enum Key : int { KeyCodReg };

    explicit Region1Record(QByteArray &record) : RecordView(record, fileId) {}
    // Binds every accessor now; stops the program when one does not match the declaration.
    static void bind() { f(); }

    qint64 codReg() const { return codeAt(f().codReg); }
    [[nodiscard]] runtime::Status setCodReg(qint64 value)
    {
        return writeInteger(bytes(), f().codReg, value);
    }
    QString name() const { return stringAt(f().name); }
    void setName(QStringView value) { setStringAt(f().name, value); }
};

inline const Region1Record::Fields &Region1Record::f()
{
    using runtime::store::FieldType;
    static const Fields fields = [] {
        const FieldBinder bind(fileId, recordSize);
        bind.key(u"KEYCODREG", KeyCodReg);
        return Fields{bind(u"CODREG", FieldType::Decimal), bind(u"NAME", FieldType::String)};
    }();
    return fields;
}

} // namespace zemor::data
