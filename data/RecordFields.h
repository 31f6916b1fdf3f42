#pragma once

// Reading and writing the fields of a record buffer by their declaration. Every typed record
// accessor (data/records) goes through these functions, and code that works from a dictionary
// name alone (import mapping, generic lists) uses them directly.
//
// Values are stored as the records lay them out: integers little-endian, REAL an IEEE double,
// STRING blank-padded Windows-1251 (cut to the field's width when longer), DECIMAL packed. An
// element is numbered from 1 to the field's dim. The buffer is the caller's; nothing is kept.
//
// Failures: a write that does not fit its field (an integer outside the type's range, a decimal
// with more integer digits than the field has) returns Overflow and leaves the field as it
// was, never a wrapped or cut number. An element outside 1..dim, or a field that lies beyond
// the end of the buffer, reads as zero or blank and is refused on writing with
// InvalidArgument. A packed decimal with a digit above 9 fails to read with InvalidData;
// readers of records from outside check the whole record with checkDecimals() first.

#include "runtime/core/Error.h"
#include "runtime/decimal/Decimal.h"
#include "runtime/store/RecordLayout.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstdint>

namespace zemor::data {

// The position and type of a field, without its name: what an accessor needs at run time.
struct FieldSpec
{
    int offset = 0;
    runtime::store::FieldType type = runtime::store::FieldType::Byte;
    int size = 1;
    int places = 0;
    int dim = 1;

    static FieldSpec of(const runtime::store::FieldDef &def)
    {
        return {def.offset, def.type, def.size, def.places, def.dim};
    }
    int digits() const { return type == runtime::store::FieldType::Decimal ? 2 * size - 1 : 0; }
    // Offset of element n (1-based), -1 when n is outside 1..dim.
    int elementOffset(int n) const { return n >= 1 && n <= dim ? offset + (n - 1) * size : -1; }
};

// Whether element n of the field lies inside 1..dim and inside the buffer.
bool hasElement(const QByteArray &record, const FieldSpec &field, int n = 1);

// BYTE, SHORT, LONG; a DECIMAL field reads its integer part. Other types read 0.
std::int64_t readInteger(const QByteArray &record, const FieldSpec &field, int n = 1);
// BYTE, SHORT, LONG (range-checked against the type) and DECIMAL (against its digits).
[[nodiscard]] runtime::Status writeInteger(QByteArray &record, const FieldSpec &field,
                                           std::int64_t value, int n = 1);

// REAL. A field of another type reads 0 and refuses the write.
double readReal(const QByteArray &record, const FieldSpec &field, int n = 1);
[[nodiscard]] runtime::Status writeReal(QByteArray &record, const FieldSpec &field, double value,
                                        int n = 1);

// STRING, decoded from Windows-1251 without the trailing blanks.
QString readString(const QByteArray &record, const FieldSpec &field, int n = 1);
// STRING: cut to the width and padded with blanks; characters without a Windows-1251 byte
// become '?'.
[[nodiscard]] runtime::Status writeString(QByteArray &record, const FieldSpec &field,
                                          QStringView value, int n = 1);
// The raw bytes of an element of any type.
QByteArray readBytes(const QByteArray &record, const FieldSpec &field, int n = 1);

// DECIMAL. Integer fields read as decimals too (scale 0).
[[nodiscard]] runtime::Result<runtime::Decimal> readDecimal(const QByteArray &record,
                                                            const FieldSpec &field, int n = 1);
// DECIMAL, rounded half away from zero to the field's places; also BYTE/SHORT/LONG when the
// value is integral.
[[nodiscard]] runtime::Status writeDecimal(QByteArray &record, const FieldSpec &field,
                                           const runtime::Decimal &value, int n = 1);
// readDecimal, with 0 for an element that is absent or does not decode.
runtime::Decimal decimalOrZero(const QByteArray &record, const FieldSpec &field, int n = 1);

// Any element as text: numbers without leading zeros or trailing decimal zeros, strings
// without trailing blanks, REAL in the shortest form that reads back the same.
QString readText(const QByteArray &record, const FieldSpec &field, int n = 1);
// Parses the text by the field's type (a blank text is zero); InvalidData when it is not a
// number (for REAL also "nan" and "inf"), Overflow when it does not fit.
[[nodiscard]] runtime::Status writeText(QByteArray &record, const FieldSpec &field,
                                        QStringView text, int n = 1);

// Elements 1 .. count of a DECIMAL or integer field into out[0 .. count - 1], each as
// decimalOrZero() reads it, the field looked up once.
void readDecimals(const QByteArray &record, const FieldSpec &field, runtime::Decimal *out,
                  int count);

// Every packed decimal of the record decodes: Ok, or InvalidData naming the first field that
// does not (its dictionary name, with the element number for arrays). A record shorter than
// the layout is DamagedFile.
[[nodiscard]] runtime::Status checkDecimals(const runtime::store::RecordLayout &layout,
                                            const QByteArray &record);
// The same over `record`, which holds at least layout.size bytes.
[[nodiscard]] runtime::Status checkDecimals(const runtime::store::RecordLayout &layout,
                                            const char *record);

} // namespace zemor::data
