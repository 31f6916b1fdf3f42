#include "data/FileNames.h"

#include "runtime/fs/Paths.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace zemor::data {

namespace {

struct VariableInfo
{
    NameVariable variable;
    const char16_t *name;
};

constexpr VariableInfo variables[nameVariableCount] = {
    {NameVariable::Forma, u"FormaFileName"},       {NameVariable::Tabl, u"TablFileName"},
    {NameVariable::Stroka, u"StrokaFileName"},     {NameVariable::Grafa, u"GrafaFileName"},
    {NameVariable::ContrStr, u"ContrStrFileName"}, {NameVariable::ContrGr, u"ContrGrFileName"},
    {NameVariable::ContrTab, u"ContrTabFileName"}, {NameVariable::Rash, u"RashFileName"},
    {NameVariable::Sapki, u"SapkiFileName"},       {NameVariable::Otchet, u"OtchetFileName"},
    {NameVariable::Txt, u"TxtFileName"},           {NameVariable::Import, u"ImportFileName"},
    {NameVariable::ContrMg, u"ContrMgFileName"},   {NameVariable::OtchFio, u"OtchFioFileName"},
};

bool isSeparator(QChar c)
{
    return c == u'\\' || c == u'/';
}

// Four digits with leading zeros, or nothing when the number does not fit.
QString fourDigits(int number)
{
    if (number < 0 || number > 9999)
        return {};
    return u"%1"_s.arg(number, 4, 10, QChar(u'0'));
}

struct Part
{
    NameVariable variable;
    const char16_t *part;
};

// The parts of the year's files as report entry and key rebuilding write them.
constexpr Part fullSet[] = {
    {NameVariable::Forma, u"\\Forma"},           {NameVariable::Stroka, u"\\Stroka.dat"},
    {NameVariable::Grafa, u"\\Grafa"},           {NameVariable::Tabl, u"\\Tabl.dat"},
    {NameVariable::ContrStr, u"\\ContrStr.dat"}, {NameVariable::ContrGr, u"\\ContrGr.dat"},
    {NameVariable::ContrTab, u"\\ContrTab.dat"}, {NameVariable::Rash, u"\\Rash.dat"},
};

constexpr Part withoutRash[] = {
    {NameVariable::Forma, u"\\Forma"},           {NameVariable::Stroka, u"\\Stroka.dat"},
    {NameVariable::Grafa, u"\\Grafa"},           {NameVariable::Tabl, u"\\Tabl.dat"},
    {NameVariable::ContrStr, u"\\ContrStr.dat"}, {NameVariable::ContrGr, u"\\ContrGr.dat"},
    {NameVariable::ContrTab, u"\\ContrTab.dat"},
};

constexpr Part withExtensions[] = {
    {NameVariable::Forma, u"\\Forma.dat"},       {NameVariable::Stroka, u"\\Stroka.dat"},
    {NameVariable::Grafa, u"\\Grafa.dat"},       {NameVariable::Tabl, u"\\Tabl.dat"},
    {NameVariable::ContrStr, u"\\ContrStr.dat"}, {NameVariable::ContrGr, u"\\ContrGr.dat"},
    {NameVariable::ContrTab, u"\\ContrTab.dat"},
};

constexpr Part reportListSet[] = {
    {NameVariable::Forma, u"\\Forma.dat"},       {NameVariable::Stroka, u"\\Stroka.dat"},
    {NameVariable::Grafa, u"\\Grafa.dat"},       {NameVariable::Tabl, u"\\Tabl.dat"},
    {NameVariable::ContrStr, u"\\ContrStr.dat"}, {NameVariable::ContrGr, u"\\ContrGr.dat"},
    {NameVariable::ContrTab, u"\\ContrTab.dat"}, {NameVariable::Sapki, u"\\Sapki.tps"},
};

constexpr Part crossSectionSet[] = {
    {NameVariable::Forma, u"\\Forma"},           {NameVariable::Stroka, u"\\Stroka"},
    {NameVariable::Grafa, u"\\Grafa"},           {NameVariable::Tabl, u"\\Tabl.dat"},
    {NameVariable::ContrStr, u"\\ContrStr.dat"}, {NameVariable::ContrGr, u"\\ContrGr.dat"},
    {NameVariable::ContrTab, u"\\ContrTab.dat"},
};

} // namespace

QString FileNames::value(NameVariable variable) const
{
    return m_names[static_cast<std::size_t>(variable)];
}

void FileNames::set(NameVariable variable, const QString &name)
{
    m_names[static_cast<std::size_t>(variable)] = name;
}

void FileNames::clear()
{
    m_names.fill(QString());
}

QString FileNames::fileName(FileId id) const
{
    if (const std::optional<NameVariable> variable = variableOf(id))
        return value(*variable);
    return declaration(id).fixedName;
}

std::optional<NameVariable> FileNames::variableOf(FileId id)
{
    return variableByName(declaration(id).nameVariable);
}

QString FileNames::variableName(NameVariable variable)
{
    return QString::fromUtf16(variables[static_cast<std::size_t>(variable)].name);
}

std::optional<NameVariable> FileNames::variableByName(QStringView name)
{
    if (name.isEmpty())
        return std::nullopt;
    for (const VariableInfo &info : variables) {
        if (name.compare(QStringView(info.name), Qt::CaseInsensitive) == 0)
            return info.variable;
    }
    return std::nullopt;
}

void FileNames::setYearFileNames(int year, YearNameSet set)
{
    const QString yyyy = fourDigits(year);
    const auto apply = [&](const auto &parts, bool underWorkDir) {
        const QString head = underWorkDir ? workDirPrefix() + u'\\' + yyyy : yyyy;
        for (const Part &p : parts) {
            QString name;
            if (!yyyy.isEmpty()) {
                name = head;
                name += QStringView(p.part);
            }
            this->set(p.variable, name);
        }
    };
    switch (set) {
    case YearNameSet::ReportEntry:
    case YearNameSet::KeyRebuilding:
        apply(fullSet, true);
        break;
    case YearNameSet::SubmittingList:
        apply(withExtensions, true);
        break;
    case YearNameSet::ReportList:
        apply(reportListSet, false);
        break;
    case YearNameSet::CrossSection:
        apply(crossSectionSet, false);
        break;
    case YearNameSet::DbaseImport:
        apply(withoutRash, true);
        break;
    }
}

void FileNames::setOtchetFileName(int year, int formCode)
{
    set(NameVariable::Otchet, otchetFileName(year, formCode));
}

QString FileNames::otchetFileName(int year, int formCode)
{
    const QString yyyy = fourDigits(year);
    const QString code = fourDigits(formCode);
    if (yyyy.isEmpty() || code.isEmpty())
        return {};
    return workDirPrefix() + u'\\' + yyyy + u"\\F"_s + code + u".dat"_s;
}

QString FileNames::workDirPrefix()
{
    QString dir = runtime::fs::shortForm(runtime::fs::workDir());
    while (!dir.isEmpty() && isSeparator(dir.back()))
        dir.chop(1);
    return dir;
}

bool isYearDirectoryName(QStringView name)
{
    if (name.size() != 4)
        return false;
    for (QChar c : name) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return name.startsWith(u"199") || name.startsWith(u"20");
}

runtime::Result<QList<int>> yearDirectories(const QString &workDir)
{
    const auto entries = runtime::fs::list(workDir, u"*"_s);
    if (!entries)
        return std::unexpected(entries.error());
    QList<int> years;
    for (const runtime::fs::DirEntry &entry : *entries) {
        if (entry.isDir && isYearDirectoryName(entry.name))
            years.append(entry.name.toInt());
    }
    std::sort(years.begin(), years.end());
    years.erase(std::unique(years.begin(), years.end()), years.end());
    return years;
}

} // namespace zemor::data
