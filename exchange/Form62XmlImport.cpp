#include "exchange/Form62XmlImport.h"

#include "entry/FormCatalogue.h"
#include "entry/ReportBatch.h"
#include "exchange/ImportReports.h"
#include "runtime/core/Progress.h"
#include "runtime/core/Prompter.h"
#include "runtime/decimal/Decimal.h"
#include "runtime/fs/DurableFile.h"
#include "runtime/fs/Paths.h"
#include "runtime/text/Cp1251.h"
#include "runtime/text/FixedString.h"

#include <QStringDecoder>

#include <algorithm>
#include <optional>

namespace zemor::exchange {

using namespace Qt::StringLiterals;
using runtime::ErrorCode;
using runtime::Result;
using runtime::text::clipped;
namespace fs = runtime::fs;

namespace {

// The longest name a loaded file takes (before ".xml").
constexpr int plainNameLength = 100;
// What an institution text of the file holds at most.
constexpr int institutionTextLength = 150;

// The text between `open` and `close` on a line; to the line's end when `close` is missing.
QByteArrayView between(QByteArrayView line, QByteArrayView open, QByteArrayView close)
{
    const qsizetype at = line.indexOf(open);
    if (at < 0)
        return {};
    const qsizetype start = at + open.size();
    const qsizetype end = line.indexOf(close, start);
    return line.sliced(start, end < 0 ? line.size() - start : end - start);
}

// The encoding="…" of the XML declaration at the start of the file; empty without one.
QString declaredEncoding(QByteArrayView bytes)
{
    const qsizetype start = bytes.indexOf("<?xml");
    if (start < 0 || bytes.first(start).trimmed().size() > 0)
        return {};
    const qsizetype end = bytes.indexOf("?>", start);
    const QByteArrayView declaration = bytes.sliced(start, (end < 0 ? bytes.size() : end) - start);
    const qsizetype at = declaration.indexOf("encoding");
    if (at < 0)
        return {};
    qsizetype i = at + 8;
    while (i < declaration.size() && (declaration[i] == ' ' || declaration[i] == '='))
        ++i;
    if (i >= declaration.size() || (declaration[i] != '"' && declaration[i] != '\''))
        return {};
    const qsizetype close = declaration.indexOf(declaration[i], i + 1);
    if (close < 0)
        return {};
    return QString::fromLatin1(declaration.sliced(i + 1, close - i - 1)).trimmed();
}

XmlScan::Encoding encodingNamed(const QString &name)
{
    static const QStringList cp1251{u"windows-1251"_s, u"cp1251"_s,   u"win-1251"_s,
                                    u"x-cp1251"_s,     u"us-ascii"_s, u"ascii"_s};
    const QString n = name.toLower();
    if (n.isEmpty() || cp1251.contains(n))
        return XmlScan::Encoding::Windows1251;
    if (n == u"utf-8"_s || n == u"utf8"_s)
        return XmlScan::Encoding::Utf8;
    return XmlScan::Encoding::Unsupported;
}

bool validUtf8(QByteArrayView text)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)QString(utf8(text));
    return !utf8.hasError();
}

// Text of the file in its encoding; `clean` is false when the bytes are not text of that
// encoding: invalid UTF-8, or in Windows-1251 its one unassigned byte, or bytes that are sound
// UTF-8 of letters beyond ASCII (text of a file mislabelled as Windows-1251).
QString decodeText(QByteArrayView text, XmlScan::Encoding encoding, bool *clean)
{
    const bool ascii =
        std::all_of(text.begin(), text.end(), [](char c) { return uchar(c) < 0x80; });
    if (encoding == XmlScan::Encoding::Utf8) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString out = utf8(text);
        if (clean)
            *clean = !utf8.hasError();
        return out;
    }
    if (clean)
        *clean = encoding == XmlScan::Encoding::Windows1251 &&
                 (ascii || (!text.contains('\x98') && !validUtf8(text)));
    return runtime::text::fromCp1251(text);
}

// The five named entities of XML, as writers escape text ("&quot;" for '"').
QString withEntities(QString text)
{
    if (!text.contains(QLatin1Char('&')))
        return text;
    static const std::pair<QLatin1StringView, QChar> entities[] = {
        {QLatin1StringView("&quot;"), u'"'},
        {QLatin1StringView("&apos;"), u'\''},
        {QLatin1StringView("&lt;"), u'<'},
        {QLatin1StringView("&gt;"), u'>'},
        {QLatin1StringView("&amp;"), u'&'}};
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        bool replaced = false;
        for (const auto &[entity, ch] : entities) {
            if (QStringView(text).sliced(i).startsWith(entity)) {
                out += ch;
                i += entity.size();
                replaced = true;
                break;
            }
        }
        if (!replaced)
            out += text.at(i++);
    }
    return out;
}

// A number as the runtime converts text: blanks around it allowed, anything else reads 0.
qint64 number(QStringView text)
{
    bool ok = false;
    const qint64 n = text.trimmed().toLongLong(&ok);
    return ok ? n : 0;
}

// The last component of a path ("f.xml" of "\\import\\f.xml", "import" of "\\import\\").
QString fileNameOf(QString path)
{
    while (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\')))
        path.chop(1);
    const qsizetype at =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(at + 1);
}

// A name the user typed or the settings hold, on disk: a drive is mapped, any other name lies
// under the working directory unless it is a path of this system.
Result<QString> onDisk(const QString &name)
{
    const QString p = name.trimmed();
    return fs::resolve(p.contains(QLatin1Char(':')) ? fs::mapWindowsPath(p) : p);
}

} // namespace

QStringList Form62XmlImport::pathChoices(const QString &s1, const QString &s2)
{
    QStringList out;
    for (const QString &s : {s1, s2}) {
        if (!s.trimmed().isEmpty())
            out.append(clipped(s));
    }
    return out;
}

QString Form62XmlImport::loadedFolder(const QString &s2)
{
    return s2.trimmed().isEmpty() ? QStringLiteral("\\temp1\\") : clipped(s2);
}

runtime::Status Form62XmlImport::loadRows()
{
    m_rows.clear();
    m_rowAt.clear();
    const auto catalogue = entry::FormCatalogue::read(m_context, m_year, form62);
    if (!catalogue)
        return std::unexpected(catalogue.error());
    for (const entry::FormTable &t : catalogue->tables()) {
        const bool portalTable = t.code >= 8000 && t.code <= 8009;
        for (const entry::FormRow &r : catalogue->rows(t.code)) {
            m_rows.append(Form62Row{t.code, r.code, r.name, r.id, r.number,
                                    portalTable ? 2 : t.offset, t.columns});
        }
    }
    std::stable_sort(m_rows.begin(), m_rows.end(), [](const Form62Row &a, const Form62Row &b) {
        return std::pair(a.table, a.number) < std::pair(b.table, b.number);
    });
    for (qsizetype i = 0; i < m_rows.size(); ++i) { // of two rows with one number, the first
        const std::pair key(m_rows[i].table, m_rows[i].number);
        if (!m_rowAt.contains(key))
            m_rowAt.insert(key, int(i));
    }
    return {};
}

const Form62Row *Form62XmlImport::row(qint64 table, int number) const
{
    const auto it = m_rowAt.constFind({table, number});
    return it == m_rowAt.cend() ? nullptr : &m_rows[*it];
}

QString Form62XmlImport::notTextReason(QByteArrayView bytes)
{
    qsizetype line = 1;
    for (const char c : bytes) {
        const auto b = std::uint8_t(c);
        if (b == 0)
            return QStringLiteral("в файле нулевые байты (не текст, а, например, UTF-16 или "
                                  "двоичные данные)");
        if (b == '\n')
            ++line;
        else if (b < 0x20 && b != '\t' && b != '\r' && b != '\f' && b != '\v' && b != 0x1A)
            return QStringLiteral("в строке %1 управляющий байт 0x%2 (двоичные данные, не текст)")
                .arg(line)
                .arg(int(b), 2, 16, QLatin1Char('0'));
    }
    return {};
}

XmlScan Form62XmlImport::scan(QByteArrayView bytes)
{
    XmlScan out;
    out.scanned = true;
    const bool bom = bytes.startsWith("\xEF\xBB\xBF");
    if (bom)
        bytes = bytes.sliced(3);
    out.declaredEncoding = declaredEncoding(bytes);
    out.encoding = bom ? XmlScan::Encoding::Utf8 : encodingNamed(out.declaredEncoding);
    const auto decode = [&out](QByteArrayView text, bool *clean = nullptr) {
        return decodeText(text, out.encoding, clean);
    };

    // A line ends at LF, CR LF or a CR alone.
    QList<QByteArrayView> lines;
    for (qsizetype start = 0; start < bytes.size();) {
        qsizetype end = start;
        while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r')
            ++end;
        lines.append(bytes.sliced(start, end - start));
        if (end + 1 < bytes.size() && bytes[end] == '\r' && bytes[end + 1] == '\n')
            ++end;
        start = end + 1;
    }

    // The value of a code: on the code's own line when it is there, else on the next line
    // unless that line names a code of its own.
    const auto valueLine = [&lines](qsizetype &i,
                                    QByteArrayView tag) -> std::optional<QByteArrayView> {
        if (lines[i].contains(tag))
            return lines[i];
        if (i + 1 < lines.size() && !lines[i + 1].contains("<CODE>"))
            return lines[++i];
        return std::nullopt;
    };
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArrayView line = lines[i];
        const qsizetype codeAt = line.indexOf("<CODE>");
        const bool crowded = codeAt >= 0 && line.indexOf("<CODE>", codeAt + 1) >= 0;
        if (crowded && out.crowdedLine == 0)
            out.crowdedLine = int(std::min<qsizetype>(i + 1, INT_MAX));
        if (codeAt >= 0)
            out.codesSeen = true;
        if (line.contains("sprav"))
            continue;
        if (codeAt < 0)
            continue;
        if (crowded) {
            out.crowdedSkipped = true;
            continue;
        }
        if (line.contains("<CODE>62_str_01</CODE>")) {
            if (const auto sval = valueLine(i, "<SVAL>")) {
                out.institutionText =
                    withEntities(decode(between(*sval, "<SVAL>", "</SVAL>"), &out.institutionClean))
                        .left(institutionTextLength);
                out.institutionFound = true;
            }
            continue;
        }
        const QString code = decode(between(line, "<CODE>", "</CODE>"));
        const auto nval = valueLine(i, "<NVAL>");
        if (nval && nval->contains("<NVAL>")) {
            const QString value = decode(between(*nval, "<NVAL>", "</NVAL>"));
            if (!value.trimmed().isEmpty())
                out.cells.append(XmlCell{code, value});
        }
    }
    for (int n = 0; n < 2; ++n) {
        const qsizetype at = out.institutionText.indexOf(QLatin1Char('"'));
        if (at >= 0)
            out.institutionText.remove(at, 1);
    }
    return out;
}

Result<XmlScan> Form62XmlImport::parse(const QString &path)
{
    const QString name = fileNameOf(path.trimmed());
    const auto file = onDisk(path);
    if (!file)
        return runtime::fail(file.error().code, path,
                             name + QStringLiteral(": ") + file.error().message);
    if (fs::pathInfo(*file).isDir)
        return runtime::fail(ErrorCode::InvalidName, *file,
                             name + QStringLiteral(": это папка, а не файл"));
    const auto bytes = fs::readWholeFile(*file);
    if (!bytes)
        return runtime::fail(bytes.error().code, *file,
                             name + QStringLiteral(": ") + bytes.error().message);
    if (const QString reason = notTextReason(*bytes); !reason.isEmpty())
        return runtime::fail(ErrorCode::InvalidData, *file,
                             name + QStringLiteral(": файл не загружен: ") + reason);
    XmlScan found = scan(*bytes);
    if (found.encoding == XmlScan::Encoding::Unsupported)
        return runtime::fail(ErrorCode::InvalidData, *file,
                             name + QStringLiteral(": файл не загружен: в файле объявлена "
                                                   "кодировка \"%1\", а читаются только "
                                                   "windows-1251 и utf-8")
                                        .arg(found.declaredEncoding));
    return found;
}

QString Form62XmlImport::nothingToLoadReason(const XmlScan &scan)
{
    if (scan.crowdedSkipped || (scan.cells.isEmpty() && scan.crowdedLine > 0))
        return QStringLiteral("в строке %1 несколько тегов <CODE>, а ячейки читаются по одной в "
                              "строке (код, затем значение в той же или следующей строке); "
                              "файл, записанный одной строкой, надо сохранить с переносом "
                              "строк")
            .arg(scan.crowdedLine);
    if (!scan.cells.isEmpty() || !scan.scanned)
        return {};
    if (!scan.codesSeen)
        return QStringLiteral("в файле нет ни одной ячейки (тега <CODE>)");
    return QStringLiteral("ни у одной ячейки нет значения (тега <NVAL> в строке кода или в "
                          "следующей)");
}

XmlCellCode Form62XmlImport::splitCode(const QString &code)
{
    XmlCellCode out;
    const qsizetype firstDot = code.indexOf(QLatin1Char('.'));
    out.rowText = firstDot < 0 ? code : code.left(firstDot);
    out.row = int(std::clamp<qint64>(number(out.rowText), INT_MIN, INT_MAX));
    if (firstDot < 0)
        return out;
    // The last ".62." starts the table code, so that a column 62 ("3.62.62.8000") reads as one.
    const qsizetype form = code.lastIndexOf(QStringLiteral(".62."));
    if (form < firstDot)
        return out;
    if (form > firstDot)
        out.column = int(std::clamp<qint64>(
            number(QStringView(code).mid(firstDot + 1, form - firstDot - 1)), INT_MIN, INT_MAX));
    out.table = number(QStringView(code).mid(form + 4, 5));
    return out;
}

std::pair<qint64, int> Form62XmlImport::remap(qint64 table, int c)
{
    if (table != 8000)
        return {table, c};
    if (c >= 3 && c <= 16)
        return {8000, c};
    if (c == 17)
        return {8001, 3};
    if (c >= 18 && c <= 29)
        return {8001, c - 13};
    if (c >= 30 && c <= 43)
        return {8002, c - 27};
    if (c >= 44 && c <= 71)
        return {8003, c - 41};
    if (c == 72)
        return {8004, 3};
    if (c >= 73 && c <= 84)
        return {8004, c - 68};
    if (c >= 85 && c <= 98)
        return {8005, c - 82};
    if (c >= 99)
        return {8006, c - 96};
    return {8000, c};
}

QString Form62XmlImport::plainFileName(const QString &institutionText)
{
    static const QString unsafe = QStringLiteral("\\/:*?<>|");
    QString out;
    out.reserve(institutionText.size());
    for (const QChar ch : institutionText)
        out += ch.unicode() < 0x20 || ch.unicode() == 0x7F || unsafe.contains(ch) ? QLatin1Char('_')
                                                                                  : ch;
    qsizetype dots = 0;
    while (dots < out.size() && out.at(dots) == QLatin1Char('.'))
        ++dots;
    out.remove(0, dots);
    return clipped(out.left(plainNameLength));
}

QString Form62XmlImport::replaceQuestion(const XmlInstitution &institution)
{
    return QStringLiteral("ОТЧЕТ ЛПУ %1 %2 по форме %3 существует. |УДАЛИТЬ старый ОТЧЕТ ?")
        .arg(institution.code)
        .arg(clipped(institution.name))
        .arg(form62);
}

XmlLoadOutcome Form62XmlImport::load(const XmlScan &scan, const XmlInstitution &institution,
                                     const QString &path, const QString &folder,
                                     runtime::Progress *progress)
{
    using State = XmlLoadOutcome::State;
    XmlLoadOutcome out;
    const QString file = fileNameOf(path.trimmed());
    if (const QString reason = nothingToLoadReason(scan); !reason.isEmpty()) {
        out.notRead = file + QStringLiteral(": ") + reason;
        return out;
    }
    if (scan.cells.isEmpty())
        return out;

    // Every cell is mapped before anything is asked or written.
    entry::ReportRows records;
    QHash<int, qsizetype> recordAt;
    for (const XmlCell &cell : scan.cells) {
        const XmlCellCode code = splitCode(cell.code);
        const auto [table, column] = remap(code.table, code.column);
        const QString text =
            cell.code + QStringLiteral("=t%1,gr%2,str").arg(table).arg(column) + code.rowText;
        const Form62Row *row = this->row(table, code.row);
        if (!row) {
            out.unknown.append(text);
            continue;
        }
        const qint64 position = qint64(column) - row->offset;
        if (position < 1 || position > entry::valueCount)
            continue;
        auto value = runtime::Decimal::fromString(cell.value);
        if (value)
            value = value->fitted(17, 3);
        if (!value) {
            const QString what = value.error().code == ErrorCode::Overflow
                                     ? QStringLiteral("число не помещается в графу (не больше "
                                                      "14 цифр до запятой)")
                                     : QStringLiteral("не число");
            out.errors.append(QStringLiteral("%1: таблица %2, строка %3, графа %4: \"%5\" %6")
                                  .arg(file)
                                  .arg(table)
                                  .arg(code.rowText.trimmed())
                                  .arg(column)
                                  .arg(cell.value.trimmed(), what));
            continue;
        }
        auto at = recordAt.constFind(row->id);
        if (at == recordAt.cend()) {
            at = recordAt.insert(row->id, records.size());
            records.append(entry::ReportRow{row->id, row->table, {}});
        }
        records[*at].values[size_t(position - 1)] = *value;
        ++out.cells;
        out.lastStep = text + QStringLiteral("=") + cell.value.trimmed();
    }
    if (records.isEmpty()) {
        out.state = State::NoneMapped;
        return out;
    }

    // `ConfirmReplaceOldReport` under the report's marker, then the old report deleted and the
    // new one written at once.
    const entry::ReportIdentity id{m_year, form62, institution.code, institution.district, 0, 0};
    const auto raw = entry::ReportStore(m_context, id).records(records);
    if (!raw) {
        out.state = State::Failed;
        out.errors.append(raw.error().message + QStringLiteral(" (") + raw.error().where +
                          QStringLiteral(")"));
        return out;
    }
    const auto decide = [&](bool exists) {
        return !exists ||
               m_prompter.message(replaceQuestion(institution), {}, QStringLiteral("&ДА|&НЕТ"),
                                  runtime::MessageIcon::Question) == 1;
    };
    const entry::BatchResult written =
        entry::ReportBatch::write(m_context, id, *raw, entry::BatchMode::Replace, decide, progress);
    using Written = entry::BatchResult::State;
    switch (written.state) {
    case Written::Loaded:
        break;
    case Written::Declined:
        out.state = State::Declined;
        return out;
    case Written::Cancelled:
        out.state = State::Cancelled;
        return out;
    case Written::InUse:
        out.state = State::Failed;
        out.errors.append(inUseText());
        return out;
    case Written::Failed:
        out.state = State::Failed;
        out.errors.append(written.error.message + QStringLiteral(" (") + written.error.where +
                          QStringLiteral(")"));
        return out;
    }
    out.records = written.added;
    out.state = State::Loaded;
    // Text that is not sound in the file's encoding would give a garbled name: the file keeps
    // its own name then.
    QString name = file;
    if (scan.institutionClean)
        name = plainFileName(scan.institutionText) + QStringLiteral(".xml");
    else
        out.errors.append(file + QStringLiteral(": текст учреждения в файле не в кодировке %1, "
                                                "файл перенесен под своим именем")
                                     .arg(scan.declaredEncoding.isEmpty()
                                              ? QStringLiteral("windows-1251")
                                              : scan.declaredEncoding));
    moveFile(out, path, folder, name);
    return out;
}

void Form62XmlImport::moveFile(XmlLoadOutcome &out, const QString &path, const QString &folder,
                               const QString &name)
{
    // The folder as the user knows it, with one separator of its own kind before the name.
    const QString shown = clipped(folder);
    const bool slashes = shown.contains(QLatin1Char('/')) && !shown.contains(QLatin1Char('\\'));
    const bool ended =
        shown.isEmpty() || shown.endsWith(QLatin1Char('\\')) || shown.endsWith(QLatin1Char('/'));
    out.movedTo = ended ? shown + name : shown + QLatin1Char(slashes ? '/' : '\\') + name;
    const auto source = onDisk(path);
    if (!source) {
        out.moveError = source.error().message;
        return;
    }
    const auto dir = onDisk(folder);
    if (!dir) {
        out.moveError = dir.error().message;
        return;
    }
    // The name in the folder, as it is spelt there when a file of that name exists.
    const auto target = fs::resolve(fs::join(*dir, name));
    if (!target) {
        out.moveError = target.error().message;
        return;
    }
    if (*target == *source) { // loaded from where it would go: it is there already
        out.moved = true;
        return;
    }
    if (fs::pathInfo(*target).isFile) {
        if (const auto removed = fs::removeFile(*target); !removed) {
            out.moveError = removed.error().message;
            return;
        }
    }
    if (const auto renamed = fs::renameFile(*source, *target); !renamed) {
        out.moveError = renamed.error().message;
        return;
    }
    out.moved = true;
}

QString Form62XmlImport::endText(const XmlLoadOutcome &outcome)
{
    using State = XmlLoadOutcome::State;
    switch (outcome.state) {
    case State::NotRead:
        return outcome.notRead.isEmpty() ? notFormedText()
                                         : notFormedText() + QStringLiteral(": ") + outcome.notRead;
    case State::NoneMapped:
        return QStringLiteral("Ни одна ячейка файла не найдена среди строк формы 62. "
                              "Отчет не изменен.");
    case State::Declined:
        return {};
    case State::Cancelled:
        return QStringLiteral("Загрузка прервана. Отчет не изменен.");
    case State::Failed:
        return QStringLiteral("Отчет не загружен, старый отчет не изменен.");
    case State::Loaded:
        break;
    }
    if (outcome.moved)
        return movedText(outcome.movedTo);
    return QStringLiteral("Отчет загружен, но XML файл не переименован в %1: %2")
        .arg(outcome.movedTo, outcome.moveError);
}

} // namespace zemor::exchange
