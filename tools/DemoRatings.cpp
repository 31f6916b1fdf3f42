#include "tools/DemoRatings.h"

#include "data/Codes.h"
#include "data/records/FormaRecord.h"
#include "data/records/GrafaRecord.h"
#include "data/records/IndikRecord.h"
#include "data/records/NaborRecord.h"
#include "data/records/OtchetRecord.h"
#include "data/records/StrokaRecord.h"
#include "data/records/TablRecord.h"
#include "runtime/decimal/Decimal.h"
#include "runtime/fs/Paths.h"
#include "tools/DemoCatalogue.h"
#include "tools/DemoIndicators.h"
#include "tools/DemoIndicatorsFiles.h"
#include "tools/GifWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

namespace zemor::tools {

using runtime::Status;
using namespace Qt::StringLiterals;

namespace {

constexpr int regionDistrict = 250;

// The form's table rated by definition `definitions[i]` is `tables[i]`; its rows are the
// definition's result slots, ids table * 10 + slot.
struct RatedTable
{
    int table;
    qint32 definition;
    QString name;
    int rows; // the definition's first slots; its further results find no row
};

const QList<RatedTable> &ratedTables()
{
    static const QList<RatedTable> list{
        {1, 101, u"Заболеваемость населения"_s, 3},
        {2, 102, u"Кадровое обеспечение"_s, 4},
        {3, 103, u"Использование коечного фонда"_s, 3},
        {4, 104, u"Длительность лечения"_s, 3},
    };
    return list;
}

// Norm settings of a row: norm (column 1), direction (4), weight (5), zero rule (6).
struct Norm
{
    int row;
    double norm;
    int direction;
    double weight;
    int zeroRule;
};

const QList<Norm> &norms()
{
    static const QList<Norm> list{
        {13, 0, 1, 1, 0},  // diseases per 1000: the mean, less is better
        {23, 20, 0, 2, 1}, // doctors per 10 000: more is better, a zero is no value
        {33, 25, 2, 1, 0}, // bed turnover: closest to the norm
        {43, 10, 1, 1, 0}, // average stay: less is better
    };
    return list;
}

// The name of `name` among the year's files, whatever its letter case; `name` itself when the
// directory has none of that name.
QString fileIn(const QDir &dir, const QString &name)
{
    if (const auto names = runtime::fs::entryNames(dir.path()))
        for (const QString &entry : *names)
            if (entry.compare(name, Qt::CaseInsensitive) == 0)
                return dir.filePath(entry);
    return dir.filePath(name);
}

Status writeCatalogue(const QDir &year)
{
    Status form = writeKeyedRecords(
        fileIn(year, u"Forma.dat"_s), data::FileId::forma, 1,
        [](runtime::store::KeyedFile &f, int) {
            data::FormaRecord r(f.record());
            r.setName(u"Индикаторы качества медицинской помощи (нормативы по области)"_s);
            r.setCod(u"ИК"_s);
            r.setTip(0);
            return r.setUnicod(DemoRatings::indicatorForm).has_value();
        },
        KeyedWrite::Append);
    if (!form)
        return form;
    const auto &tables = ratedTables();
    Status tabl = writeKeyedRecords(
        fileIn(year, u"Tabl.dat"_s), data::FileId::tabl, int(tables.size()),
        [&](runtime::store::KeyedFile &f, int i) {
            data::TablRecord r(f.record());
            r.setUnicodT(9000 + i + 1);
            r.setName(tables[i].name);
            return r.setCodForm(DemoRatings::indicatorForm) && r.setCodTabl(tables[i].table) &&
                   r.setSm(0) && r.setA(6);
        },
        KeyedWrite::Append);
    if (!tabl)
        return tabl;

    struct Row
    {
        int table;
        int slot;
        QString name;
    };
    QList<Row> rows;
    for (const RatedTable &t : tables) {
        const QStringList names = DemoIndicators::columnNames(t.definition).mid(0, t.rows);
        for (int s = 0; s < names.size(); ++s)
            rows.append({t.table, s + 1, names[s]});
    }
    Status stroka = writeKeyedRecords(
        fileIn(year, u"Stroka.dat"_s), data::FileId::stroka, int(rows.size()),
        [&](runtime::store::KeyedFile &f, int i) {
            data::StrokaRecord r(f.record());
            r.setUnicod(qint16(rows[i].table * 10 + rows[i].slot));
            r.setNumber(std::uint8_t(rows[i].slot));
            r.setCodStr(u"%1.%2"_s.arg(rows[i].table).arg(rows[i].slot));
            r.setName(rows[i].name);
            r.setNameL(rows[i].name.left(20));
            return r.setCodForm(DemoRatings::indicatorForm) && r.setCodTabl(rows[i].table);
        },
        KeyedWrite::Append);
    if (!stroka)
        return stroka;

    struct Col
    {
        int table;
        int number;
        QString name;
    };
    const QList<std::pair<int, QString>> normColumns{
        {1, u"Норматив"_s},
        {4, u"Направление: 0 прямой, 1 обратный, 2 к нормативу"_s},
        {5, u"Вес"_s},
        {6, u"1 - ноль означает отсутствие данных"_s}};
    QList<Col> cols;
    for (const RatedTable &t : tables)
        for (const auto &[number, name] : normColumns)
            cols.append({t.table, number, name});
    return writeKeyedRecords(
        fileIn(year, u"Grafa.dat"_s), data::FileId::grafa, int(cols.size()),
        [&](runtime::store::KeyedFile &f, int i) {
            data::GrafaRecord r(f.record());
            r.setCod(std::uint8_t(cols[i].number));
            r.setName(cols[i].name);
            r.setFormat(cols[i].number == 1 ? u"@n_10.2"_s : u"@n_5"_s);
            return r.setCodForm(DemoRatings::indicatorForm) && r.setCodTabl(cols[i].table);
        },
        KeyedWrite::Append);
}

Status writeNorms(const QDir &year)
{
    const auto &list = norms();
    return writeKeyedRecords(year.filePath(u"F0301.dat"_s), data::FileId::otchet, int(list.size()),
                             [&](runtime::store::KeyedFile &f, int i) {
                                 const Norm &n = list[i];
                                 data::OtchetRecord r(f.record());
                                 r.setCodReg(std::uint8_t(regionDistrict));
                                 r.setCodUch(data::RegionTotalCode);
                                 r.setMes(0);
                                 r.setUnicodStr(qint16(n.row));
                                 if (!r.setCodTab(n.row / 10))
                                     return false;
                                 const std::pair<int, double> values[] = {{1, n.norm},
                                                                          {4, double(n.direction)},
                                                                          {5, n.weight},
                                                                          {6, double(n.zeroRule)}};
                                 for (const auto &[column, value] : values) {
                                     const auto d = runtime::Decimal::fromDouble(value, 3);
                                     if (!d || !r.setData(column, *d))
                                         return false;
                                 }
                                 return true;
                             });
}

Status writeIndicators(const QDir &root)
{
    const auto &list = DemoRatings::indicators();
    Status indik = writeKeyedRecords(root.filePath(u"INDIK.TPS"_s), data::FileId::indik,
                                     int(list.size()), [&](runtime::store::KeyedFile &f, int i) {
                                         const DemoQualityIndicator &q = list[i];
                                         data::IndikRecord r(f.record());
                                         r.setName(q.name);
                                         r.setTip(std::uint8_t(q.tip));
                                         bool ok = r.setId(q.id) &&
                                                   r.setCodForm(DemoRatings::indicatorForm) &&
                                                   r.setTipInd(20, std::uint8_t(q.set));
                                         for (qsizetype k = 0; k < q.definitions.size(); ++k)
                                             ok = ok && r.setCodTabl(int(k + 1), q.tables[k]) &&
                                                  r.setCodPok(int(k + 1), q.definitions[k]);
                                         return ok;
                                     });
    if (!indik)
        return indik;
    const QList<DemoSet> sets = DemoRatings::sets();
    return writeKeyedRecords(root.filePath(u"NABOR.TPS"_s), data::FileId::NABOR, int(sets.size()),
                             [&](runtime::store::KeyedFile &f, int i) {
                                 data::NaborRecord r(f.record());
                                 r.setId(sets[i].id);
                                 r.setName(sets[i].name);
                                 r.setTip(0);
                                 bool ok = true;
                                 for (qsizetype k = 0; k < sets[i].members.size(); ++k)
                                     ok = ok && r.setIdLpu(int(k + 1), sets[i].members[k]);
                                 return ok;
                             });
}

// The map pictures' colours: the transparent key, the lines, the fill of a district.
enum : int { keyColour = 0, lineColour = 1, fillColour = 2 };

const QRgb transparentKey = qRgb(255, 0, 255);
const QRgb lines = qRgb(40, 40, 40);

// The colour of range 1..5 in picture set 1..7: set 1 runs from green to red, the others from
// pale to strong through one hue each, set 7 through greys.
QRgb rangeColour(int set, int range)
{
    static const QRgb traffic[] = {qRgb(0, 160, 0), qRgb(140, 200, 60), qRgb(250, 220, 0),
                                   qRgb(250, 140, 0), qRgb(210, 0, 0)};
    static const int hues[] = {210, 0, 120, 280, 30};
    if (set == 1)
        return traffic[range - 1];
    if (set == DemoRatings::pictureSets)
        return QColor::fromHsv(0, 0, 230 - (range - 1) * 40).rgb();
    return QColor::fromHsv(hues[set - 2], 50 + (range - 1) * 50, 250 - (range - 1) * 25).rgb();
}

// Wide enough for its height that the page, drawing it at 90% of the window's width, leaves
// room under it for the legend on a common screen (the legend follows a spacer of 62%).
constexpr QSize mapSize(600, 260);

Status writeMapPictures(const QDir &root)
{
    const QDir images(root.filePath(u"Images"_s));
    for (int set = 1; set <= DemoRatings::pictureSets; ++set)
        for (int range = 1; range <= DemoRatings::ranges; ++range)
            if (Status made = runtime::fs::makeDir(images.filePath(u"%1/%2"_s.arg(set).arg(range)));
                !made)
                return made;

    // A district's picture is drawn and packed once; the sets and ranges only change its fill
    // colour in the palette.
    const QList<QRgb> drawing{transparentKey, lines, qRgb(128, 128, 128)};
    for (int d = 1; d <= DemoRatings::mapDistricts; ++d) {
        QImage image(mapSize, QImage::Format_RGB32);
        image.fill(transparentKey);
        QPainter painter(&image);
        painter.setPen(QColor(lines));
        painter.setBrush(QColor(drawing[fillColour]));
        painter.drawRect(DemoRatings::districtArea(d));
        painter.end();
        const GifImageData packed = gifImageData(indexedPicture(image, drawing));
        for (int set = 1; set <= DemoRatings::pictureSets; ++set) {
            for (int range = 1; range <= DemoRatings::ranges; ++range) {
                const QList<QRgb> colours{transparentKey, lines, rangeColour(set, range)};
                const QString path = images.filePath(u"%1/%2/%3.gif"_s.arg(set).arg(range).arg(d));
                if (Status s = writeGif(path, packed, colours, keyColour); !s)
                    return s;
            }
        }
    }

    QImage swatch(20, 14, QImage::Format_RGB32);
    swatch.fill(drawing[fillColour]);
    QPainter swatchPainter(&swatch);
    swatchPainter.setPen(QColor(lines));
    swatchPainter.drawRect(swatch.rect().adjusted(0, 0, -1, -1));
    swatchPainter.end();
    const GifImageData swatchPacked = gifImageData(indexedPicture(swatch, drawing));
    for (int set = 1; set <= DemoRatings::pictureSets; ++set) {
        for (int range = 1; range <= DemoRatings::ranges; ++range) {
            const QList<QRgb> colours{transparentKey, lines, rangeColour(set, range)};
            const QString path = images.filePath(u"%1/%2/legend.gif"_s.arg(set).arg(range));
            if (Status s = writeGif(path, swatchPacked, colours, keyColour); !s)
                return s;
        }
    }

    // The common picture: every district's outline and number, the names of the demo's
    // districts.
    QImage region(mapSize, QImage::Format_RGB32);
    region.fill(transparentKey);
    QPainter painter(&region);
    painter.setPen(QColor(lines));
    painter.setBrush(Qt::NoBrush);
    const bool withText = qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
    if (withText) {
        QFont font;
        font.setPixelSize(11);
        font.setStyleStrategy(QFont::NoAntialias);
        painter.setFont(font);
    }
    for (int d = 1; d <= DemoRatings::mapDistricts; ++d) {
        const QRect area = DemoRatings::districtArea(d);
        painter.drawRect(area);
        if (!withText)
            continue;
        QString label = QString::number(d);
        for (const DemoDistrict &district : demoReference().districts)
            if (district.code == d)
                label += u"\n"_s + district.name;
        painter.drawText(area.adjusted(2, 2, -2, -2), Qt::AlignCenter | Qt::TextWordWrap, label);
    }
    painter.end();
    const QList<QRgb> outline{transparentKey, lines};
    return writeGif(images.filePath(u"name_r.gif"_s), region, outline, keyColour);
}

Status writeButtonPictures(const QDir &root)
{
    const QList<QRgb> colours{qRgb(255, 0, 255), qRgb(200, 0, 0), qRgb(40, 40, 40),
                              qRgb(250, 210, 60)};
    QImage remove(16, 16, QImage::Format_RGB32);
    remove.fill(colours[0]);
    QPainter painter(&remove);
    painter.setPen(QPen(QColor(colours[1]), 3));
    painter.drawLine(3, 3, 12, 12);
    painter.drawLine(12, 3, 3, 12);
    painter.end();
    if (Status s = writeGif(root.filePath(u"Delete.gif"_s), remove, colours, 0); !s)
        return s;

    QImage edit(16, 16, QImage::Format_RGB32);
    edit.fill(colours[0]);
    painter.begin(&edit);
    painter.setPen(QPen(QColor(colours[3]), 4));
    painter.drawLine(4, 12, 12, 4);
    painter.setPen(QPen(QColor(colours[2]), 1));
    painter.drawLine(2, 14, 5, 13);
    painter.drawLine(2, 14, 3, 11);
    painter.end();
    return writeGif(root.filePath(u"Edit.gif"_s), edit, colours, 0);
}

} // namespace

const QList<DemoQualityIndicator> &DemoRatings::indicators()
{
    static const QList<DemoQualityIndicator> list{
        {1, u"Качество медицинской помощи по районам"_s, 1, {1, 2, 3}, {101, 102, 103}, 1},
        {2, u"Работа стационаров районов"_s, 0, {3, 4}, {103, 104}, 2},
        {3, u"Черновик: доступность помощи (не готов)"_s, 11, {1}, {101}, 1},
    };
    return list;
}

QList<DemoSet> DemoRatings::sets()
{
    DemoSet central{1, u"Центральные районные больницы"_s, {}};
    DemoSet hospitals{2, u"Больницы районов"_s, {}};
    for (const DemoInstitution &inst : demoReference().institutions) {
        if (inst.district > 6 || inst.closedYear != 0)
            continue;
        if (inst.kind == 1)
            central.members.append(inst.code);
        if (inst.kind == 1 || inst.kind == 2)
            hospitals.members.append(inst.code);
    }
    return {central, hospitals};
}

QRect DemoRatings::districtArea(int district)
{
    constexpr int columns = 7;
    constexpr int width = 80;
    constexpr int height = 60;
    const int column = (district - 1) % columns;
    const int row = (district - 1) / columns;
    // Every other row shifted half a district, as districts lie on a real map.
    const int shift = row % 2 == 0 ? 0 : width / 4;
    return QRect(10 + shift + column * (width - 2), 10 + row * (height - 2), width, height);
}

Status DemoRatings::write(const QString &root)
{
    const QDir dir(root);
    for (int year : demoYears()) {
        const QDir yearDir(dir.filePath(QString::number(year)));
        if (Status s = writeCatalogue(yearDir); !s)
            return s;
        // The norms of the complete year only.
        if (year == demoYears().first()) {
            if (Status s = writeNorms(yearDir); !s)
                return s;
        }
    }
    if (Status s = writeIndicators(dir); !s)
        return s;
    if (Status s = writeMapPictures(dir); !s)
        return s;
    return writeButtonPictures(dir);
}

} // namespace zemor::tools
