#pragma once

// What a printed report looks like: the paper (A4, portrait or landscape, margins) and its
// bands. A band is a strip of fixed height holding items at positions relative to the band's
// top-left corner (at the left margin): texts with a font, an alignment and an optional frame,
// lines and boxes. All lengths are millimetres.
//
// The bands of a report are, from the top of a page: the page header; once at the start the
// report header; for each group level (outermost first) its header when the level's key
// changes; the detail band once per record; the group footers when their key changes (innermost
// first); once at the end the report footer; the page footer at the bottom of every page.
//
// A text is a template: "{name}" is replaced by the record's field `name` (a missing field gives
// an empty text), "{page}" by the page number and "{pages}" by the page count; "{{" and "}}"
// stand for "{" and "}". The values themselves are never read as templates.
//
// Plain data; ReportWriter lays it out into pages.

#include <QColor>
#include <QFont>
#include <QHash>
#include <QList>
#include <QMarginsF>
#include <QRectF>
#include <QString>

namespace zemor::runtime::report {

// A record of the report: field name to the text shown for it.
using ReportRecord = QHash<QString, QString>;

enum class Orientation { Portrait, Landscape };

struct PageSetup
{
    Orientation orientation = Orientation::Portrait;
    QMarginsF margins{15, 10, 10, 10}; // left, top, right, bottom

    // The A4 sheet in this orientation.
    QSizeF paperSize() const;
    // The part of the sheet inside the margins.
    QRectF bodyRect() const;
};

struct ReportItem
{
    enum class Kind { Text, Line, Box };

    Kind kind = Kind::Text;
    // Text and Box: the rectangle. Line: from rect.topLeft() to rect.bottomRight().
    QRectF rect;
    QString text;
    QFont font;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    bool frame = false;    // Text: a box drawn around the rectangle
    bool wordWrap = false; // Text: break into lines at word boundaries; always clipped to rect
    double penWidth = 0.2; // Line, Box and a Text's frame
    QColor fill;           // Box: invalid means not filled

    static ReportItem makeText(const QRectF &rect, const QString &text, const QFont &font = {},
                               Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter,
                               bool frame = false);
    static ReportItem makeLine(const QPointF &from, const QPointF &to, double width = 0.2);
    static ReportItem makeBox(const QRectF &rect, double width = 0.2, const QColor &fill = {});
};

struct Band
{
    double height = 0;
    QList<ReportItem> items;

    // A band without height and items is left out (no header, no footer).
    bool isEmpty() const { return height <= 0 && items.isEmpty(); }
};

struct GroupLevel
{
    QString keyField; // the group breaks where this field's value changes
    Band header;
    Band footer;
    bool startsPage = false; // every group after the first begins on a new page
};

struct ReportDefinition
{
    PageSetup page;
    Band pageHeader;
    Band pageFooter;
    Band reportHeader;
    Band reportFooter;
    QList<GroupLevel> groups; // outermost first
    Band detail;
    // A record whose field `tallDetailField` is not empty is placed with `tallDetail` instead of
    // `detail` (a taller band for a long text); no record is when the field name is empty.
    QString tallDetailField;
    Band tallDetail;
    // Without records: one page with the page header, the report header and footer and the
    // page footer (their fields empty), instead of no page at all.
    bool pageWithoutRecords = false;
};

} // namespace zemor::runtime::report
