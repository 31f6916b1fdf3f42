#pragma once

// The file-name variables of one data context, and the rules that build the names of a
// reporting year's files. Every procedure window owns its data context and with it one
// FileNames value, so a name set in one window is never seen by another; the names are plain
// values (blank at start, without length limit) that the file managers read when they open.
//
// A year file name is the working directory, "\", the year in four digits and the file's part
// ("\Forma", "\Tabl.dat", "\F0062.dat"); the driver's extension rule (".DAT", ".TPS") applies
// when the name is resolved. A year or form code that cannot be written in four digits gives a
// blank name, which is never opened or created. Nothing here touches the disk except
// yearDirectories(), which lists the working directory.

#include "data/Dictionary.h"
#include "runtime/core/Error.h"

#include <QList>
#include <QString>

#include <array>
#include <optional>

namespace zemor::data {

enum class NameVariable {
    Forma,    // FormaFileName
    Tabl,     // TablFileName
    Stroka,   // StrokaFileName
    Grafa,    // GrafaFileName
    ContrStr, // ContrStrFileName
    ContrGr,  // ContrGrFileName
    ContrTab, // ContrTabFileName
    Rash,     // RashFileName
    Sapki,    // SapkiFileName
    Otchet,   // OtchetFileName
    Txt,      // TxtFileName
    Import,   // ImportFileName
    ContrMg,  // ContrMgFileName
    OtchFio,  // OtchFioFileName
};
inline constexpr int nameVariableCount = 14;

// Which names a procedure sets for its year. The sets name the same files as long as the
// working directory does not change; they differ only in spelling, as each caller writes them.
enum class YearNameSet {
    ReportEntry,    // the eight catalogue and rule files under the working directory
    KeyRebuilding,  // the same eight
    SubmittingList, // all but RashFileName, written with ".dat" ("\Forma.dat", "\Grafa.dat")
    ReportList,     // all but RashFileName, relative ("2015\Forma.dat"), and "2015\Sapki.tps"
    CrossSection,   // all but RashFileName, relative, "\Stroka" without extension
    DbaseImport,    // all but RashFileName, under the working directory
};

class FileNames
{
public:
    FileNames() = default; // every name blank

    QString value(NameVariable variable) const;
    void set(NameVariable variable, const QString &name);
    void clear(); // every name blank again

    // The name a dictionary file is opened under now: its fixed name in the working directory
    // ("BOLN", "NABOR.TPS"), or the value of its name variable.
    QString fileName(FileId id) const;
    // The name variable of a file, nullopt for the files with a fixed name.
    static std::optional<NameVariable> variableOf(FileId id);
    // "FormaFileName" and back.
    static QString variableName(NameVariable variable);
    static std::optional<NameVariable> variableByName(QStringView name);

    // Sets the names of the year's catalogue and rule files as `set` writes them.
    void setYearFileNames(int year, YearNameSet set = YearNameSet::ReportEntry);
    // OtchetFileName := otchetFileName(year, formCode).
    void setOtchetFileName(int year, int formCode);

    // The data file of one form and year: working directory, "\", yyyy, "\F", the form code in
    // four digits with leading zeros, ".dat". Blank when year or code is outside 0..9999.
    static QString otchetFileName(int year, int formCode);
    // The working directory as names are built from it, without a trailing separator.
    static QString workDirPrefix();

    QString formaFileName() const { return value(NameVariable::Forma); }
    QString tablFileName() const { return value(NameVariable::Tabl); }
    QString strokaFileName() const { return value(NameVariable::Stroka); }
    QString grafaFileName() const { return value(NameVariable::Grafa); }
    QString contrStrFileName() const { return value(NameVariable::ContrStr); }
    QString contrGrFileName() const { return value(NameVariable::ContrGr); }
    QString contrTabFileName() const { return value(NameVariable::ContrTab); }
    QString rashFileName() const { return value(NameVariable::Rash); }
    QString sapkiFileName() const { return value(NameVariable::Sapki); }
    QString otchetFileName() const { return value(NameVariable::Otchet); }
    QString txtFileName() const { return value(NameVariable::Txt); }
    QString importFileName() const { return value(NameVariable::Import); }
    QString contrMgFileName() const { return value(NameVariable::ContrMg); }
    QString otchFioFileName() const { return value(NameVariable::OtchFio); }

    void setFormaFileName(const QString &n) { set(NameVariable::Forma, n); }
    void setTablFileName(const QString &n) { set(NameVariable::Tabl, n); }
    void setStrokaFileName(const QString &n) { set(NameVariable::Stroka, n); }
    void setGrafaFileName(const QString &n) { set(NameVariable::Grafa, n); }
    void setContrStrFileName(const QString &n) { set(NameVariable::ContrStr, n); }
    void setContrGrFileName(const QString &n) { set(NameVariable::ContrGr, n); }
    void setContrTabFileName(const QString &n) { set(NameVariable::ContrTab, n); }
    void setRashFileName(const QString &n) { set(NameVariable::Rash, n); }
    void setSapkiFileName(const QString &n) { set(NameVariable::Sapki, n); }
    void setOtchetFileName(const QString &n) { set(NameVariable::Otchet, n); }
    void setTxtFileName(const QString &n) { set(NameVariable::Txt, n); }
    void setImportFileName(const QString &n) { set(NameVariable::Import, n); }

private:
    std::array<QString, nameVariableCount> m_names;
};

// Whether a directory name is a reporting year: exactly four digits beginning with "199" or
// "20".
bool isYearDirectoryName(QStringView name);
// The reporting years of a working directory: its sub-directories with year names, ascending.
// Fails when the directory cannot be listed.
[[nodiscard]] runtime::Result<QList<int>> yearDirectories(const QString &workDir);

} // namespace zemor::data
