#pragma once

// The name of a saved cross-section (`RASRESN`).
// A view over the caller's record buffer; see RecordView.h for how reads and writes fail.

#include "data/records/RecordView.h"

namespace zemor::data {

class RasresnRecord : public RecordView
{
    struct Fields
    {
        FieldSpec idQw, name, codForm;
    };
    static const Fields &f();

public:
    static constexpr FileId fileId = FileId::RASRESN;
    static constexpr int recordSize = 206;
    // Key indexes, in registration order.
    enum Key : int { KeyId };

    explicit RasresnRecord(QByteArray &record) : RecordView(record, fileId) {}
    // Binds every accessor now; stops the program when one does not match the declaration.
    static void bind() { f(); }

    qint32 idQw() const { return longAt(f().idQw); }
    void setIdQw(qint32 value) { setIntegerAt(f().idQw, value); }
    QString name() const { return stringAt(f().name); }
    void setName(QStringView value) { setStringAt(f().name, value); }
    qint64 codForm() const { return codeAt(f().codForm); }
    [[nodiscard]] runtime::Status setCodForm(qint64 value)
    {
        return writeInteger(bytes(), f().codForm, value);
    }
};

inline const RasresnRecord::Fields &RasresnRecord::f()
{
    using runtime::store::FieldType;
    static const Fields fields = [] {
        const FieldBinder bind(fileId, recordSize);
        bind.key(u"KEYID", KeyId);
        return Fields{bind(u"IDQW", FieldType::Long), bind(u"NAME", FieldType::String),
                      bind(u"CODFORM", FieldType::Decimal)};
    }();
    return fields;
}

} // namespace zemor::data
