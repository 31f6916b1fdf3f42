#pragma once

// A part of a window that the program draws into: lines, polylines, texts at a position and
// filled boxes, each with the pen colour and width current when it was drawn. The charts of
// the analysis windows compute their points and hand them here; the surface keeps what was
// drawn and paints it again whenever the window needs it, until clear().
//
// Positions are in window units, the units the window layouts are written in: a horizontal
// unit is a quarter of the average character width of the surface's font, a vertical unit an
// eighth of its line height; (0, 0) is the top left corner and y grows downwards. Pen widths are
// in pixels. Drawing outside the surface is clipped, never an error.
//
// The surface owns its list of drawn items; it is a plain widget, owned by its window.

#include <QColor>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>

namespace zemor::runtime::ui {

class DrawingSurface : public QWidget
{
    Q_OBJECT

public:
    struct Item
    {
        enum class Kind { Line, Text, Box };
        Kind kind = Kind::Line;
        QList<QPoint> points; // Line: two or more points in window units; Text: its position
        QRect box;            // Box, in window units
        QString text;
        QColor color;
        int penWidth = 1;
    };

    explicit DrawingSurface(QWidget *parent = nullptr);

    void clear();
    void setPen(const QColor &color, int width = 1);
    void drawLine(QPoint from, QPoint to);
    void drawPolyline(const QList<QPoint> &points);
    // The text's top left corner at `at`, in the pen colour.
    void drawText(QPoint at, const QString &text);
    void fillBox(const QRect &box, const QColor &color);

    const QList<Item> &items() const { return m_items; }

    // Window units to pixels of this surface.
    QPoint toPixels(QPoint units) const;
    QRect toPixels(const QRect &units) const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<Item> m_items;
    QColor m_penColor = Qt::black;
    int m_penWidth = 1;
};

} // namespace zemor::runtime::ui
