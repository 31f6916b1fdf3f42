#pragma once

// Names of report exchange and the identifiers that carry them, so that a reader can search
// either way.
//
//   ExportReports, WriteExchangeFile           ExportReports::write()
//   RunExportControls                          ExportReports::runControls()
//   FillExportPathChoices                      ExportReports::pathChoices()
//   SetExportPeriodName                        ExportReports::periodName()
//   export scope (GLOBTIPUSER)                 ExportScope::of()
//   QS (export form list), QS1 (results)       ExportForm, ExportLine
//   ExchangePath + name (target)               ExportReports::target()
//   work file "export\W" + code + ".dat"       data::ExchangeFileName::exportWorkFileName()
//   RunIntraFormControls over exchange files   ExchangeReportSource
//   "Otchet2-err" + code                       ExchangeReportSource::unreadableText()
//   ImportReports, ScanExchangeFiles            ImportReports::scan(), name()
//   FillImportPathChoices                      ImportReports::pathChoices()
//   QS (entry list), QU (institutions)         ImportEntry, ImportInstitution
//   QS1 (result list)                          ImportLine
//   SelectReportsToLoad                        ImportReports::sortForList(), markInstitution()
//   SelectSummaryToLoad                        ImportReports::nameSummaryEntries(),
//                                              loadSummary()
//   LoadSelectedReports, "все ЛПУ"             ImportReports::load(), loadAll()
//   RunImportControls                          ImportReports::runControls()
//   ConfirmReplaceOldReport                    ImportReports::replaceQuestion() in load()
//   MoveLoadedFiles                            ImportReports::moveFiles(), secondName()
//   replacement by the file's records          entry::ReportBatch (BatchMode::Replace)
//   ImportReportsOldFormat                     OldFormatImport
//   QS (old file list)                         OldFile, OldFormatImport::files()
//   ListInstitutionsInFiles                    OldFormatImport::institutions()
//   LoadOldExchangeFiles ("Выбрать из списка") OldFormatImport::loadOne()
//   LoadOldExchangeFiles ("все ЛПУ")           OldFormatImport::loadAll()
//   ?BUTTON3 (complete a report)               OldFormatImport::loadOne(..., complete = true)
//   FindOldReport                              entry::ReportStore::exists()
//   RunImportControlsOld (flag 10)             OldFormatImport::runControls(),
//                                              ExchangeReportSource(..., ExchangeFormat::Old)
//   ImportDbfReports                           DbfImport, ui::importDbfReports()
//   QP (dBase file list), QF (forms of a file) DbfFile, DbfImport::Form
//   FillDbfPathChoices                         DbfImport::pathChoices()
//   ScanDbfFiles                               DbfImport::scan(), monthAndYear()
//   LoadMarkedDbfFiles                         DbfImport::load()
//   LoadDbfRows                                DbfImport::loadRows()
//   ReportDuplicateRow                         DbfImport::duplicateText()
//   import1, VOV4000 (read by the dBase reader) DbfImport::rowsLayout(), personsLayout()
//   ImportForm62Csv, P23$WINDOW                ui::Form62CsvWindow, ui::importForm62Csv()
//   QP (CSV file list)                         CsvFile
//   ScanCsvFiles                               Form62CsvImport::scan()
//   LoadForm62Tables (QST)                     Form62CsvImport::catalogue()
//   LoadMarkedCsvFiles                         Form62CsvImport::loadFiles()
//   LoadCsvFile, LoadTable8000Line             Form62CsvImport::loadFile()
//   SplitTable8000Column                       Form62CsvImport::splitTable8000Column()
//   StoreCsvRowValues                          RowRecord::set() in Form62CsvImport.cpp
//   LoadSummaryCsvFile                         Form62CsvImport::loadSummary()
//   a file's rows in one transaction           entry::ReportBatch (BatchMode::Complete)
//   ImportForm62Xml                            Form62XmlImport, ui::importForm62Xml()
//   FillXmlPathChoices                         Form62XmlImport::pathChoices(), loadedFolder()
//   LoadForm62Rows, QSTR                       Form62XmlImport::loadRows(), Form62Row
//   ParseXmlFile, QS (cells)                   Form62XmlImport::parse(), scan(), XmlCell
//   LoadXmlValues, StoreXmlRowValues           Form62XmlImport::load()
//   remap of table 8000                        Form62XmlImport::remap()
//   ConfirmReplaceOldReport (XML)              Form62XmlImport::replaceQuestion() in load()
