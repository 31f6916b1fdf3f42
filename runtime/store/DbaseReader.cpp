#include "runtime/store/DbaseReader.h"

#include "runtime/fs/DurableFile.h"
#include "runtime/fs/Paths.h"
#include "runtime/text/Cp1251.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace zemor::runtime::store {

namespace detail {

struct DbaseLayout
{
    QList<DbaseField> fields;
    QList<int> offsets; // of each field within the record, after the deletion flag
    DbaseEncoding encoding = DbaseEncoding::Windows1251;
};

} // namespace detail

namespace {

constexpr int kDescriptorSize = 32;
constexpr int kFirstDescriptor = 32;
constexpr char kTerminator = 0x0D;

std::uint16_t u16(const QByteArray &d, int at)
{
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(d[at]) |
                                      static_cast<std::uint8_t>(d[at + 1]) << 8);
}

std::uint32_t u32(const QByteArray &d, int at)
{
    return static_cast<std::uint32_t>(u16(d, at)) | static_cast<std::uint32_t>(u16(d, at + 2))
                                                        << 16;
}

QStringView baseName(QStringView name)
{
    const qsizetype colon = name.lastIndexOf(u':');
    return (colon >= 0 ? name.sliced(colon + 1) : name).trimmed();
}

bool knownVersion(std::uint8_t v)
{
    // dBase III and IV with or without memo (0x03, 0x04, 0x83, 0x8B ...) and the Visual FoxPro
    // variants, whose longer header the header length covers. dBase II is laid out otherwise.
    const int level = v & 0x07;
    return level == 3 || level == 4 || level == 5 || v == 0x30 || v == 0x31 || v == 0x32;
}

QString describe(char type, int length, int decimals)
{
    if (type == 'N' || type == 'F')
        return QStringLiteral("%1(%2,%3)").arg(QChar::fromLatin1(type)).arg(length).arg(decimals);
    return QStringLiteral("%1(%2)").arg(QChar::fromLatin1(type)).arg(length);
}

bool numericType(char type)
{
    return type == 'N' || type == 'F';
}

} // namespace

// --- DbaseRecord -------------------------------------------------------------------------------

int DbaseRecord::fieldCount() const
{
    return m_layout ? static_cast<int>(m_layout->fields.size()) : 0;
}

int DbaseRecord::indexOf(QStringView name) const
{
    if (!m_layout)
        return -1;
    const QStringView wanted = baseName(name);
    for (int i = 0; i < m_layout->fields.size(); ++i) {
        if (m_layout->fields[i].name.compare(wanted, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QByteArray DbaseRecord::raw(int index) const
{
    if (index < 0 || index >= fieldCount())
        return {};
    return m_bytes.sliced(m_layout->offsets[index], m_layout->fields[index].length);
}

QByteArray DbaseRecord::text(int index) const
{
    QByteArray bytes = raw(index);
    qsizetype n = bytes.size();
    while (n > 0 && (bytes[n - 1] == ' ' || bytes[n - 1] == '\0'))
        --n;
    bytes.truncate(n);
    switch (m_layout ? m_layout->encoding : DbaseEncoding::Windows1251) {
    case DbaseEncoding::Windows1251:
        return bytes;
    case DbaseEncoding::Dos866:
        return text::cp866ToCp1251(QByteArrayView(bytes));
    case DbaseEncoding::Ascii:
        for (char &c : bytes) {
            if (static_cast<std::uint8_t>(c) >= 0x80)
                c = '?';
        }
        return bytes;
    }
    return bytes;
}

QByteArray DbaseRecord::text(QStringView name) const
{
    return text(indexOf(name));
}

QString DbaseRecord::string(int index) const
{
    return text::fromCp1251(text(index));
}

QString DbaseRecord::string(QStringView name) const
{
    return string(indexOf(name));
}

QString DbaseRecord::numericText(int index) const
{
    return string(index).trimmed();
}

QString DbaseRecord::numericText(QStringView name) const
{
    return numericText(indexOf(name));
}

// --- DbaseReader -------------------------------------------------------------------------------

DbaseReader::DbaseReader() = default;
DbaseReader::~DbaseReader() = default;

DbaseEncoding DbaseReader::encodingFor(std::uint8_t languageDriver, DbaseSource source)
{
    switch (languageDriver) {
    case 0x26: // Russian OEM
    case 0x65: // Russian MS-DOS
        return DbaseEncoding::Dos866;
    case 0x00: // not marked: what the program family writes
    case 0x57: // ANSI
    case 0xC9: // Russian Windows
        return DbaseEncoding::Windows1251;
    case 0x01: // US MS-DOS 437
    case 0x02: // international MS-DOS 850
        return DbaseEncoding::Ascii;
    default:
        return source == DbaseSource::Dos ? DbaseEncoding::Dos866 : DbaseEncoding::Windows1251;
    }
}

const QList<DbaseField> &DbaseReader::fields() const
{
    static const QList<DbaseField> none;
    return m_layout ? m_layout->fields : none;
}

DbaseEncoding DbaseReader::encoding() const
{
    return m_layout ? m_layout->encoding : DbaseEncoding::Windows1251;
}

void DbaseReader::close()
{
    m_path.clear();
    m_data.clear();
    m_header = {};
    m_layout.reset();
    m_position = 0;
    m_activeCount = 0;
}

Status DbaseReader::open(const QString &path, const QList<DbaseField> &expected, DbaseSource source)
{
    close();
    if (!fs::exists(path))
        return fail(ErrorCode::FileNotFound, path);
    auto read = fs::readWholeFile(path);
    if (!read)
        return std::unexpected(read.error());
    QByteArray data = std::move(*read);

    auto damaged = [&path](const QString &why) { return fail(ErrorCode::DamagedFile, path, why); };

    if (data.size() < kFirstDescriptor + 1)
        return damaged(QStringLiteral("Это не файл dBase: он короче заголовка"));
    DbaseHeader header;
    header.version = static_cast<std::uint8_t>(data[0]);
    if (!knownVersion(header.version))
        return damaged(QStringLiteral("Это не файл dBase III или IV (байт версии 0x%1)")
                           .arg(header.version, 2, 16, QLatin1Char('0')));
    const int yy = static_cast<std::uint8_t>(data[1]);
    // Years are stored less 1900; some programs store only the last two digits.
    header.date = QDate(yy < 70 ? 2000 + yy : 1900 + yy, static_cast<std::uint8_t>(data[2]),
                        static_cast<std::uint8_t>(data[3]));
    header.recordCount = u32(data, 4);
    header.headerLength = u16(data, 8);
    header.recordLength = u16(data, 10);
    header.languageDriver = static_cast<std::uint8_t>(data[29]);

    if (header.headerLength < kFirstDescriptor + 1 || header.headerLength > data.size())
        return damaged(QStringLiteral("Длина заголовка %1 не согласуется с размером файла")
                           .arg(header.headerLength));

    auto layout = std::make_shared<detail::DbaseLayout>();
    layout->encoding = encodingFor(header.languageDriver, source);
    int at = kFirstDescriptor;
    int offset = 0;
    bool terminated = false;
    while (at < header.headerLength) {
        if (data[at] == kTerminator) {
            terminated = true;
            break;
        }
        if (at + kDescriptorSize > header.headerLength)
            break;
        const QByteArray nameBytes = data.sliced(at, 11);
        const qsizetype nul = nameBytes.indexOf('\0');
        DbaseField field;
        field.name = text::fromCp1251(nameBytes.first(nul < 0 ? 11 : nul)).trimmed();
        field.type = data[at + 11];
        if (field.type >= 'a' && field.type <= 'z')
            field.type = static_cast<char>(field.type - 'a' + 'A');
        field.length = static_cast<std::uint8_t>(data[at + 16]);
        field.decimals = static_cast<std::uint8_t>(data[at + 17]);
        if (field.name.isEmpty() || field.length == 0)
            return damaged(
                QStringLiteral("Описание поля %1 повреждено").arg(layout->fields.size() + 1));
        layout->fields.append(field);
        layout->offsets.append(offset);
        offset += field.length;
        at += kDescriptorSize;
    }
    if (!terminated)
        return damaged(QStringLiteral("Описания полей не заканчиваются в пределах заголовка"));
    if (layout->fields.isEmpty())
        return damaged(QStringLiteral("В файле не описано ни одного поля"));
    if (offset + 1 != header.recordLength)
        return damaged(QStringLiteral("Длина записи %1 не совпадает с суммой длин полей (%2)")
                           .arg(header.recordLength)
                           .arg(offset + 1));

    const qint64 needed =
        qint64(header.headerLength) + header.recordCount * qint64(header.recordLength);
    if (data.size() < needed)
        return damaged(QStringLiteral("Файл короче, чем нужно для его записей (%1): %2 байт из %3")
                           .arg(header.recordCount)
                           .arg(data.size())
                           .arg(needed));

    // Whatever follows the counted records (the 0x1A end marker, or nothing) is not read.
    qint64 active = 0;
    for (qint64 r = 0; r < header.recordCount; ++r) {
        const char flag = data[header.headerLength + r * header.recordLength];
        if (flag == ' ')
            ++active;
        else if (flag != '*')
            return damaged(QStringLiteral("Запись %1 повреждена").arg(r + 1));
    }

    for (const DbaseField &want : expected) {
        const QStringView name = baseName(want.name);
        const auto found =
            std::find_if(layout->fields.cbegin(), layout->fields.cend(), [&](const DbaseField &f) {
                return f.name.compare(name, Qt::CaseInsensitive) == 0;
            });
        if (found == layout->fields.cend())
            return fail(ErrorCode::LayoutMismatch, path,
                        QStringLiteral("В файле нет поля %1").arg(name));
        const bool typeMatches =
            found->type == want.type || (numericType(found->type) && numericType(want.type));
        if (!typeMatches || found->length != want.length || found->decimals != want.decimals)
            return fail(ErrorCode::LayoutMismatch, path,
                        QStringLiteral("Поле %1 в файле %2, ожидалось %3")
                            .arg(found->name, describe(found->type, found->length, found->decimals),
                                 describe(want.type, want.length, want.decimals)));
    }

    m_path = path;
    m_data = std::move(data);
    m_header = header;
    m_layout = std::move(layout);
    m_activeCount = active;
    m_position = 0;
    return {};
}

bool DbaseReader::next(DbaseRecord &record)
{
    if (!m_layout)
        return false;
    while (m_position < m_header.recordCount) {
        const qint64 at = m_header.headerLength + m_position * m_header.recordLength;
        ++m_position;
        if (m_data[at] == '*')
            continue;
        record.m_layout = m_layout;
        record.m_bytes = m_data.sliced(at + 1, m_header.recordLength - 1);
        return true;
    }
    return false;
}

bool DbaseReader::done() const
{
    if (!m_layout)
        return true;
    for (qint64 r = m_position; r < m_header.recordCount; ++r) {
        if (m_data[m_header.headerLength + r * m_header.recordLength] != '*')
            return false;
    }
    return true;
}

} // namespace zemor::runtime::store
