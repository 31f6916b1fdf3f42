#include "data/RecordFields.h"

#include "runtime/text/Cp1251.h"
#include "runtime/text/FixedString.h"

#include <QLocale>
#include <QtEndian>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

using namespace Qt::StringLiterals;

namespace zemor::data {

using runtime::Decimal;
using runtime::ErrorCode;
using runtime::fail;
using runtime::Result;
using runtime::Status;
using runtime::store::FieldType;

namespace {

// Offset of element n inside the buffer, or -1.
int locate(const QByteArray &record, const FieldSpec &field, int n)
{
    const int at = field.elementOffset(n);
    if (at < 0 || field.size <= 0 || at + field.size > record.size())
        return -1;
    return at;
}

std::unexpected<runtime::Error> noElement(const FieldSpec &field, int n)
{
    return fail(ErrorCode::InvalidArgument, u"смещение %1, элемент %2"_s.arg(field.offset).arg(n),
                u"Элемент поля вне записи"_s);
}

std::unexpected<runtime::Error> wrongType(const FieldSpec &field)
{
    return fail(ErrorCode::InvalidArgument, u"смещение %1"_s.arg(field.offset),
                u"Тип значения не подходит полю"_s);
}

bool isIntegerType(FieldType type)
{
    return type == FieldType::Byte || type == FieldType::Short || type == FieldType::Long;
}

std::int64_t rawInteger(const char *p, FieldType type)
{
    switch (type) {
    case FieldType::Byte:
        return static_cast<std::uint8_t>(*p);
    case FieldType::Short:
        return qFromLittleEndian<qint16>(p);
    case FieldType::Long:
        return qFromLittleEndian<qint32>(p);
    default:
        return 0;
    }
}

bool fitsType(std::int64_t value, FieldType type)
{
    switch (type) {
    case FieldType::Byte:
        return value >= 0 && value <= 255;
    case FieldType::Short:
        return value >= std::numeric_limits<qint16>::min() &&
               value <= std::numeric_limits<qint16>::max();
    case FieldType::Long:
        return value >= std::numeric_limits<qint32>::min() &&
               value <= std::numeric_limits<qint32>::max();
    default:
        return false;
    }
}

void storeInteger(char *p, FieldType type, std::int64_t value)
{
    switch (type) {
    case FieldType::Byte:
        *p = static_cast<char>(static_cast<std::uint8_t>(value));
        break;
    case FieldType::Short:
        qToLittleEndian<qint16>(static_cast<qint16>(value), p);
        break;
    case FieldType::Long:
        qToLittleEndian<qint32>(static_cast<qint32>(value), p);
        break;
    default:
        break;
    }
}

} // namespace

bool hasElement(const QByteArray &record, const FieldSpec &field, int n)
{
    return locate(record, field, n) >= 0;
}

std::int64_t readInteger(const QByteArray &record, const FieldSpec &field, int n)
{
    const int at = locate(record, field, n);
    if (at < 0)
        return 0;
    if (field.type == FieldType::Decimal) {
        const auto value = Decimal::fromPacked(record.constData() + at, field.size, field.places);
        return value ? value->toInt64() : 0;
    }
    return rawInteger(record.constData() + at, field.type);
}

Status writeInteger(QByteArray &record, const FieldSpec &field, std::int64_t value, int n)
{
    const int at = locate(record, field, n);
    if (at < 0)
        return noElement(field, n);
    if (field.type == FieldType::Decimal)
        return Decimal(value).toPacked(record.data() + at, field.size, field.places);
    if (!isIntegerType(field.type))
        return wrongType(field);
    if (!fitsType(value, field.type))
        return fail(ErrorCode::Overflow, QString::number(value));
    storeInteger(record.data() + at, field.type, value);
    return {};
}

double readReal(const QByteArray &record, const FieldSpec &field, int n)
{
    const int at = locate(record, field, n);
    if (at < 0 || field.type != FieldType::Real || field.size != 8)
        return 0.0;
    const quint64 bits = qFromLittleEndian<quint64>(record.constData() + at);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

Status writeReal(QByteArray &record, const FieldSpec &field, double value, int n)
{
    const int at = locate(record, field, n);
    if (at < 0)
        return noElement(field, n);
    if (field.type != FieldType::Real || field.size != 8)
        return wrongType(field);
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    qToLittleEndian<quint64>(bits, record.data() + at);
    return {};
}

QString readString(const QByteArray &record, const FieldSpec &field, int n)
{
    const int at = locate(record, field, n);
    if (at < 0)
        return {};
    return runtime::text::fixedToString(record.constData() + at, field.size);
}

Status writeString(QByteArray &record, const FieldSpec &field, QStringView value, int n)
{
    const int at = locate(record, field, n);
    if (at < 0)
        return noElement(field, n);
    if (field.type != FieldType::String)
        return wrongType(field);
    runtime::text::setFixed(record.data() + at, field.size, value);
    return {};
}

QByteArray readBytes(const QByteArray &record, const FieldSpec &field, int n)
{
    const int at = locate(record, field, n);
    if (at < 0)
        return {};
    return record.mid(at, field.size);
}

Result<Decimal> readDecimal(const QByteArray &record, const FieldSpec &field, int n)
{
    const int at = locate(record, field, n);
    if (at < 0)
        return noElement(field, n);
    if (field.type == FieldType::Decimal)
        return Decimal::fromPacked(record.constData() + at, field.size, field.places);
    if (isIntegerType(field.type))
        return Decimal(rawInteger(record.constData() + at, field.type));
    return wrongType(field);
}

Status writeDecimal(QByteArray &record, const FieldSpec &field, const Decimal &value, int n)
{
    const int at = locate(record, field, n);
    if (at < 0)
        return noElement(field, n);
    if (field.type == FieldType::Decimal)
        return value.toPacked(record.data() + at, field.size, field.places);
    if (!isIntegerType(field.type))
        return wrongType(field);
    if (value.rounded(0) != value)
        return fail(ErrorCode::InvalidData, value.toString(), u"Дробное значение в целом поле"_s);
    // toInt64 saturates, so a value beyond 64 bits cannot pass the range check.
    return writeInteger(record, field, value.toInt64(), n);
}

Decimal decimalOrZero(const QByteArray &record, const FieldSpec &field, int n)
{
    return readDecimal(record, field, n).value_or(Decimal());
}

void readDecimals(const QByteArray &record, const FieldSpec &field, Decimal *out, int count)
{
    if (field.type != FieldType::Decimal) {
        for (int n = 1; n <= count; ++n)
            out[n - 1] = decimalOrZero(record, field, n);
        return;
    }
    for (int n = 1; n <= count; ++n) {
        const int at = locate(record, field, n);
        out[n - 1] = at < 0 ? Decimal()
                            : Decimal::fromPacked(record.constData() + at, field.size, field.places)
                                  .value_or(Decimal());
    }
}

QString readText(const QByteArray &record, const FieldSpec &field, int n)
{
    if (!hasElement(record, field, n))
        return {};
    switch (field.type) {
    case FieldType::Byte:
    case FieldType::Short:
    case FieldType::Long:
        return QString::number(readInteger(record, field, n));
    case FieldType::Real:
        return QString::number(readReal(record, field, n), 'g', QLocale::FloatingPointShortest);
    case FieldType::String:
        return readString(record, field, n);
    case FieldType::Decimal: {
        const auto value = readDecimal(record, field, n);
        return value ? value->toString() : QString();
    }
    }
    return {};
}

Status writeText(QByteArray &record, const FieldSpec &field, QStringView text, int n)
{
    if (!hasElement(record, field, n))
        return noElement(field, n);
    switch (field.type) {
    case FieldType::String:
        return writeString(record, field, text, n);
    case FieldType::Real: {
        QString plain = text.trimmed().toString();
        if (plain.isEmpty())
            return writeReal(record, field, 0.0, n);
        plain.replace(u',', u'.');
        bool ok = false;
        const double value = plain.toDouble(&ok);
        // "nan" and "inf" parse as doubles, but no computation over the field could use them.
        if (!ok || !std::isfinite(value))
            return fail(ErrorCode::InvalidData, text.toString());
        return writeReal(record, field, value, n);
    }
    case FieldType::Byte:
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::Decimal: {
        const auto value = Decimal::fromString(text);
        if (!value)
            return std::unexpected(value.error());
        return writeDecimal(record, field, *value, n);
    }
    }
    return wrongType(field);
}

Status checkDecimals(const runtime::store::RecordLayout &layout, const QByteArray &record)
{
    if (record.size() < layout.size)
        return fail(ErrorCode::DamagedFile, layout.label,
                    u"Запись короче, чем %1 байт"_s.arg(layout.size));
    return checkDecimals(layout, record.constData());
}

Status checkDecimals(const runtime::store::RecordLayout &layout, const char *record)
{
    // Every record read from outside passes here: the digits of a whole field array are checked
    // in one run over its bytes, and the field is looked for only when the run finds a fault.
    static constexpr auto badDigit = [] {
        // [first byte of a value][byte]: the first byte's high half is the sign, any value.
        std::array<std::array<std::uint8_t, 256>, 2> t{};
        for (int b = 0; b < 256; ++b) {
            t[0][size_t(b)] = (b >> 4) > 9 || (b & 0x0F) > 9;
            t[1][size_t(b)] = (b & 0x0F) > 9;
        }
        return t;
    }();
    for (const runtime::store::FieldDef &def : layout.fields) {
        if (def.type != FieldType::Decimal || def.size < 1)
            continue;
        const auto *p = reinterpret_cast<const std::uint8_t *>(record) + def.offset;
        std::uint8_t bad = def.size > Decimal::maxPackedBytes; // never valid: the field names it
        for (int n = 0; n < def.dim; ++n, p += def.size) {
            bad |= badDigit[1][p[0]];
            for (int i = 1; i < def.size; ++i)
                bad |= badDigit[0][p[i]];
        }
        if (!bad)
            continue;
        for (int n = 1; n <= def.dim; ++n) {
            const char *at = record + def.offset + (n - 1) * def.size;
            if (!Decimal::isValidPacked(at, def.size)) {
                const QString name = def.dim > 1 ? def.name + QString::number(n) : def.name;
                return fail(ErrorCode::InvalidData, name,
                            u"Неверное десятичное значение в поле %1"_s.arg(name));
            }
        }
    }
    return {};
}

} // namespace zemor::data
