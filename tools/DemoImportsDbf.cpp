#include "tools/DemoImportsDbf.h"

#include "runtime/fs/DurableFile.h"
#include "runtime/fs/Paths.h"

#include <QDate>
#include <QDir>

namespace zemor::tools {

namespace {

void putLittleEndian(QByteArray &out, int at, quint32 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out[at + i] = char((value >> (8 * i)) & 0xFF);
}

using Row = QList<QByteArray>;

// A row of the layout without FIO: form, row id and the values from column 1 on.
Row rowOf(int form, int rowId, const QList<QByteArray> &values)
{
    Row row{QByteArray::number(form), QByteArray::number(rowId)};
    row += values;
    return row;
}

} // namespace

QByteArray dbaseFile(const QList<DbaseColumn> &columns, const QList<QList<QByteArray>> &rows,
                     std::uint8_t languageDriver)
{
    int recordLength = 1;
    for (const DbaseColumn &c : columns)
        recordLength += c.length;
    const int headerLength = 32 + 32 * int(columns.size()) + 1;

    QByteArray out(32, '\0');
    out[0] = char(0x03);
    out[1] = char(125); // 2025-12-01, a date of the demo's year
    out[2] = char(12);
    out[3] = char(1);
    putLittleEndian(out, 4, quint32(rows.size()), 4);
    putLittleEndian(out, 8, quint32(headerLength), 2);
    putLittleEndian(out, 10, quint32(recordLength), 2);
    out[29] = char(languageDriver);
    for (const DbaseColumn &c : columns) {
        QByteArray d(32, '\0');
        d.replace(0, qMin<qsizetype>(c.name.size(), 10), c.name.left(10));
        d[11] = 'C';
        d[16] = char(c.length);
        out += d;
    }
    out += char(0x0D);
    for (const QList<QByteArray> &row : rows) {
        out += ' ';
        for (int i = 0; i < columns.size(); ++i) {
            const QByteArray v = row.value(i).left(columns[i].length);
            out += v + QByteArray(columns[i].length - v.size(), ' ');
        }
    }
    out += char(0x1A);
    return out;
}

QList<DbaseColumn> dbaseImportColumns(bool persons)
{
    QList<DbaseColumn> columns{{"FORMA", 10}, {"NUMBSTR", 10}};
    if (persons)
        columns.append({"FIO", 40});
    for (int n = 1; n <= (persons ? 5 : 25); ++n)
        columns.append({"COL" + QByteArray::number(n), 12});
    return columns;
}

QByteArray toCp866(QStringView text)
{
    QByteArray out;
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c < 0x80)
            out += char(c);
        else if (c >= u'А' && c <= u'п')
            out += char(0x80 + (c - u'А'));
        else if (c >= u'р' && c <= u'я')
            out += char(0xE0 + (c - u'р'));
        else if (c == u'Ё')
            out += char(0xF0);
        else if (c == u'ё')
            out += char(0xF1);
        else
            out += '?';
    }
    return out;
}

runtime::Status DemoImportsDbf::write(const QString &root)
{
    const QDir dir(QDir(root).filePath(QStringLiteral("import")));
    if (runtime::Status made = runtime::fs::makeDir(dir.path()); !made)
        return made;

    // Two annual forms of 2025 in one file; form 12's table 2000 starts at its first value.
    const QList<Row> annual{
        rowOf(12, 1, {"60", "29", "31", "11"}),
        rowOf(12, 2, {"30", "14", "16", "5"}),
        rowOf(12, 3, {"20", "9", "11", "4"}),
        rowOf(12, 4, {"10", "6", "4", "2"}),
        rowOf(12, 5, {"12", "4"}),
        rowOf(12, 6, {"5", "2"}),
        rowOf(62, 1, {"152.50", "148.25", "140"}),
        rowOf(62, 2, {"40.00", "38.50", "36"}),
        rowOf(62, 3, {"310.75", "300.00", "285"}),
        rowOf(62, 4, {"95.00", "90.25", "86"}),
        rowOf(62, 5, {"120", "118.5"}),
        rowOf(62, 6, {"100", "99.0"}),
        rowOf(62, 7, {"20", "19.5"}),
        rowOf(62, 8, {"45200", "13560"}),
    };
    if (runtime::Status s =
            runtime::fs::writeWholeFile(dir.filePath(QStringLiteral("lpu501_002025.dBF")),
                                        dbaseFile(dbaseImportColumns(), annual));
        !s)
        return s;

    const QList<Row> march{
        rowOf(7, 1, {"18", "8", "10", "3"}), rowOf(7, 2, {"9", "4", "5", "1"}),
        rowOf(7, 3, {"6", "3", "3", "1"}),   rowOf(7, 4, {"3", "1", "2", "1"}),
        rowOf(7, 99, {"1", "1", "0", "0"}),
    };
    if (runtime::Status s =
            runtime::fs::writeWholeFile(dir.filePath(QStringLiteral("lpu501_032026.dBF")),
                                        dbaseFile(dbaseImportColumns(), march));
        !s)
        return s;

    const QList<Row> persons{
        {"7", "2", toCp866(u"Иванова Мария Петровна"), "1", "0", "1", "0", "0"},
        {"7", "3", toCp866(u"Сёмин Илья Андреевич"), "1", "1", "0", "1", "0"},
    };
    return runtime::fs::writeWholeFile(dir.filePath(QStringLiteral("fio501_032026.dBF")),
                                       dbaseFile(dbaseImportColumns(true), persons, 0x26));
}

} // namespace zemor::tools
