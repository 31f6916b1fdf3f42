#include "data/Dictionary.h"

#include <initializer_list>

using namespace Qt::StringLiterals;

namespace zemor::data {

using runtime::store::FieldDef;
using runtime::store::FieldType;
using runtime::store::KeyDef;
using runtime::store::RecordLayout;

namespace {

// Key attributes, combined with |.
enum KeyAttr : unsigned {
    Dup = 0,     // duplicates allowed
    Unique = 1,  // no two records with equal key values
    Auto = 2,    // the single component is numbered highest + 1
    NoBlank = 4, // a record whose components are all zero or blank is left out
    NoCase = 8,  // string components compare without regard to letter case
};

// Builds one declaration. Field and key names are given without the prefix, which the builder
// puts in front ("CODUCH" of prefix "OTC" is "OTC:CODUCH"), so a declaration cannot name a field
// of another file by mistake. Offsets are written out as the record layout gives them; they are
// checked by the dictionary's tests, not computed here.
class Decl
{
public:
    Decl(FileId id, QString label, QString prefix, Driver driver, int size)
    {
        m_decl.id = id;
        m_decl.label = label;
        m_decl.prefix = prefix;
        m_decl.driver = driver;
        m_decl.layout.label = label;
        m_decl.layout.prefix = prefix;
        m_decl.layout.size = size;
    }

    Decl &fixedName(QString name)
    {
        m_decl.fixedName = std::move(name);
        return *this;
    }
    Decl &nameVariable(QString name)
    {
        m_decl.nameVariable = std::move(name);
        return *this;
    }
    Decl &neverCreated()
    {
        m_decl.createWhenMissing = false;
        return *this;
    }
    Decl &textObject(int size)
    {
        m_decl.layout.textObjectSize = size;
        return *this;
    }

    Decl &byte(QStringView name, int offset, int dim = 1)
    {
        return field(name, offset, FieldType::Byte, 1, 0, dim);
    }
    Decl &shortInt(QStringView name, int offset, int dim = 1)
    {
        return field(name, offset, FieldType::Short, 2, 0, dim);
    }
    Decl &longInt(QStringView name, int offset, int dim = 1)
    {
        return field(name, offset, FieldType::Long, 4, 0, dim);
    }
    Decl &real(QStringView name, int offset) { return field(name, offset, FieldType::Real, 8); }
    Decl &string(QStringView name, int offset, int size)
    {
        return field(name, offset, FieldType::String, size);
    }
    // A packed decimal of `bytes` bytes (2 * bytes - 1 digits).
    Decl &decimal(QStringView name, int offset, int bytes, int places = 0, int dim = 1)
    {
        return field(name, offset, FieldType::Decimal, bytes, places, dim);
    }

    Decl &key(QStringView name, QString description, std::initializer_list<QStringView> parts,
              unsigned attrs)
    {
        KeyDef k;
        k.name = qualified(name);
        k.description = std::move(description);
        for (QStringView part : parts) {
            const QString wanted = qualified(part);
            int index = -1;
            for (int i = 0; i < m_decl.layout.fields.size(); ++i) {
                if (m_decl.layout.fields[i].name == wanted) {
                    index = i;
                    break;
                }
            }
            // A misspelt component is a fault of this file; validate() reports the -1.
            k.components.append(index);
        }
        k.unique = (attrs & Unique) != 0;
        k.autoNumber = (attrs & Auto) != 0;
        k.excludeBlank = (attrs & NoBlank) != 0;
        k.caseInsensitive = (attrs & NoCase) != 0;
        m_decl.layout.keys.append(std::move(k));
        return *this;
    }

    FileDecl build() { return std::move(m_decl); }

private:
    QString qualified(QStringView name) const
    {
        QString result = m_decl.prefix;
        result += u':';
        result += name;
        return result;
    }

    Decl &field(QStringView name, int offset, FieldType type, int size, int places = 0, int dim = 1)
    {
        FieldDef f;
        f.name = qualified(name);
        f.offset = offset;
        f.type = type;
        f.size = size;
        f.places = places;
        f.dim = dim;
        m_decl.layout.fields.append(std::move(f));
        return *this;
    }

    FileDecl m_decl;
};

FileDecl viduch()
{
    return Decl(FileId::viduch, u"viduch"_s, u"VID"_s, Driver::Keyed, 52)
        .fixedName(u"VIDUCH"_s)
        .decimal(u"CODVID", 0, 2)
        .string(u"NAMEUCH", 2, 50)
        .key(u"KEYCODVID", u"VID:Keycodvid"_s, {u"CODVID"}, Unique | NoBlank | NoCase)
        .build();
}

FileDecl docum()
{
    return Decl(FileId::Docum, u"Docum"_s, u"DOC"_s, Driver::KeyedTps, 793)
        .fixedName(u"Document"_s)
        .longInt(u"ID", 0)
        .shortInt(u"PRISNAK1", 4)
        .shortInt(u"PRISNAK2", 6)
        .shortInt(u"PRISNAK3", 8)
        .shortInt(u"PRISNAK4", 10)
        .shortInt(u"PRISNAK5", 12)
        .longInt(u"DATA", 14)
        .string(u"NPRIK", 18, 20)
        .string(u"NAME", 38, 255)
        .string(u"PRIM", 293, 250)
        .string(u"PATH", 543, 250)
        .key(u"KEYID", u"DOC:KeyId"_s, {u"ID"}, Unique | Auto | NoBlank)
        .key(u"KEYPR1", u"DOC:KeyPr1"_s, {u"PRISNAK1"}, Dup | NoCase)
        .key(u"KEYNPRIK", u"DOC:KeyNprik"_s, {u"NPRIK"}, Dup | NoCase)
        .key(u"KEYDATA", u"DOC:KeyData"_s, {u"DATA"}, Dup | NoCase)
        .build();
}

// The dBase layouts: character fields one after the other, in the order of the file's columns;
// the field names after the prefix are the dBase column names.
FileDecl import1()
{
    Decl d(FileId::import1, u"import1"_s, u"IMP"_s, Driver::Dbase, 320);
    d.nameVariable(u"ImportFileName"_s).neverCreated();
    d.string(u"FORMA", 0, 10).string(u"NUMBSTR", 10, 10);
    for (int n = 1; n <= 25; ++n)
        d.string(u"COL%1"_s.arg(n), 20 + 12 * (n - 1), 12);
    return d.build();
}

FileDecl indik()
{
    return Decl(FileId::indik, u"indik"_s, u"IND"_s, Driver::KeyedTps, 345)
        .fixedName(u"INDIK"_s)
        .decimal(u"ID", 0, 2)
        .decimal(u"CODFORM", 2, 2)
        .string(u"NAME", 4, 200)
        .byte(u"TIP", 204)
        .decimal(u"CODTABL", 205, 3, 0, 20)
        .decimal(u"CODPOK", 265, 3, 0, 20)
        .byte(u"TIP_IND", 325, 20)
        .key(u"KEYID", u"IND:KeyId"_s, {u"ID"}, Unique | Auto | NoCase)
        .key(u"KEYCODFORM", u"IND:KeyCodForm"_s, {u"CODFORM"}, Dup | NoCase)
        .build();
}

FileDecl boln()
{
    return Decl(FileId::boln, u"boln"_s, u"BOL"_s, Driver::Keyed, 169)
        .fixedName(u"BOLN"_s)
        .longInt(u"UNICOD", 0)
        .decimal(u"CODREG", 4, 2)
        .decimal(u"VID", 6, 2)
        .string(u"NAZV", 8, 50)
        .byte(u"SEL", 58)
        .decimal(u"SUBVID", 59, 2)
        .shortInt(u"SYEAR", 61)
        .shortInt(u"EYEAR", 63)
        .longInt(u"IDOLD", 65)
        .string(u"S", 69, 100)
        .key(u"KEYUNICOD", u"bol:Keyunicod"_s, {u"UNICOD"}, Unique | Auto | NoBlank | NoCase)
        .key(u"KEYCODREG", u"bol:KeycodReg"_s, {u"CODREG"}, Dup | NoBlank | NoCase)
        .key(u"KEYVID", u"bol:keyvid"_s, {u"VID"}, Dup | NoBlank | NoCase)
        .key(u"KEYSEL", u"bol:Keysel"_s, {u"SEL"}, Dup | NoBlank | NoCase)
        .build();
}

FileDecl region1()
{
    return Decl(FileId::region1, u"region1"_s, u"REG"_s, Driver::Keyed, 32)
        .fixedName(u"REGION1"_s)
        .decimal(u"CODREG", 0, 2)
        .string(u"NAME", 2, 30)
        .key(u"KEYCODREG", u"REG:KeycodReg"_s, {u"CODREG"}, Unique | NoBlank)
        .build();
}

FileDecl otchet()
{
    return Decl(FileId::otchet, u"otchet"_s, u"OTC"_s, Driver::Keyed, 330)
        .nameVariable(u"OtchetFileName"_s)
        .byte(u"CODREG", 0)
        .longInt(u"CODUCH", 1)
        .decimal(u"CODTAB", 5, 3)
        .longInt(u"MES", 8)
        .byte(u"TIP", 12)
        .shortInt(u"UNICODSTR", 13)
        .decimal(u"DATA", 15, 9, 3, 35) // OTC:DATA1 .. OTC:DATA35
        .key(u"KEYCODREG", u"CopdREg,UniCodStr"_s, {u"CODREG", u"UNICODSTR"}, Dup)
        .key(u"KEYCODUCH", u"mes,CodUch,UnicodStr"_s, {u"MES", u"CODUCH", u"UNICODSTR"}, Unique)
        .key(u"KEYCODTAB", u"CodUch,CodTab,UniCodStr"_s, {u"CODUCH", u"CODTAB", u"UNICODSTR"}, Dup)
        .key(u"KEYCODSTR", u"UnicodStr,mes"_s, {u"UNICODSTR", u"MES"}, Dup)
        .build();
}

FileDecl grafa()
{
    return Decl(FileId::grafa, u"grafa"_s, u"GRA"_s, Driver::Keyed, 234)
        .nameVariable(u"GrafaFileName"_s)
        .decimal(u"CODFORM", 0, 2)
        .decimal(u"CODTABL", 2, 3)
        .byte(u"COD", 5)
        .string(u"NAME", 6, 200)
        .string(u"NAMEL", 206, 15)
        .byte(u"TYPEGR", 221)
        .string(u"FORMAT", 222, 10)
        .byte(u"L", 232)
        .byte(u"VID", 233)
        .key(u"GRA1", u"GRA:gra1"_s, {u"CODFORM", u"CODTABL", u"COD"}, Unique)
        .build();
}

FileDecl tabl()
{
    return Decl(FileId::tabl, u"tabl"_s, u"TAB"_s, Driver::Keyed, 283)
        .nameVariable(u"TablFileName"_s)
        .longInt(u"UNICODT", 0)
        .decimal(u"CODFORM", 4, 2)
        .decimal(u"CODTABL", 6, 3)
        .string(u"NAME", 9, 200)
        .string(u"NAMEL", 209, 70)
        .decimal(u"SM", 279, 1)
        .decimal(u"A", 280, 2)
        .byte(u"TYPE", 282)
        .key(u"KEYUNICODT", u"TAB:KeyunicodT"_s, {u"UNICODT"}, Unique | Auto | NoBlank | NoCase)
        .key(u"TAB1", u"CodForm,CodTabl"_s, {u"CODFORM", u"CODTABL"}, Unique | NoCase)
        .build();
}

FileDecl vov4000()
{
    Decl d(FileId::VOV4000, u"VOV4000"_s, u"VOV"_s, Driver::Dbase, 120);
    d.nameVariable(u"ImportFileName"_s).neverCreated();
    d.string(u"FORMA", 0, 10).string(u"NUMBSTR", 10, 10).string(u"FIO", 20, 40);
    for (int n = 1; n <= 5; ++n)
        d.string(u"COL%1"_s.arg(n), 60 + 12 * (n - 1), 12);
    return d.build();
}

FileDecl forma()
{
    return Decl(FileId::forma, u"forma"_s, u"FOR"_s, Driver::Keyed, 365)
        .nameVariable(u"FormaFileName"_s)
        .decimal(u"UNICOD", 0, 2)
        .string(u"NAME", 2, 250)
        .string(u"COD", 252, 10)
        .byte(u"TIP", 262)
        .byte(u"BLOK", 263)
        .string(u"S", 264, 100)
        .byte(u"VKL", 364)
        .key(u"KEYUNICOD", u"FOR:Keyunicod"_s, {u"UNICOD"}, Unique | NoBlank)
        .build();
}

// The settings record is kept in Windows-1251 like every other record: only this program reads
// and writes the file, so there is no reason to hold its text in the DOS code page.
FileDecl user1()
{
    return Decl(FileId::USER1, u"USER1"_s, u"USE"_s, Driver::Keyed, 1677)
        .fixedName(u"USER1"_s)
        .string(u"NAMEOBL", 0, 70)
        .string(u"NAMEUSER", 70, 200)
        .byte(u"TIPUSER", 270)
        .decimal(u"CODREG", 271, 2)
        .longInt(u"KODUSER", 273)
        .string(u"TEMP", 277, 200)
        .string(u"OFFICE", 477, 250)
        .string(u"ADRES", 727, 200)
        .string(u"S1", 927, 200)
        .string(u"S2", 1127, 200)
        .string(u"S3", 1327, 200)
        .string(u"SS1", 1527, 50)
        .string(u"SS2", 1577, 50)
        .string(u"SS3", 1627, 50)
        .build();
}

FileDecl wwod()
{
    return Decl(FileId::WWOD, u"WWOD"_s, u"WWO"_s, Driver::Keyed, 8)
        .fixedName(u"WWOD"_s)
        .shortInt(u"YEAR", 0)
        .longInt(u"CODUCH", 2)
        .decimal(u"CODFORM", 6, 2)
        .key(u"KEYUF", u"CodUch,CodForm"_s, {u"YEAR", u"CODUCH", u"CODFORM"},
             Unique | NoBlank | NoCase)
        .build();
}

FileDecl contrMg()
{
    return Decl(FileId::ContrMg, u"ContrMg"_s, u"CMG"_s, Driver::Keyed, 84)
        .nameVariable(u"ContrMgFileName"_s)
        .longInt(u"UNICOD", 0)
        .decimal(u"CODFORM", 4, 5)
        .decimal(u"CODTABL", 9, 3)
        .shortInt(u"STRUCOD", 12)
        .decimal(u"SNAH1", 14, 4, 2)
        .decimal(u"SNAH2", 18, 4, 2)
        .byte(u"SNAK1", 22)
        .shortInt(u"GRNEW", 23, 15)
        .byte(u"SNAK", 53)
        .shortInt(u"GROLD", 54, 15)
        .key(u"KEYUNICOD", u"CMg:KeyUnicod"_s, {u"UNICOD"}, Dup | NoBlank | NoCase)
        .key(u"KEYFORM", u"CMg:KeyForm"_s, {u"CODFORM", u"CODTABL"}, Dup | NoCase)
        .build();
}

FileDecl rash()
{
    return Decl(FileId::Rash, u"Rash"_s, u"RAS"_s, Driver::Keyed, 162)
        .nameVariable(u"RashFileName"_s)
        .longInt(u"ID", 0)
        .decimal(u"CODFORM", 4, 2)
        .decimal(u"CODTAB", 6, 3)
        .byte(u"TIPRASH", 9)
        .shortInt(u"GS", 10)
        .decimal(u"GS1", 12, 3, 0, 50)
        .key(u"KEYID", u"RAS:KeyId"_s, {u"ID"}, Unique | Auto | NoCase)
        .key(u"KEYFORTAB", u"RAS:KeyForTab"_s, {u"CODFORM", u"CODTAB", u"TIPRASH"}, Dup | NoCase)
        .build();
}

FileDecl nameProg()
{
    return Decl(FileId::NameProg, u"NameProg"_s, u"NAM"_s, Driver::KeyedTps, 600)
        .fixedName(u"NAMEPROG"_s)
        .string(u"PROGA", 0, 250)
        .string(u"MAIL", 250, 50)
        .string(u"MAILTAR", 300, 50)
        .string(u"MAIL_SAR", 350, 50)
        .string(u"A1", 400, 200)
        .build();
}

// Declared for completeness and opened by nothing. The owner password that protected this file
// has no counterpart in our keyed files and is not carried.
FileDecl otchFio()
{
    return Decl(FileId::OtchFio, u"OtchFio"_s, u"OTC1"_s, Driver::KeyedTps, 305)
        .nameVariable(u"OtchFioFileName"_s)
        .byte(u"CODREG", 0)
        .longInt(u"CODUCH", 1)
        .decimal(u"CODTAB", 5, 3)
        .longInt(u"MES", 8)
        .byte(u"TIP", 12)
        .shortInt(u"UNICODSTR", 13)
        .decimal(u"DATA", 15, 9, 3, 10) // OTC1:DATA1 .. OTC1:DATA10
        .string(u"FIO", 105, 100)
        .string(u"S1", 205, 100)
        .key(u"KEYCODREG", u"OTC1:KeycodReg"_s, {u"CODREG", u"UNICODSTR"}, Dup | NoCase)
        .key(u"KEYCODUCH", u"mes,CodUch,UnicodStr"_s, {u"MES", u"CODUCH", u"UNICODSTR"},
             Dup | NoCase)
        .key(u"KEYCODTAB", u"CodUch,CodTab"_s, {u"CODUCH", u"CODTAB"}, Dup | NoBlank | NoCase)
        .build();
}

FileDecl rasres()
{
    return Decl(FileId::RASRES, u"RASRES"_s, u"RAZ"_s, Driver::KeyedTps, 12)
        .fixedName(u"RASRES"_s)
        .longInt(u"IDQW", 0)
        .byte(u"NN", 4)
        .shortInt(u"YEAR", 5)
        .decimal(u"FORMA", 7, 2)
        .shortInt(u"UNICODSTR", 9)
        .byte(u"GR", 11)
        .key(u"KEYID", u"RAZ:KEYID"_s, {u"IDQW"}, Dup | NoCase)
        .build();
}

FileDecl rasresn()
{
    return Decl(FileId::RASRESN, u"RASRESN"_s, u"RAN"_s, Driver::KeyedTps, 206)
        .fixedName(u"RASRESN"_s)
        .longInt(u"IDQW", 0)
        .string(u"NAME", 4, 200)
        .decimal(u"CODFORM", 204, 2)
        .key(u"KEYID", u"RAN:KEYID"_s, {u"IDQW"}, Unique | NoCase)
        .build();
}

FileDecl stroka()
{
    return Decl(FileId::stroka, u"stroka"_s, u"STR"_s, Driver::Keyed, 445)
        .nameVariable(u"StrokaFileName"_s)
        .shortInt(u"UNICOD", 0)
        .decimal(u"CODFORM", 2, 2)
        .decimal(u"CODTABL", 4, 3)
        .byte(u"NUMBER", 7)
        .string(u"CODSTR", 8, 10)
        .string(u"CODMKB", 18, 100)
        .string(u"NAME", 118, 255)
        .string(u"NAMEL", 373, 70)
        .string(u"POL", 443, 1)
        .byte(u"CODNAS", 444)
        .key(u"KEYUNICOD", u"str:Keyunicod"_s, {u"CODFORM", u"UNICOD"}, Unique | NoBlank | NoCase)
        .key(u"STRNUM", u"str:strNum"_s, {u"CODFORM", u"CODTABL", u"NUMBER"},
             Unique | NoBlank | NoCase)
        .key(u"STR1", u"str:str1"_s, {u"CODFORM", u"CODTABL", u"CODSTR"}, Unique | NoCase)
        .build();
}

FileDecl nabor()
{
    return Decl(FileId::NABOR, u"NABOR"_s, u"NAB"_s, Driver::KeyedTps, 1205)
        .fixedName(u"NABOR.TPS"_s)
        .longInt(u"ID", 0)
        .string(u"NAME", 4, 200)
        .byte(u"TIP", 204)
        .longInt(u"IDLPU", 205, 250)
        .key(u"KEYID", u"NAB:KEYID"_s, {u"ID"}, Unique | NoBlank | NoCase)
        .build();
}

// One text line per record. Lines are read whole whatever their length; TXT:LINE is the width
// of the record buffer only.
FileDecl txtFile()
{
    return Decl(FileId::TxtFile, u"TxtFile"_s, u"TXT"_s, Driver::Text, 750)
        .nameVariable(u"TxtFileName"_s)
        .string(u"LINE", 0, 750)
        .build();
}

FileDecl spravoh()
{
    return Decl(FileId::spravoh, u"spravoh"_s, u"SPR"_s, Driver::KeyedTps, 104)
        .fixedName(u"Doc1"_s)
        .shortInt(u"KOD", 0)
        .string(u"NAME", 2, 100)
        .shortInt(u"KOD1", 102)
        .key(u"KEYKOD", u"spr:KeyKod"_s, {u"KOD"}, Unique | Auto)
        .build();
}

FileDecl contrTab()
{
    return Decl(FileId::ContrTab, u"ContrTab"_s, u"COT"_s, Driver::Keyed, 129)
        .nameVariable(u"ContrTabFileName"_s)
        .decimal(u"UNICOD", 0, 3)
        .decimal(u"CODFORM", 3, 2)
        .shortInt(u"UNICODSTR", 5)
        .byte(u"CODGR", 7)
        .byte(u"SNAK", 8)
        .shortInt(u"US1", 9, 40)
        .byte(u"CODGRS1", 89, 40)
        .key(u"KEYUNICOD", u"COT:Keyunicod"_s, {u"UNICOD"}, Unique | NoBlank | NoCase)
        .key(u"KEYCODFORM", u"COT:KeyCodForm"_s, {u"CODFORM", u"UNICODSTR"}, Dup | NoCase)
        .build();
}

FileDecl contrStr()
{
    return Decl(FileId::ContrStr, u"ContrStr"_s, u"COS"_s, Driver::Keyed, 212)
        .nameVariable(u"ContrStrFileName"_s)
        .decimal(u"UNICOD", 0, 6)
        .decimal(u"CODFORM", 6, 2)
        .byte(u"CODGR", 8)
        .shortInt(u"UNICODSTR", 9)
        .byte(u"SNAK", 11)
        .shortInt(u"S1", 12, 100)
        .key(u"KEYUNICOD", u"COS:Keyunicod"_s, {u"UNICOD"}, Unique | NoBlank | NoCase)
        .key(u"KEYCODFORM", u"COS:KeyCodForm"_s, {u"CODFORM", u"UNICODSTR"}, Dup | NoCase)
        .build();
}

FileDecl contrGr()
{
    return Decl(FileId::ContrGr, u"ContrGr"_s, u"CON"_s, Driver::Keyed, 86)
        .nameVariable(u"ContrGrFileName"_s)
        .longInt(u"UNICOD", 0)
        .decimal(u"CODFORM", 4, 2)
        .decimal(u"CODTABL", 6, 3)
        .string(u"CODSTR", 9, 5)
        .shortInt(u"UNICODSTR", 14)
        .byte(u"S", 16)
        .byte(u"SNAK", 17)
        .shortInt(u"S1", 18, 24)
        .string(u"PRIM", 66, 20)
        .key(u"KEYUNICOD", u"CON:Keyunicod"_s, {u"UNICOD"}, Unique | Auto | NoBlank)
        .key(u"COD", u"CON:Cod"_s, {u"CODFORM", u"UNICODSTR"}, Dup | NoCase)
        .key(u"CODTAB", u"CodForm,CodTabl,UniCodStr"_s, {u"CODFORM", u"CODTABL", u"UNICODSTR"},
             Dup | NoCase)
        .build();
}

FileDecl sapki()
{
    // SAP:SS, the table header, is the record's text object, not a field of the record.
    return Decl(FileId::Sapki, u"Sapki"_s, u"SAP"_s, Driver::KeyedTps, 4)
        .nameVariable(u"SapkiFileName"_s)
        .textObject(1000)
        .longInt(u"UNICODT", 0)
        .key(u"KEYIDTAB", u"SAP:KeyIdTab"_s, {u"UNICODT"}, Unique | NoCase)
        .build();
}

FileDecl pokas()
{
    return Decl(FileId::Pokas, u"Pokas"_s, u"POK"_s, Driver::Keyed, 26)
        .fixedName(u"POKAS"_s)
        .longInt(u"UNICOD", 0)
        .shortInt(u"UNICODP", 4)
        .decimal(u"CODFORM", 6, 2)
        .decimal(u"CODTABL", 8, 3)
        .shortInt(u"UNICODSTR", 11)
        .byte(u"CODGR", 13)
        .real(u"HISLO", 14)
        .byte(u"NUM", 22)
        .byte(u"SNAK", 23)
        .byte(u"CODGRP", 24)
        .byte(u"MES", 25)
        .key(u"KEYUN", u"POK:KeyUn"_s, {u"UNICOD"}, Unique | Auto | NoBlank | NoCase)
        .key(u"KEYUNICODP", u"по уникоду из тавл"_s,
             {u"UNICODP", u"NUM", u"CODFORM", u"UNICODSTR", u"CODGR"}, Dup)
        .build();
}

QList<FileDecl> buildDictionary()
{
    return {viduch(),  docum(),    import1(),  indik(),    boln(),    region1(), otchet(),
            grafa(),   tabl(),     vov4000(),  forma(),    user1(),   wwod(),    contrMg(),
            rash(),    nameProg(), otchFio(),  rasres(),   rasresn(), stroka(),  nabor(),
            txtFile(), spravoh(),  contrTab(), contrStr(), contrGr(), sapki(),   pokas()};
}

using Links = QList<std::pair<QString, QString>>;

QList<RelationDecl> buildRelations()
{
    using M = RelationMode;
    return {
        {FileId::viduch, FileId::boln, u"BOL:KEYVID"_s, Links{{u"VID:CODVID"_s, u"BOL:VID"_s}},
         M::Cascade, M::Restrict},
        {FileId::region1, FileId::boln, u"BOL:KEYCODREG"_s,
         Links{{u"REG:CODREG"_s, u"BOL:CODREG"_s}}, M::None, M::None},
        {FileId::indik, FileId::forma, u"FOR:KEYUNICOD"_s,
         Links{{u"IND:CODFORM"_s, u"FOR:UNICOD"_s}}, M::Cascade, M::Cascade},
        {FileId::tabl, FileId::Rash, u"RAS:KEYFORTAB"_s,
         Links{{u"TAB:CODFORM"_s, u"RAS:CODFORM"_s}, {u"TAB:CODTABL"_s, u"RAS:CODTAB"_s}}, M::None,
         M::None},
        {FileId::tabl, FileId::ContrGr, u"CON:CODTAB"_s,
         Links{{u"TAB:CODFORM"_s, u"CON:CODFORM"_s}, {u"TAB:CODTABL"_s, u"CON:CODTABL"_s}}, M::None,
         M::None},
        {FileId::tabl, FileId::grafa, u"GRA:GRA1"_s,
         Links{{u"TAB:CODFORM"_s, u"GRA:CODFORM"_s}, {u"TAB:CODTABL"_s, u"GRA:CODTABL"_s}},
         M::Cascade, M::Restrict},
        {FileId::tabl, FileId::stroka, u"STR:STR1"_s,
         Links{{u"TAB:CODFORM"_s, u"STR:CODFORM"_s}, {u"TAB:CODTABL"_s, u"STR:CODTABL"_s}},
         M::Cascade, M::Restrict},
        {FileId::forma, FileId::grafa, u"GRA:GRA1"_s, Links{{u"FOR:UNICOD"_s, u"GRA:CODFORM"_s}},
         M::Cascade, M::Restrict},
        {FileId::forma, FileId::tabl, u"TAB:TAB1"_s, Links{{u"FOR:UNICOD"_s, u"TAB:CODFORM"_s}},
         M::Cascade, M::Restrict},
        {FileId::forma, FileId::stroka, u"STR:STR1"_s, Links{{u"FOR:UNICOD"_s, u"STR:CODFORM"_s}},
         M::Cascade, M::Restrict},
        {FileId::spravoh, FileId::Docum, u"DOC:KEYPR1"_s, Links{{u"SPR:KOD"_s, u"DOC:PRISNAK1"_s}},
         M::Restrict, M::Restrict},
        {FileId::Pokas, FileId::grafa, u"GRA:GRA1"_s,
         Links{{u"POK:CODFORM"_s, u"GRA:CODFORM"_s}, {u"POK:UNICOD"_s, u"GRA:CODTABL"_s}}, M::None,
         M::None},
    };
}

} // namespace

const QList<FileDecl> &dictionary()
{
    static const QList<FileDecl> files = buildDictionary();
    return files;
}

const FileDecl &declaration(FileId id)
{
    const int index = static_cast<int>(id) - 1;
    Q_ASSERT(index >= 0 && index < fileCount);
    return dictionary().at(index);
}

const QList<RelationDecl> &relations()
{
    static const QList<RelationDecl> list = buildRelations();
    return list;
}

std::optional<FileId> fileByLabel(QStringView label)
{
    for (const FileDecl &decl : dictionary()) {
        if (label.compare(decl.label, Qt::CaseInsensitive) == 0)
            return decl.id;
    }
    return std::nullopt;
}

QString defaultExtension(Driver driver)
{
    switch (driver) {
    case Driver::Keyed:
        return u".DAT"_s;
    case Driver::KeyedTps:
        return u".TPS"_s;
    case Driver::Text:
    case Driver::Dbase:
        break;
    }
    return {};
}

bool isKeyed(Driver driver)
{
    return driver == Driver::Keyed || driver == Driver::KeyedTps;
}

FieldElement findFieldElement(const RecordLayout &layout, QStringView name)
{
    for (int i = 0; i < layout.fields.size(); ++i) {
        if (name.compare(layout.fields[i].name, Qt::CaseInsensitive) == 0)
            return {i, 1};
    }
    // "OTC:DATA35": the name of an array field followed by an element number.
    for (int i = 0; i < layout.fields.size(); ++i) {
        const FieldDef &f = layout.fields[i];
        if (f.dim <= 1 || name.size() <= f.name.size() ||
            !name.startsWith(f.name, Qt::CaseInsensitive))
            continue;
        const QStringView digits = name.mid(f.name.size());
        bool allDigits = !digits.isEmpty() && digits.size() <= 4;
        for (QChar c : digits)
            allDigits = allDigits && c >= u'0' && c <= u'9';
        if (!allDigits)
            continue;
        const int n = digits.toInt();
        if (n >= 1 && n <= f.dim && !digits.startsWith(u'0'))
            return {i, n};
    }
    return {};
}

} // namespace zemor::data
