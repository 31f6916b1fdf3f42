#pragma once

// What the map page tests share: the page as a browser shows it (its comments left out), and a
// desktop that keeps every file it is asked to open instead of starting the browser.

#include "runtime/office/DesktopOpener.h"

#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace zemor::test {

inline QString withoutComments(QString page)
{
    static const QRegularExpression comment(QStringLiteral("<!--.*?-->"),
                                            QRegularExpression::DotMatchesEverythingOption);
    return page.remove(comment);
}

struct RecordingDesktop final : runtime::office::DesktopOpener
{
    QStringList opened;
    runtime::Status open(const QString &path) override
    {
        opened << path;
        return {};
    }
};

} // namespace zemor::test
