#pragma once

// The office programs the procedures talk to, in this process: a Conversation whose services
// are "Excel" (ExcelService: workbooks opened from templates, filled by pokes, formatted,
// saved, and shown in the desktop's spreadsheet program when the program is done with them)
// and "WinWord" (its system topic takes "[FileOpen("...")]" and shows that document with the
// desktop's word processor). Service names are compared without regard to case; an unknown
// service, an unknown topic or a service switched off by setServiceAvailable() gives channel 0.
//
// "Excel" topics: "SYSTEM", or an open workbook's name (see ExcelService::workbookForTopic).
// Commands no program here knows are answered as accepted and kept in unknownCommands(), with
// the service's name in front ("Excel: [QUIT()]"), so that a test or a log can see them.
// Every document handed to the desktop is kept in shownDocuments(), also where the desktop is
// not used (a headless run or a test).
//
// One OfficeServer serves the whole program, as one spreadsheet program serves the desktop;
// main.cpp owns it and passes it down as a Conversation. It is used from the GUI thread only.
// Destroying it closes the conversations still open (their workbooks are kept as on close).

#include "runtime/office/Conversation.h"
#include "runtime/office/DesktopOpener.h"
#include "runtime/office/ExcelService.h"

#include <QHash>
#include <QSet>
#include <QStringList>

#include <memory>

namespace zemor::runtime::office {

class OfficeServer final : public Conversation
{
public:
    // `opener` shows finished documents; nullptr means the desktop's (SystemDesktopOpener).
    // The server does not own a given opener, which must outlive it.
    explicit OfficeServer(DesktopOpener *opener = nullptr);
    ~OfficeServer() override;
    OfficeServer(const OfficeServer &) = delete;
    OfficeServer &operator=(const OfficeServer &) = delete;

    int open(const QString &service, const QString &topic) override;
    [[nodiscard]] Status execute(int channel, const QString &command) override;
    [[nodiscard]] Status poke(int channel, const QString &item, const QString &value) override;
    [[nodiscard]] Status close(int channel) override;

    // A service that is switched off cannot be reached (as when the program is not installed).
    void setServiceAvailable(const QString &service, bool available);

    QStringList unknownCommands() const { return m_unknown; }
    QStringList shownDocuments() const { return m_shown; }

    // The workbook a channel's commands act on (its topic's, or the active one on "SYSTEM"),
    // and its file; nullptr and empty when there is none.
    const Workbook *workbook(int channel) const;
    QString workbookPath(int channel) const;

private:
    enum class Service { Excel, Word };
    struct Channel
    {
        Service service = Service::Excel;
        int workbook = 0; // Excel: the workbook of a topic conversation, 0 on "SYSTEM"
    };

    [[nodiscard]] Status executeWord(const QString &command);
    [[nodiscard]] Status show(const QString &path);
    const Channel *channel(int number) const;

    std::unique_ptr<DesktopOpener> m_ownOpener;
    DesktopOpener *m_opener;
    ExcelService m_excel;
    QHash<int, Channel> m_channels;
    int m_nextChannel = 1;
    QSet<QString> m_unavailable; // case-folded service names
    QStringList m_unknown;
    QStringList m_shown;
};

} // namespace zemor::runtime::office
