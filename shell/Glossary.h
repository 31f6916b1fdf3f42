#pragma once

// Names of the shell as the system's documents write them, and the code that carries them.
//
//   ProgramEntry, ProgramGlobalInit/Kill   app/main.cpp, app::procedureTable()
//   ProgramThreadInit/2, ThreadKill        a data::DataContext per window family
//   GLOBYEAR, GLOBYEAR_S, GLOBYEAR_E       AppState::globYear, globYearS, globYearE
//   GLOBKODUSER, GLOBTIPUSER, GLOBCODREG   AppState::globKodUser, globTipUser, globCodReg
//   GLOBNAMEOBL, ExchangePath, VERSIA      AppState::globNameObl, exchangePath, versia()
//   Main, P1$APPFRAME, MainInit            ui::MainFrame, MainFrame::initialize()
//   MainHandleAccepted, Dispatch...Menu    the slots of ui::MainFrame
//   UserSettings (start-up mode)           UserSettings::startUp()
//   UserSettings (menu mode), P1$SCRL      SettingsEditor, ui::UserSettingsWindow
//   ApplyUserSettings                      UserSettings::apply()
//   PickFromList, QS                       PickFromList, PickEntry, ui::PickListWindow
//   PickInstitution, QS                    PickInstitution, InstitutionEntry,
//                                          ui::InstitutionPickWindow
//   PeriodText, P1$SCRMES                  ui::PeriodWindow::periodText(), ui::PeriodWindow
//   the pick lists as other windows ask    ui::Choices, ui::PickListChoices
//   SystemParametersInfo (dragging)        fullWindowDragging(), setFullWindowDragging()
//   FormAccessList, QS                     FormAccess, FormAccessEntry, ui::FormAccessWindow
//   RebuildKeys                            KeyRebuild, ui::KeyRebuildWindow
//   ShowHelp, QS                           HelpIndex, HelpSection, ui::HelpWindow, ui::showHelp
//   PreviewPages, P1$VIEW1                 PagePreview, ui::PreviewWindow, ui::previewPages,
//                                          ui::PreviewSink
//   ExcelLauncher                          ExcelLauncher
//   InstitutionList, P32$SCRL              InstitutionList, ui::InstitutionListWindow
