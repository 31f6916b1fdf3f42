#pragma once

// The glossary of the data layer: every name the dictionary gives a thing (files, fields, keys,
// name variables, routines, codes) next to the identifier that carries it in the code, so that a
// reader can search either way. It holds no code. Field accessors are members of the record
// class named for the file (data/records); a field without a typed accessor is reached by its
// dictionary name through findFieldElement() and the functions of RecordFields.h. Key names map
// to the record class's key indexes (OtchetRecord::KeyCodUch is the index of OTC:KEYCODUCH in
// the layout's keys, as KeyedFile::get() takes it).
//
// Files (FileId, declaration(), dictionary order)
//   viduch .. Pokas            FileId::viduch .. FileId::Pokas; FileDecl::label is the name
//   file manager, relation mgr FileManager, RelationManager (data/), one per file per DataContext
//   CreateFileManagers         DataContext::DataContext() (createFileManagers)
//   DestroyFileManagers        DataContext::~DataContext() (destroyFileManagers)
//   the relations              relations(), RelationDecl, RelationMode (None 0 .. Cascade 3)
//   extension rule             defaultExtension(Driver): ".DAT", ".TPS"
//
// Name variables (FileNames, one per DataContext)
//   FormaFileName              FileNames::formaFileName() / setFormaFileName(), NameVariable::Forma
//   TablFileName               FileNames::tablFileName(), NameVariable::Tabl
//   StrokaFileName             FileNames::strokaFileName(), NameVariable::Stroka
//   GrafaFileName              FileNames::grafaFileName(), NameVariable::Grafa
//   ContrStrFileName           FileNames::contrStrFileName(), NameVariable::ContrStr
//   ContrGrFileName            FileNames::contrGrFileName(), NameVariable::ContrGr
//   ContrTabFileName           FileNames::contrTabFileName(), NameVariable::ContrTab
//   RashFileName               FileNames::rashFileName(), NameVariable::Rash
//   SapkiFileName              FileNames::sapkiFileName(), NameVariable::Sapki
//   OtchetFileName             FileNames::otchetFileName(), NameVariable::Otchet
//   TxtFileName                FileNames::txtFileName(), NameVariable::Txt
//   ImportFileName             FileNames::importFileName(), NameVariable::Import
//   ContrMgFileName            NameVariable::ContrMg (never set)
//   OtchFioFileName            NameVariable::OtchFio (never set)
//   SetYearFileNames           FileNames::setYearFileNames(year, YearNameSet)
//   per-form data file name    FileNames::otchetFileName(year, formCode), setOtchetFileName()
//   year directories           yearDirectories(workDir), isYearDirectoryName()
//
// Period model (Period.h)
//   FOR:TIP, OTC:TIP values    PeriodKind (Year 0, Month 1, Quarter 2, HalfYear 3, Week 4, Date 5)
//   kind word                  kindWord(), paddedKindWord()
//   text in the form list      periodicityText()
//   month names                monthName()
//   MonthName                  periodLabel(kind, number); the cross-section's variant monthLabel()
//   PeriodText (validation)    choosesPeriodNumber(), acceptsPeriodNumber(), highestPeriodNumber(),
//                              periodNumberError()
//
// Codes (Codes.h)
//   RegionTotalCode            RegionTotalCode (20000)
//   DistrictsTotalCode         DistrictsTotalCode (20001)
//   DistrictTotalCodeBase      DistrictTotalCodeBase (21000), districtTotalCode()
//   DistrictGroupDistricts     DistrictGroupDistricts (300)
//   DistrictGroupCities        DistrictGroupCities (400)
//   DistrictGroupMunicipal     DistrictGroupMunicipal (500)
//   UserTypeWholeRegion        UserType::WholeRegion (0)
//   UserTypeDistrict           UserType::District (1)
//   UserTypeInstitution        UserType::Institution (2)
//
// forma (FormaRecord)
//   FOR:UNICOD                 unicod() / setUnicod()
//   FOR:NAME                   name() / setName()
//   FOR:COD                    cod() / setCod()
//   FOR:TIP                    tip() / setTip()
//   FOR:BLOK                   blok() / setBlok()
//   FOR:S                      s() / setS()
//   FOR:VKL                    vkl() / setVkl()
//   FOR:KEYUNICOD              FormaRecord::KeyUnicod
//
// tabl (TablRecord)
//   TAB:UNICODT                unicodT() / setUnicodT()
//   TAB:CODFORM                codForm() / setCodForm()
//   TAB:CODTABL                codTabl() / setCodTabl()
//   TAB:NAME                   name() / setName()
//   TAB:NAMEL                  nameL() / setNameL()
//   TAB:SM                     sm() / setSm()
//   TAB:A                      a() / setA()
//   TAB:TYPE                   type() / setType()
//   TAB:KEYUNICODT             TablRecord::KeyUnicodT
//   TAB:TAB1                   TablRecord::KeyTab1
//
// stroka (StrokaRecord)
//   STR:UNICOD                 unicod() / setUnicod()
//   STR:CODFORM                codForm() / setCodForm()
//   STR:CODTABL                codTabl() / setCodTabl()
//   STR:NUMBER                 number() / setNumber()
//   STR:CODSTR                 codStr() / setCodStr()
//   STR:CODMKB                 codMkb() / setCodMkb()
//   STR:NAME                   name() / setName()
//   STR:NAMEL                  nameL() / setNameL()
//   STR:POL                    pol() / setPol()
//   STR:CODNAS                 codNas() / setCodNas()
//   STR:KEYUNICOD              StrokaRecord::KeyUnicod
//   STR:STRNUM                 StrokaRecord::KeyStrNum
//   STR:STR1                   StrokaRecord::KeyStr1
//
// grafa (GrafaRecord)
//   GRA:CODFORM                codForm() / setCodForm()
//   GRA:CODTABL                codTabl() / setCodTabl()
//   GRA:COD                    cod() / setCod()
//   GRA:NAME                   name() / setName()
//   GRA:NAMEL                  nameL() / setNameL()
//   GRA:TYPEGR                 typeGr() / setTypeGr()
//   GRA:FORMAT                 format() / setFormat()
//   GRA:L                      l() / setL()
//   GRA:VID                    vid() / setVid()
//   GRA:GRA1                   GrafaRecord::KeyGra1
//
// otchet (OtchetRecord)
//   OTC:CODREG                 codReg() / setCodReg()
//   OTC:CODUCH                 codUch() / setCodUch()
//   OTC:CODTAB                 codTab() / setCodTab()
//   OTC:MES                    mes() / setMes()
//   OTC:TIP                    tip() / setTip()
//   OTC:UNICODSTR              unicodStr() / setUnicodStr()
//   OTC:DATA1 .. OTC:DATA35    data(n) / setData(n, v)
//   OTC:KEYCODREG              OtchetRecord::KeyCodReg
//   OTC:KEYCODUCH              OtchetRecord::KeyCodUch
//   OTC:KEYCODTAB              OtchetRecord::KeyCodTab
//   OTC:KEYCODSTR              OtchetRecord::KeyCodStr
//
// boln (BolnRecord)
//   BOL:UNICOD                 unicod() / setUnicod()
//   BOL:CODREG                 codReg() / setCodReg()
//   BOL:VID                    vid() / setVid()
//   BOL:NAZV                   nazv() / setNazv()
//   BOL:SEL                    sel() / setSel()
//   BOL:SUBVID                 subVid() / setSubVid()
//   BOL:SYEAR                  sYear() / setSYear()
//   BOL:EYEAR                  eYear() / setEYear()
//   BOL:IDOLD                  idOld() / setIdOld()
//   BOL:S                      s() / setS()
//   BOL:KEYUNICOD              BolnRecord::KeyUnicod
//   BOL:KEYCODREG              BolnRecord::KeyCodReg
//   BOL:KEYVID                 BolnRecord::KeyVid
//   BOL:KEYSEL                 BolnRecord::KeySel
//
// region1 (Region1Record)
//   REG:CODREG                 codReg() / setCodReg()
//   REG:NAME                   name() / setName()
//   REG:KEYCODREG              Region1Record::KeyCodReg
//
// viduch (ViduchRecord)
//   VID:CODVID                 codVid() / setCodVid()
//   VID:NAMEUCH                nameUch() / setNameUch()
//   VID:KEYCODVID              ViduchRecord::KeyCodVid
//
// USER1 (User1Record)
//   USE:NAMEOBL                nameObl() / setNameObl()
//   USE:NAMEUSER               nameUser() / setNameUser()
//   USE:TIPUSER                tipUser() / setTipUser()
//   USE:CODREG                 codReg() / setCodReg()
//   USE:KODUSER                kodUser() / setKodUser()
//   USE:TEMP                   temp() / setTemp()
//   USE:OFFICE                 office() / setOffice()
//   USE:ADRES                  adres() / setAdres()
//   USE:S1                     s1() / setS1()
//   USE:S2                     s2() / setS2()
//   USE:S3                     s3() / setS3()
//   USE:SS1                    ss1() / setSs1()
//   USE:SS2                    ss2() / setSs2()
//   USE:SS3                    ss3() / setSs3()
//
// WWOD (WwodRecord)
//   WWO:YEAR                   year() / setYear()
//   WWO:CODUCH                 codUch() / setCodUch()
//   WWO:CODFORM                codForm() / setCodForm()
//   WWO:KEYUF                  WwodRecord::KeyUf
//
// NameProg (NameProgRecord)
//   NAM:PROGA                  proga() / setProga()
//   NAM:MAIL                   mail() / setMail()
//   NAM:MAILTAR                mailTar() / setMailTar()
//   NAM:MAIL_SAR               mailSar() / setMailSar()
//   NAM:A1                     a1() / setA1()
//
// ContrGr (ContrGrRecord)
//   CON:UNICOD                 unicod() / setUnicod()
//   CON:CODFORM                codForm() / setCodForm()
//   CON:CODTABL                codTabl() / setCodTabl()
//   CON:CODSTR                 codStr() / setCodStr()
//   CON:UNICODSTR              unicodStr() / setUnicodStr()
//   CON:S                      s() / setS()
//   CON:SNAK                   snak() / setSnak()
//   CON:S1 (DIM 24)            s1(n) / setS1(n, v)
//   CON:PRIM                   prim() / setPrim()
//   CON:KEYUNICOD              ContrGrRecord::KeyUnicod
//   CON:COD                    ContrGrRecord::KeyCod
//   CON:CODTAB                 ContrGrRecord::KeyCodTab
//
// ContrStr (ContrStrRecord)
//   COS:UNICOD                 unicod() / setUnicod()
//   COS:CODFORM                codForm() / setCodForm()
//   COS:CODGR                  codGr() / setCodGr()
//   COS:UNICODSTR              unicodStr() / setUnicodStr()
//   COS:SNAK                   snak() / setSnak()
//   COS:S1 (DIM 100)           s1(n) / setS1(n, v)
//   COS:KEYUNICOD              ContrStrRecord::KeyUnicod
//   COS:KEYCODFORM             ContrStrRecord::KeyCodForm
//
// ContrTab (ContrTabRecord)
//   COT:UNICOD                 unicod() / setUnicod()
//   COT:CODFORM                codForm() / setCodForm()
//   COT:UNICODSTR              unicodStr() / setUnicodStr()
//   COT:CODGR                  codGr() / setCodGr()
//   COT:SNAK                   snak() / setSnak()
//   COT:US1 (DIM 40)           us1(n) / setUs1(n, v)
//   COT:CODGRS1 (DIM 40)       codGrS1(n) / setCodGrS1(n, v)
//   COT:KEYUNICOD              ContrTabRecord::KeyUnicod
//   COT:KEYCODFORM             ContrTabRecord::KeyCodForm
//
// Rash (RashRecord)
//   RAS:ID                     id() / setId()
//   RAS:CODFORM                codForm() / setCodForm()
//   RAS:CODTAB                 codTab() / setCodTab()
//   RAS:TIPRASH                tipRash() / setTipRash()
//   RAS:GS                     gs() / setGs()
//   RAS:GS1 (DIM 50)           gs1(n) / setGs1(n, v)
//   RAS:KEYID                  RashRecord::KeyId
//   RAS:KEYFORTAB              RashRecord::KeyForTab
//
// indik (IndikRecord)
//   IND:ID                     id() / setId()
//   IND:CODFORM                codForm() / setCodForm()
//   IND:NAME                   name() / setName()
//   IND:TIP                    tip() / setTip()
//   IND:CODTABL (DIM 20)       codTabl(n) / setCodTabl(n, v)
//   IND:CODPOK (DIM 20)        codPok(n) / setCodPok(n, v)
//   IND:TIP_IND (DIM 20)       tipInd(n) / setTipInd(n, v)
//   IND:KEYID                  IndikRecord::KeyId
//   IND:KEYCODFORM             IndikRecord::KeyCodForm
//
// Pokas (PokasRecord)
//   POK:UNICOD                 unicod() / setUnicod()
//   POK:UNICODP                unicodP() / setUnicodP()
//   POK:CODFORM                codForm() / setCodForm()
//   POK:CODTABL                codTabl() / setCodTabl()
//   POK:UNICODSTR              unicodStr() / setUnicodStr()
//   POK:CODGR                  codGr() / setCodGr()
//   POK:HISLO                  hislo() / setHislo()
//   POK:NUM                    num() / setNum()
//   POK:SNAK                   snak() / setSnak()
//   POK:CODGRP                 codGrP() / setCodGrP()
//   POK:MES                    mes() / setMes()
//   POK:KEYUN                  PokasRecord::KeyUn
//   POK:KEYUNICODP             PokasRecord::KeyUnicodP
//
// Sapki (SapkiRecord)
//   SAP:UNICODT                unicodT() / setUnicodT()
//   SAP:SS                     KeyedFile::textObject() (at most SapkiRecord::textObjectSize bytes)
//   SAP:KEYIDTAB               SapkiRecord::KeyIdTab
//
// NABOR (NaborRecord)
//   NAB:ID                     id() / setId()
//   NAB:NAME                   name() / setName()
//   NAB:TIP                    tip() / setTip()
//   NAB:IDLPU (DIM 250)        idLpu(n) / setIdLpu(n, v)
//   NAB:KEYID                  NaborRecord::KeyId
//
// RASRES (RasresRecord)
//   RAZ:IDQW                   idQw() / setIdQw()
//   RAZ:NN                     nn() / setNn()
//   RAZ:YEAR                   year() / setYear()
//   RAZ:FORMA                  forma() / setForma()
//   RAZ:UNICODSTR              unicodStr() / setUnicodStr()
//   RAZ:GR                     gr() / setGr()
//   RAZ:KEYID                  RasresRecord::KeyId
//
// RASRESN (RasresnRecord)
//   RAN:IDQW                   idQw() / setIdQw()
//   RAN:NAME                   name() / setName()
//   RAN:CODFORM                codForm() / setCodForm()
//   RAN:KEYID                  RasresnRecord::KeyId
//
// Files without a record class (Docum, import1, VOV4000, ContrMg, OtchFio, spravoh, TxtFile):
//   every field                findFieldElement(declaration(id).layout, u"DOC:NAME") and the
//                              functions of RecordFields.h; OTC1:DATA1 .. OTC1:DATA10 are the
//                              elements of the array OTC1:DATA, TXT:LINE the text line
//
// Exchange files (ExchangeRecord, ExchangeFile, ExchangeFileName; not dictionary files)
//   ReportExchangeFile         ExchangeFormat::Current, exchangeLayout(), 332 bytes
//   OldReportExchangeFile      ExchangeFormat::Old, exchangeLayout(), 330 bytes
//   OT2:CODFORM                ExchangeRecord::codForm() / setCodForm() (current format only)
//   OT2:CODREG .. OT2:UNICODSTR codReg() .. unicodStr(), as OtchetRecord
//   OT2:DATA1 .. OT2:DATA35    ExchangeRecord::data(n) / setData(n, v)
//   bytes 2 to 331 (otchet)    ExchangeRecord::reportRecord(), setReport(formCode, report)
//   reading an exchange file   ExchangeFile::read(name, format): whole and checked, or refused
//   writing an exchange file   ExchangeFileWriter (create, append, appendReport, commit)
//   ExchangeFileName           ExchangeFileName (prefix(), periodPart(), addForm(), fileName())
//   summary exchange file name ExchangeFileName::summaryFileName() ("ssw" + code + "F" + form)
//   "ssw" test of the importer ExchangeFileName::isSummaryFile() (the file's own name only)
//   export work file           ExchangeFileName::exportWorkFileName() ("export\W0284.dat")
//   old-format file name       ExchangeFileName::parseOldFileName() (form code, period)
