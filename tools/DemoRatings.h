#pragma once

// Writes what the demo's quality ratings and the indicator map need into a demo working
// directory:
// - the indicator form 301 "Индикаторы качества" in every year's catalogue: one table per rated
//   definition, one row per result slot (the note of the disease rate has none), the norm
//   columns 1, 4, 5 and 6;
// - its norms, the report of the whole region (institution 20000) for period 0, in the first
//   (complete) demo year;
// - the quality indicators (`indik`): one by district, one by institution and a draft one that
//   the list does not show; and the institution sets (`NABOR`) they rate;
// - the map pictures under "Images/": for each of the 7 picture sets and 5 ranges a picture of
//   each district 1..28 and the range's swatch "legend.gif", and the common picture of the
//   region "name_r.gif" (district names are drawn only under a QGuiApplication);
// - the button pictures "Delete.gif" and "Edit.gif".
// Every picture is a GIF with a transparent background colour.

#include "runtime/core/Error.h"

#include <QList>
#include <QRect>
#include <QString>

namespace zemor::tools {

struct DemoQualityIndicator
{
    int id;
    QString name;
    int tip; // 1 by district, 0 by institution, above 10 not listed
    QList<int> tables;
    QList<int> definitions;
    int set;
};

struct DemoSet
{
    int id;
    QString name;
    QList<qint32> members;
};

class DemoRatings
{
public:
    static constexpr int indicatorForm = 301;
    static constexpr int pictureSets = 7;
    static constexpr int ranges = 5;
    static constexpr int mapDistricts = 28;

    static const QList<DemoQualityIndicator> &indicators();
    static QList<DemoSet> sets();
    // Where district d (1..28) lies on the map pictures.
    static QRect districtArea(int district);

    [[nodiscard]] static runtime::Status write(const QString &root);
};

} // namespace zemor::tools
