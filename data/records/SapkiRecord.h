#pragma once

// One table header (`Sapki`): the table's record number; the header itself (`SAP:SS`) is the
// record's text object, of at most textObjectSize bytes, kept beside the record by the keyed file.
// A view over the caller's record buffer; see RecordView.h for how reads and writes fail.

#include "data/records/RecordView.h"

namespace zemor::data {

class SapkiRecord : public RecordView
{
    struct Fields
    {
        FieldSpec unicodT;
    };
    static const Fields &f();

public:
    static constexpr FileId fileId = FileId::Sapki;
    static constexpr int recordSize = 4;
    static constexpr int textObjectSize = 1000;
    // Key indexes, in registration order.
    enum Key : int { KeyIdTab };

    explicit SapkiRecord(QByteArray &record) : RecordView(record, fileId) {}
    // Binds every accessor now; stops the program when one does not match the declaration.
    static void bind() { f(); }

    qint32 unicodT() const { return longAt(f().unicodT); }
    void setUnicodT(qint32 value) { setIntegerAt(f().unicodT, value); }
};

inline const SapkiRecord::Fields &SapkiRecord::f()
{
    using runtime::store::FieldType;
    static const Fields fields = [] {
        const FieldBinder bind(fileId, recordSize);
        bind.key(u"KEYIDTAB", KeyIdTab);
        return Fields{bind(u"UNICODT", FieldType::Long)};
    }();
    return fields;
}

} // namespace zemor::data
