#pragma once

// The marker of a report open in report entry (`WWOD`): year, institution and form.
// A view over the caller's record buffer; see RecordView.h for how reads and writes fail.

#include "data/records/RecordView.h"

namespace zemor::data {

class WwodRecord : public RecordView
{
    struct Fields
    {
        FieldSpec year, codUch, codForm;
    };
    static const Fields &f();

public:
    static constexpr FileId fileId = FileId::WWOD;
    static constexpr int recordSize = 8;
    // Key indexes, in registration order.
    enum Key : int { KeyUf };

    explicit WwodRecord(QByteArray &record) : RecordView(record, fileId) {}
    // Binds every accessor now; stops the program when one does not match the declaration.
    static void bind() { f(); }

    qint16 year() const { return shortAt(f().year); }
    void setYear(qint16 value) { setIntegerAt(f().year, value); }
    qint32 codUch() const { return longAt(f().codUch); }
    void setCodUch(qint32 value) { setIntegerAt(f().codUch, value); }
    qint64 codForm() const { return codeAt(f().codForm); }
    [[nodiscard]] runtime::Status setCodForm(qint64 value)
    {
        return writeInteger(bytes(), f().codForm, value);
    }
};

inline const WwodRecord::Fields &WwodRecord::f()
{
    using runtime::store::FieldType;
    static const Fields fields = [] {
        const FieldBinder bind(fileId, recordSize);
        bind.key(u"KEYUF", KeyUf);
        return Fields{bind(u"YEAR", FieldType::Short), bind(u"CODUCH", FieldType::Long),
                      bind(u"CODFORM", FieldType::Decimal)};
    }();
    return fields;
}

} // namespace zemor::data
