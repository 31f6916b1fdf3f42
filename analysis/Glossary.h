#pragma once

// The names of the summaries and analysis as the rest of the system knows them, and where each
// lives in this folder, so that a reader can search either way.
//
//   name                                         code
//
//   indicator definition, QST (IndicatorChoice)  IndicatorDefinition
//   QST:UNICODT, QST:CODFORM, QST:NAME           IndicatorDefinition::id, form, name
//   QST:YEAR1, QST:YEAR2, QST:XLS, QST:TWO       IndicatorDefinition::firstYear, lastYear,
//                                                workbook, successor
//   QST:SM, QST:A, QST:TYPE                      IndicatorDefinition::kind, columns, type
//   ParseIndicatorDefinition                     IndicatorDefinition::fromRecord()
//   LoadSuccessorDefinition                      IndicatorFormulaFiles::loadSuccessorDefinition()
//   RebuildDefinitionList                        IndicatorFormulaFiles::rebuildDefinitionList(),
//                                                arrangeDefinitionList()
//   IndicatorFormula (QP)                        IndicatorFormula, IndicatorTerm
//   QP:CODFORM, QP:FORTIP, QP:SNAK               IndicatorFormula::form, formKind, subtract
//   QP:CODTABL                                   IndicatorFormula::table (cell file lines),
//                                                sourceRow ("<n>.MDV" lines)
//   QP:UNICODSTR                                 IndicatorFormula::sourceRow (cell file lines),
//                                                resultRow ("<n>.MDV" lines)
//   QP:CODGR, QP:CODGRP, QP:HISLO, QP:MES        IndicatorTerm::column, slot, scope, month
//   IndicatorStep (QF)                           IndicatorStep
//   QF:NUM, QF:CODGRP, QF:SNAK, QF:CODGR         IndicatorStep::number, target, operation, source
//   QF:HISLO, QF:CODFOR, QF:UNICODSTR            IndicatorStep::constant, condition, value
//   population marks, month-1 flag               IndicatorTerms::populationMarks, monthOne
//   LoadIndicatorTerms                           IndicatorFormulaFiles::loadIndicatorTerms()
//   ReadIndicatorFormula ("<n>.MDV")             IndicatorFormulaFiles::readIndicatorFormula(),
//                                                FormulaText::parseMdv()
//   ReadFormulaRows ("<n>.MDS")                  IndicatorFormulaFiles::readFormulaRows(),
//                                                readFormulaRowLines(), FormulaText::parseMds()
//   LoadColumnPictures                           IndicatorFormulaFiles::loadColumnPictures(),
//                                                ColumnPictures::apply()
//   column records (GRA: of "GrafaP.dat")        IndicatorColumn,
//                                                IndicatorFormulaFiles::readColumns()
//   stored list format (Sapki, "SapkiP.tps")     IndicatorFormulaFiles::readListFormat()
//   "Проверте формулу"                           IndicatorFormulaFiles::formulaFaultMessage()
//   "Ошибка в конструкторе"                      IndicatorFormulaFiles::successorMissingMessage()
//   "Ошибка в <n>.mdv"                           FormulaText::mdvErrorMessage()
//   ShowRankTable (the rank table's logic)       RankTable (RankTable.h)
//   QS (rank rows)                               RankRow, RankTable::rows()
//   QS:CODSTR, QS:S                              RankTable::codStr(row), name(row)
//   QS:DATA (= QS:DATES), QS:RANG, QS:D          RankRow::data(), rank, range
//   QS:CODREG                                    RankRow::codReg
//   ?LOCMIN:2, ?LOCMAX:2                         RankTable::minimum(), maximum()
//   ?DI:2, ?KOLDIAP                              RankTable::step(), rangeCount()
//   ?D1_1 .. ?D1_5, ?D2_1 .. ?D2_5               RankTable::lowerBound(i), upperBound(i)
//   SplitRangesEvenly                            RankTable::splitRangesEvenly()
//   AssignRanges                                 RankTable::assignRanges()
//   QSI:DIAP (the map's bounds)                  RankTable::mapBounds()
//   OpenIndicatorMap (the map's input)           RankTable::mapSource()
//   ExportRanksToExcel ("rang.xls")              RankTableExcel::exportRanks()
//   WriteIndicatorMap                            IndicatorMap (IndicatorMap.h): write(), show()
//   CollectDistrictValues                        IndicatorMap::districtValues()
//   ?T1, ?T2, ?T3                                MapOptions::valueTable, title, titleSize
//   ?LEG, ?LEG1, ?SRPOK                          MapOptions::legend, pictureSet, regionValue
//   REG:NAME of districts 1..28                  readDistrictNames() (IndicatorMap.h)
//
//   --- report list, summary by table, summary file, completeness
//   SelectReports (the list's logic)             ReportList (ReportList.h)
//   ReportListEntry (QS), QS:N .. QS:MARK        ReportListEntry: number, institution, period,
//                                                marked, districtName, kindName,
//                                                settlementName, level, name, district, kind,
//                                                settlement
//   DistrictChoice (QSR), KindChoice (QSV)       DistrictChoice, KindChoice
//   SelectedReport (QSU)                         SelectedReport
//   ?FORMA, ChooseSummaryForm                    ReportList::chooseForm()
//   ?MES1, ?MES2, "latest period" (20)           ReportList::from(), to(), latestPeriod()
//   FillReportList, AddReportListRow             ReportList::fill()
//   ?PROST_SWOD "без учета типа граф"            ReportList::ignoreColumnKinds()
//   ChooseDistrictFilter, ChooseKindFilter       ReportList::chooseDistrict(), chooseKind()
//   ?NAMEREG, ?NAMEUCH, ?LOCGOR, ?LOCSEL         ReportList::districtText(), kindText(), city(),
//                                                village()
//   ApplyReportFilters                           ReportList::applyFilters()
//   MarkAllReports, UnmarkAllReports             ReportList::markAll(), unmarkAll()
//   ?BUTTON14:2 "Выбрать в списке"               ReportList::selectByLevel()
//   ?BUTTON14 "Присвоить ЛПУ", AssignCareLevel   ReportList::assignCareLevel()
//   ?KOLOTM                                      ReportList::markedCount()
//   FindInstitutionByName, FindInstitutionByCode ReportList::findByName(), findByCode()
//   CheckMarksAndTitle, PeriodTag, SummaryTitle  ReportList::checkMarksAndTitle(), MarksAndTitle
//   FormatPeriodTitle                            ReportList::formatPeriodTitle()
//   ?SWOD1 hand-over                             ReportList::summaryRequest(), SummaryRequest
//   SummarizeByTable (the summary's logic)       Summary.h
//   ColumnKinds (QGR), LoadColumnKinds           ColumnKinds::load()
//   SummaryRow (QSUM)                            SummaryRow, Summary
//   SumReports, SetSummaryValues,                SummaryCalculation::sumReports()
//   AddSummaryValues
//   "Нулевой код в базе"                         Summary::zeroCode, zeroCodeText()
//   SummaryTableChoice (QST)                     entry::FormTable (FormCatalogue::tables())
//   SummaryTableRow (QT)                         SummaryTableRow, SummaryTable
//   LoadSummaryTable, Sapki                      SummaryTables::load(), storedFormat()
//   BuildSummaryFormat                           SummaryTables::buildFormat()
//   CheckSummaryControls                         SummaryTables::checkControls()
//   ?CHECK2 "только заполненные строки"          SummaryTable::keepFilledRows()
//   ExportSummaryFile ("ssw…F…")                 SummaryOutput::writeSummaryFile(),
//                                                summaryFilePath(), summaryInstitution()
//   ExportSummaryToExcel ("swod.xls")            SummaryOutput::exportToExcel(), workbookCells()
//   ShowCompleteness (its logic)                 Completeness (Completeness.h)
//   CountedReport (QAC), CompletenessRow (QS)    CountedReport, CompletenessRow
//   CountSubmittedReports                        Completeness::countSubmittedReports()
//   BuildCompletenessFormat, ?WSEGO              Completeness::buildTable(), rowsWithoutTotal
//   ?OPTION1 "по районам" / "по ЛПУ"             CompletenessMode
//   ExportCompletenessToExcel ("RAS.XLS")        Completeness::exportToExcel()
