#pragma once

// The names of the summaries and analysis as the rest of the system knows them, and where each
// lives in this folder, so that a reader can search either way.
//
//   name                                         code
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
