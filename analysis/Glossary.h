#pragma once

// The names of the summaries and analysis as the rest of the system knows them, and where each
// lives below this folder, so that a reader can search either way. The report list, the
// summaries, the completeness and the submitted reports are at the root; the rank table and the
// map in common/; the rest in crosssections/, indicators/ and ratings/; windows in each one's ui/.
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
//   ShowRankTable (P1$SCRL "Ранговая таблица")   ui::RankTableWindow::run()
//   WriteIndicatorMap (P1$SCRL "Карта")          ui::MapWindow::run()
//   OpenRankTable (the result window's "Ранг")   IndicatorOutput::rankSource()
//   BuildCrossSection (marking state)            CrossSectionMarks (CrossSectionMarks.h)
//   CrossSectionMark (QW)                        CrossSectionMark
//   QW:NN, QW:YEAR, QW:MES1, QW:MES2             CrossSectionMark::nn, year, periodFrom, periodTo
//   QW:FORMA, QW:CODTABL, QW:CODSTR              CrossSectionMark::form, table, rowCode
//   QW:CODGR, QW:NAMESTR, QW:NAMEGR              CrossSectionMark::storedColumn, rowName,
//                                                columnName
//   QW:UNICODSTR, QW:GR, QW:FORMATGR             CrossSectionMark::rowId, dataColumn, picture
//   CrossSectionTableChoice (QST of the table    CrossSectionTable, CrossSectionTable::tablesOf()
//   list), ChooseCrossSectionTable, BuildRowFormat
//   CrossSectionGridRow (QT)                     CrossSectionGridRow
//   QT:CODSTR, QT:S, QT:POL, QT:DATA1..35        CrossSectionGridRow::code, shortName, sex,
//                                                marked
//   QT:UNICODSTR, QT:NUMBER                      CrossSectionGridRow::rowId, number
//   CheckMarks (double click), ?OPTIONOTM        CrossSectionMarks::mark(), MarkMode
//   AddMark ("+"), AddSeriesMarks (?DINRJD)      CrossSectionMarks::addMark(), addSeries()
//   SortMarks, ?SORTGR                           CrossSectionMarks::sortMarks(), setOrder(),
//                                                MarkOrder
//   ?DEL_QW, ?SBROS                              CrossSectionMarks::removeMark(), reset()
//   ?NEWFORM, ?NEWTABL/?DNTABL/?UPTABL           CrossSectionMarks::setForm(), chooseTable()
//   ?LOCYEAR, ?LOCMES1, ?LOCMES2                 CrossSectionMarks::year(), periodFrom(),
//                                                periodTo()
//   BuildCrossSectionByPlace, ?OPTION1           CrossSectionBuild::byPlace(),
//                                                CrossSectionGrouping
//   build by rows (?LOCSTR)                      CrossSectionBuild::byRows()
//   AccumulateMarkValue                          CrossSectionBuild::accumulate()
//   CrossSectionRow (QAC)                        CrossSectionRow
//   QAC:REG, QAC:UCH, QAC:DATA1..105             CrossSectionRow::region, name, values
//   QAC:CODUCH, QAC:CODREG, QAC:VID, QAC:SEL     CrossSectionRow::key, district, kind,
//                                                settlement
//   the district filter and the selection        CrossSectionScope
//   "Не найден код ЛПУ "                         CrossSectionBuild::missingInstitutionText()
//   PickCrossSectionName, RASRESN (names)        SavedCrossSections::nextId(), addName(), names()
//   SavedCrossSectionChoice (QS:COD, QS:NAME)    SavedCrossSectionChoice::id, name
//   SaveCrossSection, LoadCrossSection (RASRES)  SavedCrossSections::save(), load()
//   ShowCrossSectionTable (the result's logic)   CrossSectionResultView, CrossSectionOutput
//   a click on the result list (?QAC:UCH, ?TEXT1) CrossSectionResultView::click()
//   the preview's page shown last                CrossSectionResultView::previewPage()
//   "Сортировка" of the result                   CrossSectionOutput::sortRows(), RowOrder
//   "Только заполненные строки"                  CrossSectionOutput::removeEmptyRows()
//   ?STRING1 ("ВСЕГО : ")                        CrossSectionOutput::rowCountText()
//   CrossSectionPeriodText, MarkCaption          CrossSectionOutput::periodText(), caption()
//   ComputeValueRange                            CrossSectionOutput::valueRange(), ValueRange
//   DrawCrossSectionChart, DrawRowLine           CrossSectionOutput::chart(), ChartItem
//   "График общий", "График по 1строке"          chart(..., general, oneRow)
//   PrintCrossSection (P1$REPORT pages)          CrossSectionOutput::pages(), CrossSectionPage,
//                                                CrossSectionPrint::layOut()
//   ?PUTRASRES, ?RASR                            SavedCrossSections::saveButton(), loadButton()
//   the saved cross-section in use (id, name)    CrossSectionInUse
//   BuildRowFormat (the grid's list format)      CrossSectionTable::gridFormat()
//   the result list's format and columns         CrossSectionOutput::resultFormat(),
//                                                resultColumns()
//   ExportCrossSectionToExcel ("RAS.XLS",        CrossSectionOutput::exportToExcel()
//   "RAS1.XLS")
//   ListSubmittedReports (the list's logic)      SubmittedReports (SubmittedReports.h)
//   SubmittedReportLine (QS)                     SubmittedReportLine
//   QS:CODUCH, QS:NAMEREG, QS:NAMEUCH, QS:NAZV   SubmittedReportLine::institution, regionName,
//                                                kindName, name
//   QS:MES, QS:NAMEMES, QS:CODREG, QS:VID,       SubmittedReportLine::period, periodText,
//   QS:TIP
//                                                district, kind, periodKind
//   the year clamp ("Период с ")                 shell::AppState::holdYear(),
//                                                SubmittedReports::yearBoundsText()
//   the newest period at the start               SubmittedReports::newestPeriod()
//   FillSubmittedList                            SubmittedReports::fill()
//   ?STRING3 ("Всего отчетов: ")                 SubmittedReports::countText()
//   a line whose report was deleted in entry     SubmittedReports::afterEntry()
//   PrintSubmittedReports                        SubmittedReports::print(), SubmittedPrint,
//                                                SubmittedReports::layOut()
//   ExportSubmittedToExcel ("RAS1.XLS")          SubmittedReports::exportToExcel()
//   the list's window (P1$SCRL), ?BUTTON4        ui::SubmittedReportsWindow (ui/)
//   BuildCrossSection's window (P1$SCRL)         ui::CrossSectionWindow, its call
//                                                ui::CrossSectionCall
//   P1$SCRADD, P1$SCRL "Список", P1$SCRL1        ui::CrossSectionNameWindow,
//                                                ui::SavedCrossSectionList,
//                                                ui::CrossSectionTableList
//   radios of ?OPTIONOTM, ?SORTGR, ?OPTION1      ?OPTIONOTM:RADIOn, ?SORTGR:RADIOn, ?OPTION1:RADIOn
//   "График общий", "График по 1строке",         ?GRAPHALL, ?GRAPHROW, ?FILLEDROWS
//   "Только заполненные строки"
//   "Печать", "Excel" of the result, the chart   ?PRINT, ?EXCEL, ?CHART (a DrawingSurface)
//   ComputeIndicators (without its windows)      IndicatorComputation::run()
//   the ratings' windowless call                 IndicatorComputation::computeForRating()
//   ?OPTION1 (layouts 1, 2, 3)                   IndicatorLayout, IndicatorRequest::layout
//   ?DINRJD, ?YEAR1, ?YEAR2, ?TWO                IndicatorRequest::series, seriesFrom, seriesTo,
//                                                twoYears
//   ?GORSDRAV, ?GRUPNAS, ?OBLLPU                 IndicatorRequest::attachedPopulation,
//                                                populationGroups, regionalInstitutions
//   QS:UNICOD, QS:NAME, QS:POL, QS:CODNAS        ChosenRow::id, name, pol, populationColumn
//   IndicatorResultRow (QAC)                     IndicatorResultRow (IndicatorResult.h)
//   QAC:COD, QAC:CODNAS, QAC:DATA, QAC:CODREG    IndicatorResultRow::code, populationColumn,
//                                                slots, district
//   IndicatorCellText (Q1)                       IndicatorCellText: code, slot, text
//   the 40 sums (DECIMAL(19,3)), line sums       SlotSums (IndicatorNumbers.h)
//   "equal up to rounding"                       equalUpToRounding()
//   computation steps                            applySteps() (IndicatorSteps.h)
//   loading the data (layouts 1 and 3)           IndicatorComputation::loadData()
//   ".MDV" lines by row (layouts 1 and 3)        IndicatorComputation::loadMdvByPlace()
//   form-998 lines                               IndicatorComputation::applyRegionTotals()
//   "показатель не введен"                       IndicatorComputation::notEnteredMessage()
//   AssignPopulationGroups                       PopulationGroups::assign(), readPopulations()
//   ComputeByNosology                            NosologyComputation::compute()
//   LoadMdvRowsByNosology                        NosologyComputation::loadMdvRows()
//   OrderNosologyRows                            orderNosologyRows() (NosologyComputation.h)
//   FormatResultRow                              IndicatorCells::formatCell(), formatValue()
//   QST:A as shown (per run)                     IndicatorCells::shownColumns()
//   IndicatorDisplayRow (QTAB)                   IndicatorDisplayRow (IndicatorDisplay.h)
//   QTAB:CODSTR, QTAB:REG, QTAB:DATA1..40        IndicatorDisplayRow::codeText, name, cells
//   QTAB:RANG, QTAB:NUMBER                       IndicatorDisplayRow::rank, number
//   AddSummaryRows, AddResultRow,                buildIndicatorDisplay()
//   NameInstitutionRows, UpdateResultRow
//   "Ошибка код ЛПУ--"                           buildIndicatorDisplay() notices
//   the rank table's value of a cell             rankValue()
//   the chart's minimum and maximum              chartRange()
//   the parameters window's presets by QST:TYPE  IndicatorChoices::of()
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
//   RateInstitutions (without its windows)       RatingData::rate() (RatingData.h)
//   QST (the rating's indicator list)            RatingIndicator, RatingData::indicators()
//   QSU (the set's members)                      RatingMember, RatingData::members()
//   QI (value rows)                              ValueRow, RatingData::valueRows()
//   QI:NORMA, QI:TIP, QI:KOEF, QI:TIP1           ValueRow::norm, direction, weight, zeroRule
//   QI:SUMM, QI:KOL, QI:DATA1..                  ValueRow::sum, count, data
//   norms (institution 20000, period 0)          RatingData::applyNorms()
//   QAC of a definition (the rating)             DefinitionResult
//   QC (goal indices), QC:SRZN                   GoalRow, GoalRow::mean
//   QR (rating rows)                             RatingRow
//   QR:IS, QR:IP, QR:IP_STAC/POL/LPU, QR:IR..    RatingRow::structure, process, processHospital..
//   StoreIndicatorResults                        storeIndicatorResults() (Rating.h)
//   BuildRatingPeriodText                        buildRatingPeriodText()
//   ?TIP_RASH_QI:2 (the six calculation types)   ratingTypeText()
//   ComputeRating, InitRatingRows                computeRating()
//   StoreGoalIndex, the six calculation types    goalIndex(), typeOneIndex()
//   RankRatingRows                               rankRatingRows()
//   ?LISTQR, ?LISTQC, ?LISTQI formats            RatingOutput::ratingColumns(), memberColumns()
//   the rating's header sort                     RatingOutput::sortByColumn()
//   DrawGoalChart, DrawValueChart                goalChart(), valueChart(), LineChart
//   GoalRowRange, ValueRowRange                  LineChart::low, high
//   BuildGoalSeries, BuildValueSeries (QRA),     goalRankSource(), valueRankSource(),
//   NameSeriesPoints; ?RANG                      ratingRankSource() (RatingOutput.h)
//   "i1.XLS", "i2.XLS", "i3.XLS"                 RatingWorkbooks::exportTab()
//   RateInstitutions, P1$SCRY "Формирование  индикаторов"  ui::RatingWindow (ratings/ui/)
//   the rating window (P1$SCRL)                  ui::RatingOutputWindow (ratings/ui/)
//   EditInstitutionSets (without its windows)    InstitutionSets (InstitutionSets.h)
//   QN (the set list), NABOR                     InstitutionSet, InstitutionSets::load()
//   SetCandidate (QS)                            SetCandidate, InstitutionSets::readCandidates()
//   QSR, QSV (district and kind choices)         DistrictChoice, KindChoice (SetEditor)
//   ApplySetFilters, ChooseSetKinds              SetEditor::applyFilters(), chooseKinds()
//   ?SORTO, ?SBROS, ?LOCGOR, ?LOCSEL             SetEditor::sortByMark(), reset(), setCity(),
//                                                setVillage()
//   AddInstitutionSet                            InstitutionSets::addSet(), updateSet()
//   FillIndicatorList, ParseIndicatorTitle       IndicatorFormulaFiles::readIndicatorList(),
//                                                IndicatorDefinition::fromRecord()
//   ChooseIndicator (P1$SCRY "Список показателей") ui::IndicatorListWindow::chooseIndicator()
//   OpenIndicator (the run's values)             ui::openIndicatorRequest()
//   ComputeIndicators (its windows)              ui::IndicatorProcedure,
//                                                ui::IndicatorParametersWindow
//   ChooseIndicatorRow (P1$SCRV)                 ui::IndicatorRowWindow,
//                                                ui::readIndicatorRowChoices()
//   ShowIndicatorResults (P1$SCRL)               ui::IndicatorResultWindow
//   the result title, the list format            IndicatorOutput::resultTitle(), listFormat()
//   DrawIndicatorChart                           IndicatorOutput::chart()
//   ExportIndicatorsToExcel                      IndicatorOutput::exportToExcel()
//   PrintIndicatorTable                          IndicatorOutput::printPages(), printedCells()
