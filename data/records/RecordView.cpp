#include "data/records/RecordView.h"

#include <QtGlobal>

namespace zemor::data {

namespace {

QString qualified(const runtime::store::RecordLayout &layout, QStringView name)
{
    QString result = layout.prefix;
    result += u':';
    result += name;
    return result;
}

} // namespace

FieldBinder::FieldBinder(FileId file, int recordSize)
    : FieldBinder(declaration(file).layout, recordSize)
{
}

FieldBinder::FieldBinder(const runtime::store::RecordLayout &layout, int recordSize)
    : m_layout(&layout)
{
    if (layout.size != recordSize)
        qFatal("record class of %s: size %d, declared %d", qPrintable(layout.label), recordSize,
               layout.size);
}

FieldSpec FieldBinder::operator()(QStringView name, runtime::store::FieldType type, int dim) const
{
    const runtime::store::RecordLayout &layout = *m_layout;
    const QString full = qualified(layout, name);
    const int index = layout.fieldIndex(full);
    if (index < 0)
        qFatal("record accessor for %s: no such field", qPrintable(full));
    const runtime::store::FieldDef &def = layout.fields[index];
    if (def.type != type || def.dim != dim)
        qFatal("record accessor for %s: type or dim differs from the declaration",
               qPrintable(full));
    return FieldSpec::of(def);
}

void FieldBinder::key(QStringView name, int index) const
{
    const QString full = qualified(*m_layout, name);
    if (m_layout->keyIndex(full) != index)
        qFatal("record key %s is not registered at %d", qPrintable(full), index);
}

void RecordView::clear() const
{
    *m_record = layout().clearedRecord();
}

runtime::Status RecordView::checkDecimals() const
{
    return data::checkDecimals(layout(), *m_record);
}

void RecordView::setIntegerAt(const FieldSpec &f, std::int64_t value) const
{
    const runtime::Status status = writeInteger(*m_record, f, value);
    Q_ASSERT_X(status.has_value(), "RecordView", "record buffer shorter than the record");
    Q_UNUSED(status);
}

void RecordView::setRealAt(const FieldSpec &f, double value) const
{
    const runtime::Status status = writeReal(*m_record, f, value);
    Q_ASSERT_X(status.has_value(), "RecordView", "record buffer shorter than the record");
    Q_UNUSED(status);
}

void RecordView::setStringAt(const FieldSpec &f, QStringView value) const
{
    const runtime::Status status = writeString(*m_record, f, value);
    Q_ASSERT_X(status.has_value(), "RecordView", "record buffer shorter than the record");
    Q_UNUSED(status);
}

} // namespace zemor::data
