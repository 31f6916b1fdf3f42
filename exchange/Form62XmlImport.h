#pragma once

// Loading form 62 of one institution from an XML file of the federal reporting portal
// (`ImportForm62Xml` without its window). The file is read as lines of bytes with a plain tag
// scan, no XML parser: a line with "<CODE>row.column.62.table</CODE>" names a cell and the line
// after it carries the cell's value in "<NVAL>…</NVAL>"; the line after "<CODE>62_str_01</CODE>"
// carries the institution text in "<SVAL>…</SVAL>"; a value on the code's own line is taken
// from there, and a line that names a code of its own is never read as a value. Line ends are
// LF, CR LF or CR. A line of more than one code (a file written on one line) is not read, and a
// file with such a line is not loaded. Tags and numbers are ASCII; text is read in the encoding
// the XML declaration names (Windows-1251 or UTF-8; a byte-order mark means UTF-8), Windows-1251
// without one; the institution text has XML's five named entities ("&quot;") read. A file that
// is not text at all (NUL bytes, as UTF-16 has them, or other control bytes of binary data), or
// names another encoding, is refused as a whole.
//
// The load maps every cell to a row of form 62 of the year first (columns of the portal's table
// 8000 spread over the tables 8000 to 8006). Only then, and only when some cell maps, is the
// institution's annual report replaced in one transaction by the records the cells build: a
// failure or a cancel leaves the stored report as it was. A value with a decimal comma reads as
// with a point; a value that is no number is not stored and is listed with the load's errors.
//
// After the load the file is moved into the folder for loaded files under the institution text
// as its name, made a plain file name first, so that neither the removal of an older file of
// that name nor the rename can reach outside that folder; an institution text that is not sound
// text of the file's encoding would give a garbled name, and the file keeps its own name then.

#include "runtime/core/Error.h"

#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace zemor::data {
class DataContext;
}
namespace zemor::runtime {
class Progress;
class Prompter;
} // namespace zemor::runtime

namespace zemor::exchange {

inline constexpr qint64 form62 = 62;

// A cell read from the file (`QS`).
struct XmlCell
{
    QString code;  // QS:CODE, "10.5.62.1000"
    QString value; // QS:NVAL, as the file holds it
};

// What the scan of a file found.
struct XmlScan
{
    enum class Encoding { Unsupported, Windows1251, Utf8 };

    QList<XmlCell> cells;    // cells with a value that is not blank, in file order
    QString institutionText; // the "62_str_01" text, up to 150 characters, quotes removed
    bool institutionFound = false;
    // The text's bytes are text of the file's encoding: not, say, UTF-8 in a file that says it is
    // Windows-1251. Only clean text names the loaded file.
    bool institutionClean = true;
    // The declaration's encoding="…" (empty without one), and how the file's text is read: a
    // byte-order mark means UTF-8, no declaration Windows-1251.
    QString declaredEncoding;
    Encoding encoding = Encoding::Windows1251;
    // Lines with more than one "<CODE>" are not read: the first of them (from 1), 0 for none;
    // whether one of them was a line that could have held cells.
    int crowdedLine = 0;
    bool crowdedSkipped = false;
    bool codesSeen = false; // some line holds "<CODE>"
    bool scanned = false;   // made by scan(), not an empty list of nothing read
};

// The parts of a cell code: row number, column and table as the code gives them.
struct XmlCellCode
{
    int row = 0;
    int column = 0;
    qint64 table = 0;
    QString rowText; // the code before its first "."
};

// A row of form 62 (`QSTR`).
struct Form62Row
{
    qint64 table = 0; // QSTR:CODTABL
    QString code;     // QSTR:CODSTR
    QString name;     // QSTR:NAME
    int id = 0;       // QSTR:UNICOD
    int number = 0;   // QSTR:NUMBER
    int offset = 0;   // QSTR:SM: 2 for the tables 8000 to 8009, else the table's
    int columns = 0;  // QSTR:A
};

// The institution the report is stored for.
struct XmlInstitution
{
    int district = 0;
    qint32 code = 0;
    QString name;
};

struct XmlLoadOutcome
{
    enum class State {
        NotRead,    // no cells: "Отчет не сформирован"
        NoneMapped, // no cell maps to a row of the form: nothing written
        Declined,   // "НЕТ" to the replacement question: nothing written
        Cancelled,  // stopped before the write was committed: nothing written
        Failed,     // the write failed and was rolled back: nothing written
        Loaded,     // the report is stored
    };
    State state = State::NotRead;
    QStringList unknown; // cells of rows the form does not have: code "=t" table ",gr" ...
    QStringList errors;  // values that are no number, and a write that failed
    QString lastStep;    // the progress text of the last cell stored: code ... "=" value
    int cells = 0;       // cells stored
    int records = 0;     // records written
    bool moved = false;  // the file is in the folder under its new name
    QString movedTo;     // folder + name + ".xml" as the message shows it
    QString moveError;   // why the file was not moved
    QString notRead;     // with NotRead: the file's name and why nothing was read from it
};

class Form62XmlImport
{
public:
    Form62XmlImport(data::DataContext &context, runtime::Prompter &prompter, int year)
        : m_context(context), m_prompter(prompter), m_year(year)
    {
    }

    // `FillXmlPathChoices`: USE:S1 and USE:S2, each when not blank.
    static QStringList pathChoices(const QString &s1, const QString &s2);
    // The folder for loaded files: USE:S2, or "\temp1\" when it is blank.
    static QString loadedFolder(const QString &s2);

    // `LoadForm62Rows`: the tables and rows of form 62 of the year.
    [[nodiscard]] runtime::Status loadRows();
    const QList<Form62Row> &rows() const { return m_rows; }
    const Form62Row *row(qint64 table, int number) const;

    // `ParseXmlFile` over the file at `path` (a name of the program or of this system). A file
    // that cannot be read, or is not text, is an error naming the file and the reason.
    [[nodiscard]] static runtime::Result<XmlScan> parse(const QString &path);
    // The line scan itself, over the bytes of a file.
    static XmlScan scan(QByteArrayView bytes);
    // Why `bytes` are not a text file; empty when they are.
    static QString notTextReason(QByteArrayView bytes);
    // Why a scan gives nothing to load (no cell, or lines of several cells); empty when it does,
    // and for a scan of no file at all.
    static QString nothingToLoadReason(const XmlScan &scan);

    static XmlCellCode splitCode(const QString &code);
    // The remap of the portal's table 8000: column c of table 8000 as (table, column).
    static std::pair<qint64, int> remap(qint64 table, int column);
    // The institution text as a plain file name, without anything that names another folder.
    static QString plainFileName(const QString &institutionText);

    // `LoadXmlValues` with `ConfirmReplaceOldReport`: maps the cells, asks before an existing
    // report is replaced, writes, and moves the file at `path` into `folder`. The report's
    // marker is held from the question to the commit; a report open in report entry is not
    // replaced (Failed, with inUseText()). `progress` can stop the load before it is written.
    XmlLoadOutcome load(const XmlScan &scan, const XmlInstitution &institution, const QString &path,
                        const QString &folder, runtime::Progress *progress = nullptr);

    static QString notFormedText() { return QStringLiteral("Отчет не сформирован"); }
    static QString inUseText() { return QStringLiteral("Отчет занят: он открыт для ввода"); }
    static QString replaceQuestion(const XmlInstitution &institution);
    static QString movedText(const QString &movedTo)
    {
        return QStringLiteral("Файл загружен.  XML файл переименован в -  ") + movedTo;
    }
    // What the window says when a load ended: the rename, or why the file stayed.
    static QString endText(const XmlLoadOutcome &outcome);

private:
    void moveFile(XmlLoadOutcome &out, const QString &path, const QString &folder,
                  const QString &name);

    data::DataContext &m_context;
    runtime::Prompter &m_prompter;
    int m_year;
    QList<Form62Row> m_rows;
    QHash<std::pair<qint64, int>, int> m_rowAt; // (table, number) -> index in m_rows
};

} // namespace zemor::exchange
