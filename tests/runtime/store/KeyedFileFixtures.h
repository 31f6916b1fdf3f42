#pragma once

// Small record layouts for the keyed-file tests, shared by the tests and their helper program.
// `reportLayout()` has the shape of the report data record (330 bytes, four keys over BYTE,
// LONG, packed DECIMAL and SHORT fields); `catalogueLayout()` has STRING, case-insensitive,
// blank-left-out and auto-numbered keys and a text object.

#include "runtime/store/RecordLayout.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace zemor::test::store {

using runtime::store::FieldDef;
using runtime::store::FieldType;
using runtime::store::KeyDef;
using runtime::store::RecordLayout;

inline FieldDef field(const char *name, int offset, FieldType type, int size, int places = 0,
                      int dim = 1)
{
    FieldDef f;
    f.name = QString::fromLatin1(name);
    f.offset = offset;
    f.type = type;
    f.size = size;
    f.places = places;
    f.dim = dim;
    return f;
}

inline KeyDef key(const char *name, QList<int> components, bool unique, bool excludeBlank = false,
                  bool caseInsensitive = false, bool autoNumber = false)
{
    KeyDef k;
    k.name = QString::fromLatin1(name);
    k.components = std::move(components);
    k.unique = unique;
    k.excludeBlank = excludeBlank;
    k.caseInsensitive = caseInsensitive;
    k.autoNumber = autoNumber;
    return k;
}

// Field indexes of reportLayout().
enum ReportField { CodReg, CodUch, CodTab, Mes, Tip, UniCodStr, Data };
// Key indexes of reportLayout().
enum ReportKey { KeyCodReg, KeyCodUch, KeyCodTab, KeyCodStr };

inline RecordLayout reportLayout()
{
    RecordLayout l;
    l.label = QStringLiteral("otchet");
    l.prefix = QStringLiteral("OTC");
    l.size = 330;
    l.fields = {
        field("OTC:CODREG", 0, FieldType::Byte, 1),
        field("OTC:CODUCH", 1, FieldType::Long, 4),
        field("OTC:CODTAB", 5, FieldType::Decimal, 3),
        field("OTC:MES", 8, FieldType::Long, 4),
        field("OTC:TIP", 12, FieldType::Byte, 1),
        field("OTC:UNICODSTR", 13, FieldType::Short, 2),
        field("OTC:DATA", 15, FieldType::Decimal, 9, 3, 35),
    };
    l.keys = {
        key("OTC:KEYCODREG", {CodReg, UniCodStr}, false),
        key("OTC:KEYCODUCH", {Mes, CodUch, UniCodStr}, true),
        key("OTC:KEYCODTAB", {CodUch, CodTab, UniCodStr}, false),
        key("OTC:KEYCODSTR", {UniCodStr, Mes}, false),
    };
    return l;
}

// Field and key indexes of catalogueLayout().
enum CatalogueField { CatId, CatName, CatCode, CatNum };
enum CatalogueKey { KeyId, KeyName, KeyCode };

inline RecordLayout catalogueLayout()
{
    RecordLayout l;
    l.label = QStringLiteral("spravoh");
    l.prefix = QStringLiteral("SPR");
    l.size = 40;
    l.fields = {
        field("SPR:ID", 0, FieldType::Long, 4),       field("SPR:NAME", 4, FieldType::String, 20),
        field("SPR:CODE", 24, FieldType::Decimal, 2), field("SPR:NUM", 26, FieldType::Byte, 1),
        field("SPR:NOTE", 27, FieldType::String, 13),
    };
    l.keys = {
        key("SPR:KEYID", {CatId}, true, true, false, true),
        key("SPR:KEYNAME", {CatName}, false, true, true),
        key("SPR:KEYCODE", {CatCode, CatNum}, true, true, true),
    };
    l.textObjectSize = 64;
    return l;
}

// --- writing fields into record bytes

inline void putByte(QByteArray &r, int offset, int v)
{
    r[offset] = static_cast<char>(v);
}

inline void putShort(QByteArray &r, int offset, int v)
{
    const auto x = static_cast<std::int16_t>(v);
    std::memcpy(r.data() + offset, &x, 2);
}

inline void putLong(QByteArray &r, int offset, qint64 v)
{
    const auto x = static_cast<std::int32_t>(v);
    std::memcpy(r.data() + offset, &x, 4);
}

inline void putReal(QByteArray &r, int offset, double v)
{
    std::memcpy(r.data() + offset, &v, 8);
}

// A packed decimal of `bytes` bytes holding `units` (the value times 10^places); `sign` is the
// half-byte written for a negative value (any non-zero one means negative).
inline void putPacked(QByteArray &r, int offset, int bytes, qint64 units, int sign = 0xD)
{
    const bool negative = units < 0;
    std::uint64_t v = negative ? 0 - static_cast<std::uint64_t>(units) : units;
    const int digits = 2 * bytes - 1;
    unsigned char buf[16] = {};
    for (int i = digits - 1; i >= 0; --i) {
        const int d = static_cast<int>(v % 10);
        v /= 10;
        const int pos = i + 1; // half-byte position, 0 is the sign
        if (pos % 2 == 0)
            buf[pos / 2] |= static_cast<unsigned char>(d << 4);
        else
            buf[pos / 2] |= static_cast<unsigned char>(d);
    }
    if (negative)
        buf[0] |= static_cast<unsigned char>(sign << 4);
    std::memcpy(r.data() + offset, buf, bytes);
}

// A blank-padded string field.
inline void putString(QByteArray &r, int offset, int size, const QByteArray &text)
{
    std::memset(r.data() + offset, ' ', size);
    std::memcpy(r.data() + offset, text.constData(), std::min<qsizetype>(size, text.size()));
}

inline qint32 getLong(const QByteArray &r, int offset)
{
    std::int32_t x;
    std::memcpy(&x, r.constData() + offset, 4);
    return x;
}

inline qint16 getShort(const QByteArray &r, int offset)
{
    std::int16_t x;
    std::memcpy(&x, r.constData() + offset, 2);
    return x;
}

struct Report
{
    int codReg = 0;
    qint32 codUch = 0;
    qint32 codTab = 0;
    qint32 mes = 0;
    int tip = 0;
    qint16 uniCodStr = 0;
};

// A report record; value n (1..35) of the row is `seed` * n thousandths, so that records differ.
inline QByteArray reportRecord(const Report &rep, qint64 seed = 0)
{
    QByteArray r = reportLayout().clearedRecord();
    putByte(r, 0, rep.codReg);
    putLong(r, 1, rep.codUch);
    putPacked(r, 5, 3, rep.codTab);
    putLong(r, 8, rep.mes);
    putByte(r, 12, rep.tip);
    putShort(r, 13, rep.uniCodStr);
    for (int n = 1; n <= 35; ++n)
        putPacked(r, 15 + 9 * (n - 1), 9, seed * n);
    return r;
}

inline Report reportOf(const QByteArray &r)
{
    Report rep;
    rep.codReg = static_cast<unsigned char>(r[0]);
    rep.codUch = getLong(r, 1);
    rep.mes = getLong(r, 8);
    rep.tip = static_cast<unsigned char>(r[12]);
    rep.uniCodStr = getShort(r, 13);
    return rep;
}

inline QByteArray catalogueRecord(qint32 id, const QByteArray &nameCp1251, int code = 0,
                                  int num = 0)
{
    QByteArray r = catalogueLayout().clearedRecord();
    putLong(r, 0, id);
    putString(r, 4, 20, nameCp1251);
    putPacked(r, 24, 2, code);
    putByte(r, 26, num);
    return r;
}

} // namespace zemor::test::store
