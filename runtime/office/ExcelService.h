#pragma once

// The spreadsheet program behind the "Excel" service of OfficeServer: the workbooks it has
// open, the commands it accepts and what happens to a workbook when the program is done with it.
//
// Commands (macro language, see MacroCommand), on the system topic acting on the active
// workbook, on a workbook's topic on that workbook:
//   OPEN / OPEN.TEXT("name")   open a workbook file (a DOS-style name, resolved in the working
//                              directory); a workbook open already is made active. A file that
//                              is not a workbook file (an older binary format) is kept as it is:
//                              it can be saved under another name and shown, not changed.
//   SAVE.AS("name")            write the workbook under a new name, which it takes; SAVE writes
//                              it under its own
//   SELECT("R9C1:R40C6")       the cells the following formatting commands act on (areas
//                              separated by commas)
//   BORDER(outline, left, right, top, bottom, ...)      line styles 0..7 (missing: unchanged)
//   FONT.PROPERTIES(font, style, size, ..., underline)  FORMAT.FONT(name, size, bold, italic,
//                              underline)  ALIGNMENT(horizontal 1..7, wrap)
//   COLUMN.WIDTH(width, "C1:C3")   FORMULA(value, "R1C1")   CLOSE / FILE.CLOSE(save)
// Any other well-formed command is passed to the unknown-command log and otherwise ignored, as
// the spreadsheet program ignores what it does not know. A command with unusable arguments, on
// no workbook, or that fails (a missing file, a damaged workbook, a directory that does not
// exist) is refused with an Error and changes nothing.
//
// Pokes into "R<row>C<col>" items of a workbook's topic set cells (Cell::setEntry); a value with
// tabs and line breaks fills the cells to the right and below, as a pasted block does.
//
// A workbook ends its life here when the program lets go of it: when the last conversation on
// its topic closes (once the system conversation that opened it has closed too), or, for a
// workbook opened on the system topic and never saved under a new name nor talked to on its own
// topic, when that system conversation closes. Its changes are then written under its own name
// when it was saved under one (else into a fresh copy in the temporary directory, never over the
// file it was opened from), and the result is handed to `show`. A workbook that cannot be
// written stays open, so that nothing is lost, and the failure is reported.
//
// Not thread-safe: one ExcelService serves one thread, as the one spreadsheet program serves
// the whole desktop.

#include "runtime/core/Error.h"
#include "runtime/office/CellRange.h"
#include "runtime/office/MacroCommand.h"
#include "runtime/office/Workbook.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace zemor::runtime::office {

class ExcelService
{
public:
    using ShowFunction = std::function<Status(const QString &path)>;
    using LogFunction = std::function<void(const QString &command)>;

    // The most cells one formatting command may touch.
    static constexpr qint64 kMaxFormattedCells = 1'000'000;
    static constexpr int kMaxItemLength = 80;

    ExcelService(ShowFunction show, LogFunction logUnknown);
    ~ExcelService();
    ExcelService(const ExcelService &) = delete;
    ExcelService &operator=(const ExcelService &) = delete;

    // The open workbook a topic names: its full name (any spelling that resolves to it, also
    // "[name]sheet") or its file name; 0 when none.
    int workbookForTopic(const QString &topic) const;

    // `workbook` is the workbook of a topic conversation, 0 on the system topic; `channel`
    // identifies the conversation.
    [[nodiscard]] Status execute(int channel, int workbook, const QString &command);
    [[nodiscard]] Status poke(int workbook, const QString &item, const QString &value);

    // A conversation on a workbook's topic opened or closed; a system conversation closed.
    void attach(int workbook);
    [[nodiscard]] Status detach(int workbook);
    [[nodiscard]] Status systemClosed(int channel);

    // Inspection (tests, the preview of a workbook): nullptr or empty when not open.
    const Workbook *workbook(int id) const;
    QString pathOf(int id) const;
    int activeWorkbook() const { return m_active; }
    QList<CellRange> selectionOf(int id) const;

private:
    struct Entry;

    Entry *find(int id) const;
    Entry *target(int workbook) const;
    [[nodiscard]] Status run(int channel, int workbook, const MacroCommand &command);
    [[nodiscard]] Status open(int channel, int workbook, const MacroCommand &command);
    [[nodiscard]] Status saveAs(Entry &entry, const MacroCommand &command);
    [[nodiscard]] Status save(Entry &entry);
    [[nodiscard]] Status select(Entry &entry, const MacroCommand &command);
    [[nodiscard]] Status border(Entry &entry, const MacroCommand &command);
    [[nodiscard]] Status font(Entry &entry, const MacroCommand &command, bool properties);
    [[nodiscard]] Status alignment(Entry &entry, const MacroCommand &command);
    [[nodiscard]] Status columnWidth(Entry &entry, const MacroCommand &command);
    [[nodiscard]] Status formula(Entry &entry, const MacroCommand &command);
    [[nodiscard]] Status closeWorkbook(Entry &entry, const MacroCommand &command);
    [[nodiscard]] Status finish(Entry &entry);
    void forget(int id);

    ShowFunction m_show;
    LogFunction m_logUnknown;
    std::vector<std::unique_ptr<Entry>> m_entries;
    int m_nextId = 1;
    int m_active = 0;
};

} // namespace zemor::runtime::office
