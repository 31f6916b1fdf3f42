#pragma once

// A period entry of the summary windows: a period number, or for daily forms a date shown and
// typed as "@d5." and held as its day number (QDate::toJulianDay()), the period of a daily
// report. value() is the period either way; a date that does not parse, or lies outside the
// box's range, is not taken.

#include <QSpinBox>

namespace zemor::analysis::ui {

// The largest day number a box of dates takes (far beyond any date "@d5." can show).
inline constexpr int dayNumberLimit = 99999999;

class PeriodBox : public QSpinBox
{
public:
    explicit PeriodBox(QWidget *parent) : QSpinBox(parent) {}

    // A day number as the box shows it ("09.03.25").
    static QString dateText(qint64 dayNumber);

    bool dates() const { return m_dates; }
    // Switches between numbers and dates; the value stays as it is.
    void setDates(bool on);

protected:
    QString textFromValue(int value) const override;
    int valueFromText(const QString &text) const override;
    QValidator::State validate(QString &text, int &pos) const override;

private:
    bool m_dates = false;
};

} // namespace zemor::analysis::ui
