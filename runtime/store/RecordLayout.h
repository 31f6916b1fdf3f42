#pragma once

// The layout of a fixed-length record: its fields at their byte offsets and its keys with their
// attributes. One RecordLayout is declared per dictionary file; it drives key extraction in the
// keyed files, clearing of record buffers and the stamp that every keyed file carries, so that
// a file is never read with a layout other than the one it was written with.
//
// Records are bytes: integers little-endian, REAL an IEEE double, STRING(n) n bytes of
// Windows-1251 text padded with blanks, DECIMAL(d,p) packed (sign half-byte, then d digits),
// stored in d div 2 + 1 bytes. A field with dim > 1 is an array of dim elements laid out one
// after the other (element i at offset + (i - 1) * size).

#include <QByteArray>
#include <QList>
#include <QString>

namespace zemor::runtime::store {

enum class FieldType {
    Byte,    // unsigned 8 bits
    Short,   // signed 16 bits
    Long,    // signed 32 bits
    Real,    // IEEE double, 8 bytes
    String,  // size bytes, blank-padded Windows-1251
    Decimal, // packed, size bytes: 2 * size - 1 digits, `places` of them after the point
};

struct FieldDef
{
    QString name; // the dictionary name, "OTC:CODUCH"
    int offset = 0;
    FieldType type = FieldType::Byte;
    int size = 1;   // bytes of one element
    int places = 0; // DECIMAL only
    int dim = 1;    // number of elements

    int digits() const { return type == FieldType::Decimal ? 2 * size - 1 : 0; }
    int totalSize() const { return size * dim; }
};

struct KeyDef
{
    QString name;          // "OTC:KEYCODUCH"
    QString description;   // the text registered with the file's manager
    QList<int> components; // indexes into RecordLayout::fields, most significant first
    bool unique = false;
    bool autoNumber = false;      // the single component takes the highest value + 1
    bool excludeBlank = false;    // a record whose components are all zero or blank is left out
    bool caseInsensitive = false; // STRING components compare with Windows-1251 case folding
};

struct RecordLayout
{
    QString label;  // "otchet"
    QString prefix; // "OTC"
    int size = 0;   // record length in bytes
    QList<FieldDef> fields;
    QList<KeyDef> keys;
    // A variable-length text object kept beside each record (0: none), of at most this many
    // bytes; stored in the column `memo` and read and written together with the record.
    int textObjectSize = 0;

    // Index of a field or key by its dictionary name (case-insensitive), -1 when absent.
    int fieldIndex(QStringView name) const;
    int keyIndex(QStringView name) const;

    // A record of this layout with every field cleared: numbers zero, strings blank.
    QByteArray clearedRecord() const;
    void clear(QByteArray &record) const;

    // The stamp written into every keyed file of this layout: it changes whenever the size, a
    // field (name, offset, type, size, places, dim) or a key (components, attributes) changes.
    QByteArray signature() const;

    // Checks the declaration itself: fields inside the record and not overlapping, keys naming
    // existing fields, auto-numbered keys of one numeric component. Empty when sound, else the
    // first problem found. Declarations are tested with this once, not checked at run time.
    QString validate() const;
};

} // namespace zemor::runtime::store
