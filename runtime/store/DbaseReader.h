#pragma once

// A read-only reader of dBase IV files (".dbf"), as other programs of the institutions write
// them for import. open() reads and checks the whole file before any record is handed out: the
// header (version, date, record count, header and record lengths, the language-driver byte at
// offset 29), the field descriptors up to their 0x0D terminator, that the records the header
// counts are all there and each starts with a valid deletion flag, and that the fields the
// caller expects are present with the expected type, length and decimals (names compared
// without regard to case; the file may hold further fields, in any order). A damaged or short
// file is DamagedFile, a layout that differs is LayoutMismatch, both with a message that names
// the reason or the field; nothing of such a file is returned.
//
// next() walks the records in file order, passing over deleted ones ('*'); a 0x1A end marker
// after the last record is tolerated. Text comes back as Windows-1251 bytes: the language-driver
// byte says what the file holds (0x26 and 0x65 DOS 866, converted; 0x57, 0xC9 and 0x00
// Windows-1251; 0x01 and 0x02 DOS code pages without Cyrillic, of which only ASCII is taken).
// Any other byte says nothing useful: the caller's DbaseSource decides. Memo fields are not
// read from their memo file; their block number is returned as text.
//
// The reader owns the file's bytes; a DbaseRecord holds its own copy and stays valid after the
// reader is closed or reused.

#include "runtime/core/Error.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <memory>

namespace zemor::runtime::store {

struct DbaseField
{
    QString name;    // up to 10 characters ("FORMA", "COL1"); a "PREFIX:" before it is ignored
    char type = 'C'; // C text, N and F numbers, D date (YYYYMMDD), L logical, M memo
    int length = 0;
    int decimals = 0;
};

struct DbaseHeader
{
    std::uint8_t version = 0;
    QDate date; // of the last update; invalid when the file holds none
    qint64 recordCount = 0;
    int headerLength = 0;
    int recordLength = 0;
    std::uint8_t languageDriver = 0;
};

// What the caller knows of the program that wrote the file, for a language-driver byte that
// does not tell.
enum class DbaseSource { Windows, Dos };
enum class DbaseEncoding { Windows1251, Dos866, Ascii };

namespace detail {
struct DbaseLayout;
}

class DbaseRecord
{
public:
    bool isValid() const { return m_layout != nullptr; }
    int fieldCount() const;
    // Index of the field in file order, or -1.
    int indexOf(QStringView name) const;

    // A text field in Windows-1251 without trailing blanks (or the zero bytes some programs pad
    // with); empty for an unknown field.
    QByteArray text(int index) const;
    QByteArray text(QStringView name) const;
    // The same decoded.
    QString string(int index) const;
    QString string(QStringView name) const;
    // The field's characters without blanks on either side, as numbers are written ("  12.500").
    QString numericText(int index) const;
    QString numericText(QStringView name) const;
    // The field's bytes as stored.
    QByteArray raw(int index) const;

private:
    friend class DbaseReader;
    std::shared_ptr<const detail::DbaseLayout> m_layout;
    QByteArray m_bytes; // the record without its deletion flag
};

class DbaseReader
{
public:
    DbaseReader();
    ~DbaseReader();

    [[nodiscard]] Status open(const QString &path, const QList<DbaseField> &expected = {},
                              DbaseSource source = DbaseSource::Windows);
    void close();
    bool isOpen() const { return m_layout != nullptr; }

    const DbaseHeader &header() const { return m_header; }
    const QList<DbaseField> &fields() const;
    DbaseEncoding encoding() const;
    // Records in the file, deleted ones included, and those not deleted.
    qint64 count() const { return m_header.recordCount; }
    qint64 activeCount() const { return m_activeCount; }

    // The next record that is not deleted; false when there is none left.
    bool next(DbaseRecord &record);
    bool done() const;
    // Back before the first record.
    void rewind() { m_position = 0; }

    static DbaseEncoding encodingFor(std::uint8_t languageDriver, DbaseSource source);

private:
    QString m_path;
    QByteArray m_data;
    DbaseHeader m_header;
    std::shared_ptr<const detail::DbaseLayout> m_layout;
    qint64 m_position = 0; // index of the next record to look at
    qint64 m_activeCount = 0;
};

} // namespace zemor::runtime::store
