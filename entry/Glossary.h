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
//
// Control runs, inter-form controls, control lists, printing and blanks:
//   RunIntraFormControls                       ControlRun::run()
//   QF (forms of a run), QF:PATH, QF:MES       RunForm
//   QU (entities of a run)                     RunEntity
//   QSUM (the report being checked)            SummedReport (RunReportSource)
//   QS1 of a run, ShowRunResults               RunLine; ControlRun::resultLines(),
//                                              closingMessage()
//   ?OPTION1 of a run                          RunScope
//   InterFormControls                          InterFormControls
//   QSP (formula list, SpisMF.TXT)             InterFormEntry, InterFormControls::readList()
//   FindInterFormControl, QS2, QS              InterFormControls::formula(), InterFormGroup
//   QS1 of the inter-form controls             InterFormLine
//   "ContrMF.dat" under ContrStrFileName       ControlRuleLoader::interFormRule()
//   ControlsList                               ControlsList
//   column, QCS, QCT lists                     ColumnRuleLine, RowRuleLine, TableRuleLine
//   PrintReportTables (layout)                 ReportTablePrint::layOut()
//   ?LOCNAME, ?PRNTAB, ?TIP1                   TablePrintOptions
//   GRA:L, GRA:TYPEGR                          FormColumn::width, FormColumn::kind
//   BlankForms, QS of the blanks               BlankForms, BlankEntry
