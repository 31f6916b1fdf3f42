#pragma once

// The byte form of a key, so that comparing two encoded keys byte by byte (SQLite's BLOB order,
// memcmp) gives the key order of the records they come from. One KeyEncoding is built per key
// of a layout and is a pure function of the record bytes: it owns nothing but a copy of the
// component descriptions.
//
// Components are encoded one after the other, most significant first, each so that a shorter
// prefix of components sorts before every key that extends it:
//   BYTE       1 byte, unsigned
//   SHORT/LONG big-endian with the sign bit flipped
//   REAL       the IEEE bytes, big-endian, sign flipped (all bits inverted for negatives); -0 is 0
//   DECIMAL    by value: the first byte holds 1 (not negative) or 0 (negative) in its high half
//              and the first digit in its low half, then the other digits two per byte; for a
//              negative value every digit d is stored as 9 - d. Any non-zero sign is negative,
//              and -0 is 0.
//   STRING     trailing blanks dropped, folded to upper case when the key is case-insensitive,
//              bytes 0x00 and 0x01 escaped as 0x01 0x01 and 0x01 0x02, then a terminating 0x00:
//              "AB" < "AB\x01" < "ABC", and "AB" equals "AB  ".
// Arrays (dim > 1) encode their elements in order.
//
// A packed decimal with a digit half-byte above 9 is refused (InvalidData): it has no value and
// must not get into an index.

#include "runtime/core/Error.h"
#include "runtime/store/RecordLayout.h"

#include <QByteArray>
#include <QList>

#include <optional>

namespace zemor::runtime::store {

class KeyEncoding
{
public:
    KeyEncoding() = default;
    KeyEncoding(const RecordLayout &layout, int key);

    int componentCount() const { return static_cast<int>(m_parts.size()); }
    // The largest encoded length of the first `components` components (-1: all).
    int maxLength(int components = -1) const;

    // Encodes the first `components` components (-1: all) of `record` (at least layout size
    // bytes) into `out`. `blank` tells whether every encoded component is zero or blank.
    [[nodiscard]] Status encode(const char *record, int components, QByteArray &out,
                                bool *blank = nullptr) const;

    // The integer value of the key's first component in `record` (auto numbers): BYTE, SHORT,
    // LONG or an integral DECIMAL. nullopt when it does not decode.
    std::optional<qint64> integerValue(const char *record) const;
    // The largest value the first component can hold (auto numbers).
    qint64 integerLimit() const;

    // The smallest blob greater than every blob that starts with `prefix`; empty when there is
    // none (the prefix is all 0xFF bytes).
    static QByteArray prefixEnd(const QByteArray &prefix);

private:
    struct Part
    {
        FieldType type;
        int offset;
        int size;
        int dim;
        bool fold;
    };
    QList<Part> m_parts;
};

} // namespace zemor::runtime::store
