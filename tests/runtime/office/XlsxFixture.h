#pragma once

// Workbook files written by hand for the tests: the zip archive and its XML parts are put
// together here directly, so that the reader is checked against files it did not write itself.

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <utility>

#include <zip.h>

namespace zemor::test {

using ZipEntries = QList<std::pair<QString, QByteArray>>;

inline bool writeZip(const QString &path, const ZipEntries &entries)
{
    zipFile zip = zipOpen64(QFile::encodeName(path).constData(), APPEND_STATUS_CREATE);
    if (zip == nullptr)
        return false;
    bool ok = true;
    for (const auto &[name, content] : entries) {
        zip_fileinfo info{};
        ok = ok &&
             zipOpenNewFileInZip64(zip, name.toUtf8().constData(), &info, nullptr, 0, nullptr, 0,
                                   nullptr, Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0) == ZIP_OK &&
             zipWriteInFileInZip(zip, content.constData(), unsigned(content.size())) == ZIP_OK &&
             zipCloseFileInZip(zip) == ZIP_OK;
    }
    return zipClose(zip, nullptr) == ZIP_OK && ok;
}

inline QByteArray workbookXml()
{
    return QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
        "<sheets><sheet name=\"Лист1\" sheetId=\"1\" r:id=\"rId7\"/></sheets></workbook>");
}

inline QByteArray relsXml(const QByteArray &target = QByteArrayLiteral("worksheets/data.xml"))
{
    return QByteArrayLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
               "<Relationships "
               "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
               "<Relationship Id=\"rId1\" Type=\"styles\" Target=\"styles.xml\"/>"
               "<Relationship Id=\"rId7\" Type=\"worksheet\" Target=\"") +
           target + QByteArrayLiteral("\"/></Relationships>");
}

inline QByteArray sharedStringsXml()
{
    // A plain string, a rich one in two runs with a phonetic part, and an escaped tab.
    return QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" count=\"3\">"
        "<si><t>Список ЛПУ</t></si>"
        "<si><r><rPr><b/></rPr><t>Код </t></r><r><t>района</t></r><rPh><t>x</t></rPh></si>"
        "<si><t xml:space=\"preserve\"> a_x0009_b </t></si>"
        "</sst>");
}

inline QByteArray stylesXml()
{
    // cellXfs: 0 plain, 1 bold with thin borders all round, 2 centred and wrapped in Arial 14.
    // The cellStyleXfs list before it must not be taken for cell formats.
    return QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<fonts count=\"3\"><font><sz val=\"10\"/><name val=\"Arial Cyr\"/></font>"
        "<font><b/><sz val=\"10\"/><name val=\"Arial Cyr\"/></font>"
        "<font><b val=\"0\"/><sz val=\"14\"/><name val=\"Arial\"/></font></fonts>"
        "<fills count=\"1\"><fill><patternFill patternType=\"none\"/></fill></fills>"
        "<borders count=\"2\"><border><left/><right/><top/><bottom/><diagonal/></border>"
        "<border><left style=\"thin\"><color auto=\"1\"/></left><right style=\"thin\"/>"
        "<top style=\"thin\"/><bottom style=\"medium\"/><diagonal/></border></borders>"
        "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"1\" borderId=\"1\"/></cellStyleXfs>"
        "<cellXfs count=\"3\"><xf numFmtId=\"0\" fontId=\"0\" borderId=\"0\" xfId=\"0\"/>"
        "<xf numFmtId=\"0\" fontId=\"1\" borderId=\"1\" xfId=\"0\" applyFont=\"1\"/>"
        "<xf numFmtId=\"0\" fontId=\"2\" borderId=\"0\" xfId=\"0\">"
        "<alignment horizontal=\"center\" wrapText=\"1\"/></xf></cellXfs>"
        "</styleSheet>");
}

// The sheet of the template: a merged title in A1:F1, headings in row 9 (one bold and framed),
// a number and a formula with its cached value, an inline string, a styled empty cell, column
// widths (12 and 20 characters, as the file stores them: with the cell padding) and a row height.
inline QByteArray sheetXml()
{
    return QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<cols><col min=\"1\" max=\"1\" width=\"12.7109375\" customWidth=\"1\"/>"
        "<col min=\"2\" max=\"3\" width=\"20.7109375\" customWidth=\"1\"/>"
        "<col min=\"7\" max=\"16384\" width=\"9\"/></cols>"
        "<sheetData>"
        "<row r=\"1\" ht=\"30\" customHeight=\"1\"><c r=\"A1\" s=\"2\" t=\"s\"><v>0</v></c></row>"
        "<row r=\"9\"><c r=\"A9\" s=\"1\" t=\"s\"><v>1</v></c><c t=\"s\"><v>2</v></c>"
        "<c r=\"D9\" s=\"1\"/></row>"
        "<row r=\"12\"><c r=\"B12\"><v>42</v></c><c r=\"C12\"><f>B12*2</f><v>84</v></c>"
        "<c r=\"E12\" t=\"inlineStr\"><is><t>итого</t></is></c></row>"
        "</sheetData>"
        "<mergeCells count=\"1\"><mergeCell ref=\"A1:F1\"/></mergeCells>"
        "</worksheet>");
}

inline ZipEntries templateEntries()
{
    return {{QStringLiteral("[Content_Types].xml"), QByteArrayLiteral("<Types/>")},
            {QStringLiteral("xl/workbook.xml"), workbookXml()},
            {QStringLiteral("xl/_rels/workbook.xml.rels"), relsXml()},
            {QStringLiteral("xl/sharedStrings.xml"), sharedStringsXml()},
            {QStringLiteral("xl/styles.xml"), stylesXml()},
            {QStringLiteral("xl/worksheets/data.xml"), sheetXml()}};
}

inline bool writeTemplate(const QString &path)
{
    return writeZip(path, templateEntries());
}

} // namespace zemor::test
