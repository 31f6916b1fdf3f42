#pragma once

// One named institution set (`NABOR`): its name, kind and up to 250 institution codes.
// A view over the caller's record buffer; see RecordView.h for how reads and writes fail.

#include "data/records/RecordView.h"

namespace zemor::data {

class NaborRecord : public RecordView
{
    struct Fields
    {
        FieldSpec id, name, tip, idLpu;
    };
    static const Fields &f();

public:
    static constexpr FileId fileId = FileId::NABOR;
    static constexpr int recordSize = 1205;
    static constexpr int maxInstitutions = 250;
    // Key indexes, in registration order.
    enum Key : int { KeyId };

    explicit NaborRecord(QByteArray &record) : RecordView(record, fileId) {}
    // Binds every accessor now; stops the program when one does not match the declaration.
    static void bind() { f(); }

    qint32 id() const { return longAt(f().id); }
    void setId(qint32 value) { setIntegerAt(f().id, value); }
    QString name() const { return stringAt(f().name); }
    void setName(QStringView value) { setStringAt(f().name, value); }
    std::uint8_t tip() const { return byteAt(f().tip); }
    void setTip(std::uint8_t value) { setIntegerAt(f().tip, value); }
    // n = 1 .. 250; outside that range the value reads as zero and cannot be written.
    qint32 idLpu(int n) const { return longAt(f().idLpu, n); }
    [[nodiscard]] runtime::Status setIdLpu(int n, qint32 value)
    {
        return writeInteger(bytes(), f().idLpu, value, n);
    }
};

inline const NaborRecord::Fields &NaborRecord::f()
{
    using runtime::store::FieldType;
    static const Fields fields = [] {
        const FieldBinder bind(fileId, recordSize);
        bind.key(u"KEYID", KeyId);
        return Fields{bind(u"ID", FieldType::Long), bind(u"NAME", FieldType::String),
                      bind(u"TIP", FieldType::Byte), bind(u"IDLPU", FieldType::Long, 250)};
    }();
    return fields;
}

} // namespace zemor::data
