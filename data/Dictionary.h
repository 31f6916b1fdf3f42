#pragma once

// The data dictionary: the 28 shared files, each declared once, in dictionary order, with the
// relations between them. Everything else in data/ (file names, managers, typed records) is
// built from these declarations.

#include "runtime/store/RecordLayout.h"

#include <QList>
#include <QString>

#include <optional>
#include <utility>

namespace zemor::data {

// Dictionary order, 1 to 28.
// clang-format off
enum class FileId {
    viduch = 1, Docum, import1, indik, boln, region1, otchet, grafa, tabl, VOV4000, forma, USER1,
    WWOD, ContrMg, Rash, NameProg, OtchFio, RASRES, RASRESN, stroka, NABOR, TxtFile, spravoh,
    ContrTab, ContrStr, ContrGr, Sapki, Pokas
};
// clang-format on
inline constexpr int fileCount = 28;

enum class Driver {
    Keyed,    // keyed data format: the extension rule adds ".DAT"
    KeyedTps, // single-file keyed format: the extension rule adds ".TPS"
    Text,     // text lines (TxtFile)
    Dbase,    // dBase IV, read only (import1, VOV4000)
};

struct FileDecl
{
    FileId id;
    QString label;  // "otchet"
    QString prefix; // "OTC"
    Driver driver;
    QString fixedName;    // the name as declared for files of the working directory ("BOLN")
    QString nameVariable; // otherwise the name variable that holds it ("OtchetFileName")
    bool createWhenMissing = true;
    runtime::store::RecordLayout layout;
};

// Relation modes with their numbers; declared, never acted on (no record is changed through a
// relation manager).
enum class RelationMode { None = 0, Clear = 1, Restrict = 2, Cascade = 3 };

struct RelationDecl
{
    FileId parent;
    FileId child;
    QString childKey;                         // "GRA:GRA1"
    QList<std::pair<QString, QString>> links; // parent field = child field
    RelationMode onUpdate;
    RelationMode onDelete;
};

const QList<FileDecl> &dictionary(); // in dictionary order
const FileDecl &declaration(FileId id);
const QList<RelationDecl> &relations();

// The file of a label ("otchet", "Pokas"; case-insensitive), nullopt when there is none.
std::optional<FileId> fileByLabel(QStringView label);
// The extension the driver adds to a name whose last component has none: ".DAT" for keyed
// files, ".TPS" for single-file keyed files, none for text and dBase files.
QString defaultExtension(Driver driver);
// True for the drivers whose files are keyed files (KeyedFile).
bool isKeyed(Driver driver);

// One element of a field, found by a dictionary name: "OTC:CODUCH" is element 1 of its field,
// "OTC:DATA35" element 35 of the array `OTC:DATA` (the elements of an array are also known by
// the array's name followed by their number). field is -1 when the name is unknown or the
// number lies outside the array.
struct FieldElement
{
    int field = -1;
    int element = 1;
    bool isValid() const { return field >= 0; }
};
FieldElement findFieldElement(const runtime::store::RecordLayout &layout, QStringView name);

} // namespace zemor::data
