#!/usr/bin/python3
# Writes the inputs of the golden cases that come from other programs: CSV and dBase files
# saved by LibreOffice Calc from hand-written flat spreadsheets, and XML files written by
# Python's xml library. Run once, from the repository's top folder, and commit what it writes:
#
#     python3 tests/golden/tools/make_outside_files.py
#
# It needs LibreOffice (soffice, with libreoffice-base-drivers for dBase) and takes a few
# minutes; the tests only read the files it wrote. Each case folder gets its input.<ext>; the
# args.txt and expected.txt beside it are written by hand.
import os
import shutil
import subprocess
import tempfile
import xml.dom.minidom
import xml.etree.ElementTree as ET

GOLDEN = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..')
WORK = tempfile.mkdtemp()

# LibreOffice's numbers of the character sets.
CP1251, CP866 = 34, 30


def cell(value):
    """A spreadsheet cell: a str is text (lines split at '\\n' are paragraphs of one cell, a
    line break when saved), a number is a number, None is empty."""
    if value is None:
        return '<table:table-cell/>'
    if isinstance(value, str):
        paras = ''.join('<text:p>%s</text:p>' % p.replace('&', '&amp;').replace('<', '&lt;')
                        for p in value.split('\n'))
        return '<table:table-cell office:value-type="string">%s</table:table-cell>' % paras
    return ('<table:table-cell office:value-type="float" office:value="%s">'
            '<text:p>%s</text:p></table:table-cell>' % (value, value))


def spreadsheet(name, rows):
    body = ''.join('<table:table-row>%s</table:table-row>\n' % ''.join(cell(v) for v in row)
                   for row in rows)
    path = os.path.join(WORK, name + '.fods')
    with open(path, 'w', encoding='utf-8') as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n'
                '<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"'
                ' xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"'
                ' xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"'
                ' office:version="1.2"'
                ' office:mimetype="application/vnd.oasis.opendocument.spreadsheet">\n'
                '<office:body><office:spreadsheet><table:table table:name="t">\n%s'
                '</table:table></office:spreadsheet></office:body></office:document>\n' % body)
    return path


def convert(sources, target, outdir):
    os.makedirs(outdir, exist_ok=True)
    subprocess.run(['soffice', '--headless', '--convert-to', target, '--outdir', outdir] + sources,
                   check=True, stdout=subprocess.DEVNULL)


def place(fmt, case, source, ext):
    folder = os.path.join(GOLDEN, fmt, case)
    os.makedirs(folder, exist_ok=True)
    shutil.copyfile(source, os.path.join(folder, 'input.' + ext))


# --- CSV of form 62, table 1000 -------------------------------------------------------------
# Names that wrap in their cells (saved as quoted fields with line breaks), the table line
# wrapped too, a header of column numbers, values with decimals and blanks.
def table1000(row_numbers_as_text):
    n = (lambda t: t) if row_numbers_as_text else (lambda t: float(t) if '.' in t else int(t))
    return [
        ['Форма N 62'],
        ['(1000) Медицинские\nкадры'],
        ['Наименование', 'N\nстроки', 'Штатные\nдолжности', 'Занятые', 'Физические\nлица'],
        [1, 2, 3, 4, 5, 6, 7],
        ['Врачи\nвсего', n('1'), 120.5, 118.25, 97],
        ['из них\n"в сельской" местности', n('1.1'), 30, None, 12],
        ['Средний; медицинский\nперсонал', n('2'), 210, 204.5, 188],
        ['Младший персонал', n('3'), 40, 38, None, 2],
    ]


def summary():
    return [
        ['Свод\nформы 62'],
        ['1000', '501', '1', 11, 12.5],
        ['1000', '502', '2', 21, None, 23],
        ['9000', '501', '3', 12.25],
    ]


csv_sources = {
    'breaks': spreadsheet('breaks', table1000(False)),
    'quoteall': spreadsheet('quoteall', table1000(True)),
    'summary': spreadsheet('summary', summary()),
}
CSV = 'csv:Text - txt - csv (StarCalc):59,34,%d,1,,0,%s,true,false'
for charset, label in ((CP1251, 'cp1251'), (CP866, 'cp866')):
    out = os.path.join(WORK, 'csv-' + label)
    convert([csv_sources['breaks']], CSV % (charset, 'false'), out)
    convert([csv_sources['quoteall'], csv_sources['summary']], CSV % (charset, 'true'), out)
    place('form62csv', 'calc-line-breaks-' + label, os.path.join(out, 'breaks.csv'), 'csv')
    place('form62csv', 'calc-every-text-quoted-' + label, os.path.join(out, 'quoteall.csv'),
          'csv')
    if charset == CP1251:
        place('form62csv', 'calc-summary-every-text-quoted', os.path.join(out, 'summary.csv'),
              'csv')

# --- dBase rows, through LibreOffice's dBase export ------------------------------------------
# The first line names the fields as "NAME,C,length", so every field is text of the width the
# load expects. Row 3 holds "1 000" (a grouped number, not a number to the load).
fields = ['FORMA,C,10', 'NUMBSTR,C,10'] + ['COL%d,C,12' % i for i in range(1, 26)]
dbf_rows = [fields,
            ['7', '1', '12,5', '7', '', '3'],
            ['7', '2', '4', '0', '4', '1.125'],
            ['7', '3', '1 000', '5'],
            ['7', '77', '1'],
            ['12', '5', '8']]
dbf_source = spreadsheet('rows', dbf_rows)
for charset, label in ((CP1251, 'cp1251'), (CP866, 'cp866')):
    out = os.path.join(WORK, 'dbf-' + label)
    convert([dbf_source], 'dbf:dBase:%d' % charset, out)
    place('dbfimport', 'calc-' + label, os.path.join(out, 'rows.dbf'), 'dBF')


# --- XML of form 62 --------------------------------------------------------------------------
def report(institution, cells):
    root = ET.Element('report')
    sprav = ET.SubElement(root, 'sprav')
    ET.SubElement(sprav, 'CODE').text = '62_sprav'
    item = ET.SubElement(root, 'item')
    ET.SubElement(item, 'CODE').text = '62_str_01'
    ET.SubElement(item, 'SVAL').text = institution
    for code, value in cells:
        item = ET.SubElement(root, 'item')
        ET.SubElement(item, 'CODE').text = code
        ET.SubElement(item, 'NVAL').text = value
    return root


CELLS = [('1.1.62.1000', '11'), ('1.2.62.1000', '12'), ('1.3.62.1000', '13'),
         ('1.4.62.1000', '14'), ('2.1.62.1000', '12,5'), ('3.18.62.8000', '41')]
NAME = 'ГБУЗ "Озёрская участковая больница"'


def write_xml(case, data):
    folder = os.path.join(GOLDEN, 'form62xml', case)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, 'input.xml'), 'wb') as f:
        f.write(data)


def item_per_line(root):
    """Each item on a line of its own: the items' tails are line breaks, nothing inside."""
    root.text = '\n'
    for child in root:
        child.tail = '\n'
    return root


for enc, label in (('utf-8', 'utf-8'), ('windows-1251', 'windows-1251')):
    tree = ET.ElementTree(item_per_line(report(NAME, CELLS)))
    path = os.path.join(WORK, 'x.xml')
    tree.write(path, encoding=enc, xml_declaration=True)
    write_xml('item-per-line-' + label, open(path, 'rb').read())

    root = report(NAME, CELLS)
    ET.indent(root)
    ET.ElementTree(root).write(path, encoding=enc, xml_declaration=True)
    write_xml('indented-' + label, open(path, 'rb').read())

    ET.ElementTree(report(NAME, CELLS)).write(path, encoding=enc, xml_declaration=True)
    write_xml('one-line-' + label, open(path, 'rb').read())

pretty = xml.dom.minidom.parseString(ET.tostring(report(NAME, CELLS)))
write_xml('minidom-pretty-utf-8', pretty.toprettyxml(indent='  ', encoding='utf-8'))
# UTF-8 text under a declaration of Windows-1251, and UTF-8 with a byte-order mark only.
text = ET.tostring(item_per_line(report(NAME, CELLS)), encoding='unicode')
write_xml('utf-8-declared-windows-1251',
          ('<?xml version="1.0" encoding="windows-1251"?>\n' + text).encode('utf-8'))
write_xml('utf-8-byte-order-mark', b'\xef\xbb\xbf' + text.encode('utf-8'))
# Old Macintosh line ends.
write_xml('cr-line-ends', ('<?xml version="1.0" encoding="windows-1251"?>\r' +
                           text.replace('\n', '\r')).encode('cp1251'))
# Numbers too long for a value: 18 and 40 digits.
big = ET.tostring(item_per_line(report('ЦРБ', [('1.1.62.1000', '1' * 18),
                                               ('1.2.62.1000', '9' * 40),
                                               ('1.3.62.1000', '1 000'),
                                               ('1.4.62.1000', '99999999999999,999')])),
                  encoding='unicode')
write_xml('numbers-too-long', ('<?xml version="1.0" encoding="windows-1251"?>\n' + big)
          .encode('cp1251'))

shutil.rmtree(WORK)
