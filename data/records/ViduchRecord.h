#pragma once

// One institution kind (`viduch`): its code and name.
// A view over the caller's record buffer; see RecordView.h for how reads and writes fail.

#include "data/records/RecordView.h"

namespace zemor::data {

class ViduchRecord : public RecordView
{
    struct Fields
    {
        FieldSpec codVid, nameUch;
    };
    static const Fields &f();

public:
    static constexpr FileId fileId = FileId::viduch;
    static constexpr int recordSize = 52;
    // Key indexes, in registration order.
    enum Key : int { KeyCodVid };

    explicit ViduchRecord(QByteArray &record) : RecordView(record, fileId) {}
    // Binds every accessor now; stops the program when one does not match the declaration.
    static void bind() { f(); }

    qint64 codVid() const { return codeAt(f().codVid); }
    [[nodiscard]] runtime::Status setCodVid(qint64 value)
    {
        return writeInteger(bytes(), f().codVid, value);
    }
    QString nameUch() const { return stringAt(f().nameUch); }
    void setNameUch(QStringView value) { setStringAt(f().nameUch, value); }
};

inline const ViduchRecord::Fields &ViduchRecord::f()
{
    using runtime::store::FieldType;
    static const Fields fields = [] {
        const FieldBinder bind(fileId, recordSize);
        bind.key(u"KEYCODVID", KeyCodVid);
        return Fields{bind(u"CODVID", FieldType::Decimal), bind(u"NAMEUCH", FieldType::String)};
    }();
    return fields;
}

} // namespace zemor::data
