#include "runtime/store/RecordLayout.h"

#include <algorithm>
#include <cstring>

namespace zemor::runtime::store {

namespace {

char typeLetter(FieldType type)
{
    switch (type) {
    case FieldType::Byte:
        return 'B';
    case FieldType::Short:
        return 'S';
    case FieldType::Long:
        return 'L';
    case FieldType::Real:
        return 'R';
    case FieldType::String:
        return 'T';
    case FieldType::Decimal:
        return 'D';
    }
    return '?';
}

// The element size a type allows: 0 means any size from 1 up.
int fixedSize(FieldType type)
{
    switch (type) {
    case FieldType::Byte:
        return 1;
    case FieldType::Short:
        return 2;
    case FieldType::Long:
        return 4;
    case FieldType::Real:
        return 8;
    case FieldType::String:
    case FieldType::Decimal:
        return 0;
    }
    return 0;
}

bool isNumeric(FieldType type)
{
    return type == FieldType::Byte || type == FieldType::Short || type == FieldType::Long ||
           type == FieldType::Decimal;
}

// Packed decimals of more than 31 digits are not declared anywhere and are not supported by
// the key encoding or the decimal arithmetic.
constexpr int maxDecimalBytes = 16;

} // namespace

int RecordLayout::fieldIndex(QStringView name) const
{
    for (int i = 0; i < fields.size(); ++i) {
        if (name.compare(fields[i].name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int RecordLayout::keyIndex(QStringView name) const
{
    for (int i = 0; i < keys.size(); ++i) {
        if (name.compare(keys[i].name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QByteArray RecordLayout::clearedRecord() const
{
    QByteArray record;
    clear(record);
    return record;
}

void RecordLayout::clear(QByteArray &record) const
{
    // Numbers are zero bytes and a packed zero with a positive sign is zero bytes too; only the
    // strings need their blanks.
    record.fill('\0', size);
    char *data = record.data();
    for (const FieldDef &f : fields) {
        if (f.type != FieldType::String)
            continue;
        const int begin = std::clamp(f.offset, 0, size);
        const int end = std::clamp(f.offset + f.totalSize(), begin, size);
        std::memset(data + begin, ' ', end - begin);
    }
}

QByteArray RecordLayout::signature() const
{
    // A readable canonical description, so that a mismatch can be diagnosed from the file with
    // the sqlite3 shell. Key names and descriptions are left out: they do not change the bytes.
    QByteArray out = "zemor-layout 1; size " + QByteArray::number(size);
    out += "; text " + QByteArray::number(textObjectSize);
    for (const FieldDef &f : fields) {
        out += "; F " + f.name.toUtf8() + ' ' + typeLetter(f.type) + ' ' +
               QByteArray::number(f.offset) + ' ' + QByteArray::number(f.size) + ' ' +
               QByteArray::number(f.places) + ' ' + QByteArray::number(f.dim);
    }
    for (const KeyDef &k : keys) {
        out += "; K";
        for (int c : k.components)
            out += ' ' + QByteArray::number(c);
        out += ' ';
        out += k.unique ? 'u' : 'd';
        if (k.autoNumber)
            out += 'a';
        if (k.excludeBlank)
            out += 'b';
        if (k.caseInsensitive)
            out += 'i';
    }
    return out;
}

QString RecordLayout::validate() const
{
    const QString who = label.isEmpty() ? QStringLiteral("layout") : label;
    if (size <= 0)
        return QStringLiteral("%1: record size %2 is not positive").arg(who).arg(size);
    if (textObjectSize < 0)
        return QStringLiteral("%1: negative text object size").arg(who);

    struct Span
    {
        int begin;
        int end;
        int field;
    };
    QList<Span> spans;
    for (int i = 0; i < fields.size(); ++i) {
        const FieldDef &f = fields[i];
        const QString name = QStringLiteral("%1: field %2").arg(who, f.name);
        if (f.name.isEmpty())
            return QStringLiteral("%1: field %2 has no name").arg(who).arg(i);
        if (fieldIndex(f.name) != i)
            return name + QStringLiteral(" is declared twice");
        const int fixed = fixedSize(f.type);
        if (fixed != 0 && f.size != fixed)
            return name + QStringLiteral(" has size %1, its type needs %2").arg(f.size).arg(fixed);
        if (f.size < 1)
            return name + QStringLiteral(" has no size");
        if (f.type == FieldType::Decimal && f.size > maxDecimalBytes)
            return name +
                   QStringLiteral(" is a decimal of more than %1 bytes").arg(maxDecimalBytes);
        if (f.places < 0 || f.places > f.digits())
            return name + QStringLiteral(" has %1 places").arg(f.places);
        if (f.dim < 1)
            return name + QStringLiteral(" has dimension %1").arg(f.dim);
        if (f.offset < 0 || static_cast<qint64>(f.offset) + f.totalSize() > size)
            return name + QStringLiteral(" lies outside the record of %1 bytes").arg(size);
        spans.append({f.offset, f.offset + f.totalSize(), i});
    }
    std::sort(spans.begin(), spans.end(),
              [](const Span &a, const Span &b) { return a.begin < b.begin; });
    for (int i = 1; i < spans.size(); ++i) {
        if (spans[i].begin < spans[i - 1].end) {
            return QStringLiteral("%1: fields %2 and %3 overlap")
                .arg(who, fields[spans[i - 1].field].name, fields[spans[i].field].name);
        }
    }

    for (int i = 0; i < keys.size(); ++i) {
        const KeyDef &k = keys[i];
        const QString name =
            QStringLiteral("%1: key %2").arg(who, k.name.isEmpty() ? QString::number(i) : k.name);
        if (k.components.isEmpty())
            return name + QStringLiteral(" has no components");
        for (int c : k.components) {
            if (c < 0 || c >= fields.size())
                return name + QStringLiteral(" names field %1, which does not exist").arg(c);
        }
        if (k.autoNumber) {
            if (k.components.size() != 1)
                return name + QStringLiteral(" is auto-numbered but has several components");
            const FieldDef &f = fields[k.components.first()];
            if (!isNumeric(f.type) || f.dim != 1 || (f.type == FieldType::Decimal && f.places != 0))
                return name + QStringLiteral(" is auto-numbered on a field that is not an integer");
        }
    }
    return {};
}

} // namespace zemor::runtime::store
