// The dictionary's declarations checked against the record layouts they must carry: every
// layout sound and of its stated size, every byte of every record covered by exactly one field,
// names and drivers that give the files on disk, and relations that join fields which exist
// through keys that begin with them.

#include "data/Dictionary.h"

#include <QSet>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;
using namespace zemor::data;
using zemor::runtime::store::FieldType;
using zemor::runtime::store::RecordLayout;

namespace {

QString onDiskName(const FileDecl &decl)
{
    const QString name = decl.fixedName;
    if (name.contains(u'.'))
        return name;
    return name + defaultExtension(decl.driver);
}

} // namespace

class TestDictionary : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void orderAndIdentity();
    void layouts_data();
    void layouts();
    void fieldsTileTheRecord();
    void keysNameTheirFields();
    void reportKeys();
    void names_data();
    void names();
    void creation();
    void relationsJoinExistingFields();
    void connectedGroups();
    void fieldElements_data();
    void fieldElements();
};

void TestDictionary::orderAndIdentity()
{
    const QList<FileDecl> &files = dictionary();
    QCOMPARE(files.size(), fileCount);
    QSet<QString> labels;
    QSet<QString> prefixes;
    for (int i = 0; i < files.size(); ++i) {
        const FileDecl &decl = files[i];
        QCOMPARE(static_cast<int>(decl.id), i + 1);
        QCOMPARE(&declaration(decl.id), &decl);
        QCOMPARE(decl.layout.label, decl.label);
        QCOMPARE(decl.layout.prefix, decl.prefix);
        QVERIFY2(!labels.contains(decl.label.toLower()), qPrintable(decl.label));
        QVERIFY2(!prefixes.contains(decl.prefix), qPrintable(decl.prefix));
        labels.insert(decl.label.toLower());
        prefixes.insert(decl.prefix);
        QCOMPARE(fileByLabel(decl.label.toUpper()), std::optional<FileId>(decl.id));
    }
    QCOMPARE(fileByLabel(u"nosuchfile"), std::nullopt);
}

void TestDictionary::layouts_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("textObjectSize");

    const struct
    {
        const char *label;
        int size;
        int textObject;
    } rows[] = {
        {"viduch", 52, 0},    {"Docum", 793, 0},   {"import1", 320, 0}, {"indik", 345, 0},
        {"boln", 169, 0},     {"region1", 32, 0},  {"otchet", 330, 0},  {"grafa", 234, 0},
        {"tabl", 283, 0},     {"VOV4000", 120, 0}, {"forma", 365, 0},   {"USER1", 1677, 0},
        {"WWOD", 8, 0},       {"ContrMg", 84, 0},  {"Rash", 162, 0},    {"NameProg", 600, 0},
        {"OtchFio", 305, 0},  {"RASRES", 12, 0},   {"RASRESN", 206, 0}, {"stroka", 445, 0},
        {"NABOR", 1205, 0},   {"TxtFile", 750, 0}, {"spravoh", 104, 0}, {"ContrTab", 129, 0},
        {"ContrStr", 212, 0}, {"ContrGr", 86, 0},  {"Sapki", 4, 1000},  {"Pokas", 26, 0},
    };
    for (const auto &row : rows)
        QTest::newRow(row.label) << QString::fromLatin1(row.label) << row.size << row.textObject;
}

void TestDictionary::layouts()
{
    QFETCH(QString, label);
    QFETCH(int, size);
    QFETCH(int, textObjectSize);

    const std::optional<FileId> id = fileByLabel(label);
    QVERIFY(id.has_value());
    const RecordLayout &layout = declaration(*id).layout;
    QCOMPARE(layout.validate(), QString());
    QCOMPARE(layout.size, size);
    QCOMPARE(layout.textObjectSize, textObjectSize);
    QCOMPARE(layout.clearedRecord().size(), size);
}

// Every stored record is laid out without gaps: each byte belongs to exactly one field. A wrong
// offset or size in a declaration shows up here as a hole or an overlap.
void TestDictionary::fieldsTileTheRecord()
{
    for (const FileDecl &decl : dictionary()) {
        const RecordLayout &layout = decl.layout;
        QList<int> owner(layout.size, -1);
        for (int f = 0; f < layout.fields.size(); ++f) {
            const auto &field = layout.fields[f];
            QVERIFY2(field.name.startsWith(decl.prefix + u':'), qPrintable(field.name));
            if (field.type == FieldType::Decimal)
                QVERIFY2(field.places < field.digits(), qPrintable(field.name));
            for (int b = field.offset; b < field.offset + field.totalSize(); ++b) {
                QVERIFY2(b >= 0 && b < layout.size, qPrintable(field.name));
                QVERIFY2(owner[b] == -1, qPrintable(field.name + u" overlaps"_s));
                owner[b] = f;
            }
        }
        const auto hole = std::find(owner.cbegin(), owner.cend(), -1);
        QVERIFY2(
            hole == owner.cend(),
            qPrintable(
                u"%1: byte %2 belongs to no field"_s.arg(decl.label).arg(hole - owner.cbegin())));
    }
}

void TestDictionary::keysNameTheirFields()
{
    for (const FileDecl &decl : dictionary()) {
        QSet<QString> names;
        for (const auto &key : decl.layout.keys) {
            QVERIFY2(key.name.startsWith(decl.prefix + u':'), qPrintable(key.name));
            QVERIFY2(!names.contains(key.name), qPrintable(key.name));
            names.insert(key.name);
            QVERIFY2(!key.description.isEmpty(), qPrintable(key.name));
            QVERIFY2(!key.components.isEmpty(), qPrintable(key.name));
            for (int c : key.components)
                QVERIFY2(c >= 0 && c < decl.layout.fields.size(), qPrintable(key.name));
            if (key.autoNumber) {
                QVERIFY2(key.unique, qPrintable(key.name));
                QCOMPARE(key.components.size(), 1);
            }
        }
        // Keyed files are the only ones with keys.
        if (!isKeyed(decl.driver))
            QVERIFY2(decl.layout.keys.isEmpty(), qPrintable(decl.label));
    }
}

// The report data file is read through its keys everywhere: their order (which the program
// addresses by index) and component order decide what every reader finds.
void TestDictionary::reportKeys()
{
    const RecordLayout &layout = declaration(FileId::otchet).layout;
    const auto componentNames = [&](int key) {
        QStringList names;
        for (int c : layout.keys[key].components)
            names << layout.fields[c].name;
        return names.join(u',');
    };
    QCOMPARE(layout.keys.size(), 4);
    QCOMPARE(layout.keys[0].name, u"OTC:KEYCODREG"_s);
    QCOMPARE(componentNames(0), u"OTC:CODREG,OTC:UNICODSTR"_s);
    QCOMPARE(layout.keys[1].name, u"OTC:KEYCODUCH"_s);
    QCOMPARE(componentNames(1), u"OTC:MES,OTC:CODUCH,OTC:UNICODSTR"_s);
    QCOMPARE(layout.keys[2].name, u"OTC:KEYCODTAB"_s);
    QCOMPARE(componentNames(2), u"OTC:CODUCH,OTC:CODTAB,OTC:UNICODSTR"_s);
    QCOMPARE(layout.keys[3].name, u"OTC:KEYCODSTR"_s);
    QCOMPARE(componentNames(3), u"OTC:UNICODSTR,OTC:MES"_s);
    for (int k = 0; k < 4; ++k) {
        QCOMPARE(layout.keys[k].unique, k == 1);
        QVERIFY(!layout.keys[k].excludeBlank);
        QVERIFY(!layout.keys[k].caseInsensitive);
        QVERIFY(!layout.keys[k].autoNumber);
    }
}

void TestDictionary::names_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("fileOnDisk");   // working-directory files
    QTest::addColumn<QString>("nameVariable"); // the others

    const struct
    {
        const char *label;
        const char *file;
        const char *variable;
    } rows[] = {
        {"viduch", "VIDUCH.DAT", ""},       {"boln", "BOLN.DAT", ""},
        {"region1", "REGION1.DAT", ""},     {"USER1", "USER1.DAT", ""},
        {"WWOD", "WWOD.DAT", ""},           {"Pokas", "POKAS.DAT", ""},
        {"NameProg", "NAMEPROG.TPS", ""},   {"indik", "INDIK.TPS", ""},
        {"RASRES", "RASRES.TPS", ""},       {"RASRESN", "RASRESN.TPS", ""},
        {"NABOR", "NABOR.TPS", ""},         {"Docum", "Document.TPS", ""},
        {"spravoh", "Doc1.TPS", ""},        {"forma", "", "FormaFileName"},
        {"tabl", "", "TablFileName"},       {"stroka", "", "StrokaFileName"},
        {"grafa", "", "GrafaFileName"},     {"ContrStr", "", "ContrStrFileName"},
        {"ContrGr", "", "ContrGrFileName"}, {"ContrTab", "", "ContrTabFileName"},
        {"Rash", "", "RashFileName"},       {"Sapki", "", "SapkiFileName"},
        {"otchet", "", "OtchetFileName"},   {"TxtFile", "", "TxtFileName"},
        {"import1", "", "ImportFileName"},  {"VOV4000", "", "ImportFileName"},
        {"ContrMg", "", "ContrMgFileName"}, {"OtchFio", "", "OtchFioFileName"},
    };
    for (const auto &row : rows) {
        QTest::newRow(row.label) << QString::fromLatin1(row.label) << QString::fromLatin1(row.file)
                                 << QString::fromLatin1(row.variable);
    }
}

void TestDictionary::names()
{
    QFETCH(QString, label);
    QFETCH(QString, fileOnDisk);
    QFETCH(QString, nameVariable);

    const FileDecl &decl = declaration(*fileByLabel(label));
    QCOMPARE(decl.nameVariable, nameVariable);
    if (fileOnDisk.isEmpty()) {
        QVERIFY(decl.fixedName.isEmpty());
    } else {
        QVERIFY(isKeyed(decl.driver));
        QCOMPARE(onDiskName(decl), fileOnDisk);
    }
}

void TestDictionary::creation()
{
    for (const FileDecl &decl : dictionary()) {
        const bool chosenByUser = decl.id == FileId::import1 || decl.id == FileId::VOV4000;
        QCOMPARE(decl.createWhenMissing, !chosenByUser);
        QCOMPARE(decl.driver == Driver::Dbase, chosenByUser);
    }
    QCOMPARE(declaration(FileId::TxtFile).driver, Driver::Text);
}

// A relation links parent fields to child fields, and the child key it names must begin with
// the linked child fields in link order, or the relation could not find a parent's children.
void TestDictionary::relationsJoinExistingFields()
{
    QCOMPARE(relations().size(), 12);
    for (const RelationDecl &rel : relations()) {
        const RecordLayout &parent = declaration(rel.parent).layout;
        const RecordLayout &child = declaration(rel.child).layout;
        const QString what = parent.label + u" -> "_s + child.label;
        const int key = child.keyIndex(rel.childKey);
        QVERIFY2(key >= 0, qPrintable(what));
        const QList<int> &components = child.keys[key].components;
        QVERIFY2(!rel.links.isEmpty() && rel.links.size() <= components.size(), qPrintable(what));
        for (int i = 0; i < rel.links.size(); ++i) {
            QVERIFY2(parent.fieldIndex(rel.links[i].first) >= 0, qPrintable(what));
            QCOMPARE(child.fieldIndex(rel.links[i].second), components[i]);
        }
        QVERIFY(rel.onUpdate != RelationMode::Clear && rel.onDelete != RelationMode::Clear);
    }
}

// The relations join the files into the groups that open together.
void TestDictionary::connectedGroups()
{
    QList<int> group(fileCount + 1);
    for (int i = 0; i <= fileCount; ++i)
        group[i] = i;
    const auto find = [&](int x) {
        while (group[x] != x)
            x = group[x];
        return x;
    };
    for (const RelationDecl &rel : relations())
        group[find(static_cast<int>(rel.parent))] = find(static_cast<int>(rel.child));

    const auto members = [&](FileId of) {
        QStringList labels;
        for (const FileDecl &decl : dictionary()) {
            if (find(static_cast<int>(decl.id)) == find(static_cast<int>(of)))
                labels << decl.label;
        }
        return labels.join(u',');
    };
    QCOMPARE(members(FileId::forma), u"indik,grafa,tabl,forma,Rash,stroka,ContrGr,Pokas"_s);
    QCOMPARE(members(FileId::boln), u"viduch,boln,region1"_s);
    QCOMPARE(members(FileId::Docum), u"Docum,spravoh"_s);
    for (FileId alone :
         {FileId::otchet, FileId::import1, FileId::VOV4000, FileId::USER1, FileId::WWOD,
          FileId::ContrMg, FileId::NameProg, FileId::OtchFio, FileId::RASRES, FileId::RASRESN,
          FileId::NABOR, FileId::TxtFile, FileId::ContrTab, FileId::ContrStr, FileId::Sapki})
        QCOMPARE(members(alone), declaration(alone).label);
}

void TestDictionary::fieldElements_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("field"); // empty: not found
    QTest::addColumn<int>("element");

    QTest::newRow("plain field") << u"OTC:CODUCH"_s << u"OTC:CODUCH"_s << 1;
    QTest::newRow("any case") << u"otc:codUch"_s << u"OTC:CODUCH"_s << 1;
    QTest::newRow("first value") << u"OTC:DATA1"_s << u"OTC:DATA"_s << 1;
    QTest::newRow("last value") << u"OTC:DATA35"_s << u"OTC:DATA"_s << 35;
    QTest::newRow("past the last") << u"OTC:DATA36"_s << QString() << 0;
    QTest::newRow("value 0") << u"OTC:DATA0"_s << QString() << 0;
    QTest::newRow("leading zero") << u"OTC:DATA01"_s << QString() << 0;
    QTest::newRow("not a number") << u"OTC:DATAX"_s << QString() << 0;
    QTest::newRow("unknown") << u"OTC:NOTHING"_s << QString() << 0;
    QTest::newRow("not an array") << u"OTC:MES1"_s << QString() << 0;
}

void TestDictionary::fieldElements()
{
    QFETCH(QString, name);
    QFETCH(QString, field);
    QFETCH(int, element);

    const RecordLayout &layout = declaration(FileId::otchet).layout;
    const FieldElement found = findFieldElement(layout, name);
    if (field.isEmpty()) {
        QVERIFY(!found.isValid());
        return;
    }
    QVERIFY(found.isValid());
    QCOMPARE(layout.fields[found.field].name, field);
    QCOMPARE(found.element, element);
}

QTEST_GUILESS_MAIN(TestDictionary)
#include "test_dictionary.moc"
