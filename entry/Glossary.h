#pragma once

// Names of report entry and the identifiers that carry them, so that a reader can search either
// way.
//
//   QSU (whole-report queue, ReportRowsQueue)  ReportSession::reportRows(), ReportRows
//   QT (entry queue of the current table)      ReportSession::entryRows(), EntryRow
//   QT:S, QT:POL                               EntryRowText::name, EntryRowText::sexCodes
//   QS (row list), QS:NAMEL                    EntryRowText::shortName
//   QST (table list)                           ReportSession::tables(), FormTable
//   QC (column rules of the table)             ColumnRule (RowOnlineCheck)
//   QRASH (CalcRuleQueue)                      ReportSession::calculations(), CalcRule
//   column descriptions, GR_1 .. GR_35         EntryColumns, ColumnDescription
//   WWOD marker, LockReport, UnlockReport      ReportMarker::take(), adopt(), release()
//   LoadWholeReport, LoadTableIntoQueue        ReportSession::open(), stepToTable()
//   StepToTable, ChooseTable                   ReportSession::stepToTable(), chooseTable()
//   FindRowByCode                              ReportSession::findRowByCode()
//   CheckCurrentRowAndPut                      ReportSession::checkRow(), putRow()
//   EditCellInPlace (value stored)             ReportSession::storeValue()
//   SyncReportQueue                            ReportSession::syncReportQueue()
//   SaveTable, SaveReport, SaveEmptyReport     ReportSession::saveTable(), saveReport(),
//                                              saveEmptyReport(); ReportStore
//   DeleteReport, ClearTable                   ReportSession::deleteReport(), clearTable()
//   AskSaveOnExit, FreeEntryQueues             ReportSession::leave(), close()
//   CarryOverBalances                          ReportSession::carryOverBalances()
//   CalculateTotals                            ReportSession::calculateTotals()
//   CheckReportControls                        ReportSession::checkReport()
//   modified flag                              ReportSession::modified()
//   control off (LOCCONTR)                     ReportSession::controlOff()
