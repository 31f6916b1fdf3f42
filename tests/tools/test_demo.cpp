// The demo working directory: every keyed file in it opens with its declared layout, the
// reference data and catalogue read back through the program's own files, and the control
// rules, evaluated from the stored rule records over the stored reports, fail exactly where the
// demo spoils a report on purpose.

#include "data/DataContext.h"
#include "data/Dictionary.h"
#include "data/FileManager.h"
#include "data/records/BolnRecord.h"
#include "data/records/ContrGrRecord.h"
#include "data/records/ContrStrRecord.h"
#include "data/records/ContrTabRecord.h"
#include "data/records/FormaRecord.h"
#include "data/records/NameProgRecord.h"
#include "data/records/OtchetRecord.h"
#include "data/records/Region1Record.h"
#include "data/records/StrokaRecord.h"
#include "data/records/TablRecord.h"
#include "data/records/User1Record.h"
#include "runtime/fs/Paths.h"
#include "runtime/store/KeyedFile.h"
#include "runtime/store/Scan.h"
#include "runtime/store/TextLineFile.h"
#include "support/ScriptedPrompter.h"
#include "tools/DemoBuilder.h"
#include "tools/DemoCatalogue.h"
#include "tools/DemoHelp.h"
#include "tools/DemoReports.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <functional>
#include <map>
#include <optional>
#include <tuple>

using namespace zemor;
using namespace Qt::StringLiterals;
using data::FileId;
using runtime::store::KeyedFile;

namespace {

// The layout a file of the demo directory is written with, found by its name.
std::optional<FileId> fileOf(const QString &relativePath)
{
    const QString name = QFileInfo(relativePath).fileName().toUpper();
    const bool inYear = relativePath.contains(u'/');
    if (inYear) {
        static const QRegularExpression formFile(QStringLiteral("^F\\d{4}\\.DAT$"));
        if (formFile.match(name).hasMatch())
            return FileId::otchet;
        if (name == u"CONTRMF.DAT")
            return FileId::ContrStr;
        for (const data::FileDecl &decl : data::dictionary()) {
            // The year files are named by their label ("Forma.DAT", "Tabl.dat", "Sapki.tps").
            if (decl.fixedName.isEmpty() &&
                name.section(u'.', 0, 0).compare(decl.label, Qt::CaseInsensitive) == 0)
                return decl.id;
        }
        return std::nullopt;
    }
    // The indicator definitions are kept in copies of the tables, columns and list formats.
    if (name == u"TABLP.DAT")
        return FileId::tabl;
    if (name == u"GRAFAP.DAT")
        return FileId::grafa;
    if (name == u"SAPKIP.TPS")
        return FileId::Sapki;
    for (const data::FileDecl &decl : data::dictionary()) {
        if (decl.fixedName.isEmpty())
            continue;
        QString fixed = decl.fixedName.toUpper();
        if (!fixed.contains(u'.'))
            fixed += data::defaultExtension(decl.driver);
        if (fixed == name)
            return decl.id;
    }
    return std::nullopt;
}

// Reads every record of a keyed file in physical order.
bool forEachRecord(const QString &path, FileId id, const std::function<void(QByteArray &)> &use)
{
    KeyedFile file(data::declaration(id).layout);
    if (!file.open(path, runtime::store::Access::ReadOnly))
        return false;
    return runtime::store::scanPhysical(file,
                                        [&] {
                                            use(file.record());
                                            return true;
                                        })
        .has_value();
}

qint64 thousandths(const runtime::Decimal &value)
{
    return value.multiply(runtime::Decimal(1000)).value_or(runtime::Decimal()).toInt64();
}

bool holds(int relation, qint64 left, qint64 right)
{
    switch (relation) {
    case 1:
        return left == right;
    case 2:
        return left > right;
    case 3:
        return left >= right;
    case 4:
        return left < right;
    case 5:
        return left <= right;
    case 6:
        return !(left == 0 && right != 0);
    default:
        return true;
    }
}

// The catalogue and reports of one year as stored, and the rules evaluated over them.
class StoredYear
{
public:
    StoredYear(const QString &root, int year) : m_dir(QDir(root).filePath(QString::number(year)))
    {
        forEachRecord(path(u"Tabl.dat"), FileId::tabl, [&](QByteArray &bytes) {
            const data::TablRecord r(bytes);
            m_tables[{int(r.codForm()), int(r.codTabl())}] = {int(r.sm()), int(r.a())};
        });
        forEachRecord(path(u"Stroka.dat"), FileId::stroka, [&](QByteArray &bytes) {
            const data::StrokaRecord r(bytes);
            m_rows[{int(r.codForm()), r.unicod()}] = {int(r.codTabl()), r.codStr()};
        });
        for (const QString &file : QDir(m_dir).entryList({QStringLiteral("F*.dat")})) {
            const int form = file.mid(1, 4).toInt();
            forEachRecord(path(file), FileId::otchet, [&](QByteArray &bytes) {
                const data::OtchetRecord r(bytes);
                Values &values = m_reports[{form, r.codUch(), r.mes()}][r.unicodStr()];
                for (int n = 1; n <= 35; ++n)
                    values[size_t(n - 1)] = thousandths(r.data(n));
            });
        }
    }

    QString path(QStringView name) const { return QDir(m_dir).filePath(name.toString()); }
    int reportCount() const { return int(m_reports.size()); }

    // "ContrGr 2 F12 102 0" for every failed intra-form rule of a report.
    QSet<QString> intraFormFailures() const
    {
        QSet<QString> failed;
        auto fail = [&](const QString &rule, const Key &report) {
            failed.insert(QStringLiteral("%1 F%2 %3 %4")
                              .arg(rule)
                              .arg(std::get<0>(report))
                              .arg(std::get<1>(report))
                              .arg(std::get<2>(report)));
        };
        forEachRecord(path(u"ContrGr.dat"), FileId::ContrGr, [&](QByteArray &bytes) {
            const data::ContrGrRecord r(bytes);
            const int form = int(r.codForm());
            const int sm = m_tables.at({form, int(r.codTabl())}).first;
            const bool everyRow = r.codStr().trimmed().isEmpty() || r.codStr().trimmed() == u"0";
            for (const auto &[key, rows] : m_reports) {
                if (std::get<0>(key) != form)
                    continue;
                for (const auto &[rowId, values] : rows) {
                    const auto &[table, code] = m_rows.at({form, rowId});
                    if (table != r.codTabl() || (!everyRow && code != r.codStr().trimmed()))
                        continue;
                    qint64 right = 0;
                    for (int k = 1; k <= data::ContrGrRecord::termCount && r.s1(k) != 0; ++k) {
                        const qint64 v = values[size_t(std::abs(r.s1(k)) - sm - 1)];
                        right += r.s1(k) < 0 ? -v : v;
                    }
                    if (!holds(r.snak(), values[size_t(r.s() - sm - 1)], right))
                        fail(QStringLiteral("ContrGr %1").arg(r.unicod()), key);
                }
            }
        });
        forEachRecord(path(u"ContrStr.dat"), FileId::ContrStr, [&](QByteArray &bytes) {
            const data::ContrStrRecord r(bytes);
            const int form = int(r.codForm());
            const int table = m_rows.at({form, r.unicodStr()}).first;
            const auto [sm, count] = m_tables.at({form, table});
            for (const auto &[key, rows] : m_reports) {
                if (std::get<0>(key) != form)
                    continue;
                for (int c = sm + 1; c <= sm + count; ++c) {
                    if (r.codGr() != 0 && r.codGr() != c)
                        continue;
                    qint64 right = 0;
                    for (int k = 1; k <= data::ContrStrRecord::termCount && r.s1(k) != 0; ++k) {
                        const qint64 v = cell(rows, std::abs(r.s1(k)), c - sm);
                        right += r.s1(k) < 0 ? -v : v;
                    }
                    if (!holds(r.snak(), cell(rows, r.unicodStr(), c - sm), right))
                        fail(QStringLiteral("ContrStr %1").arg(r.unicod()), key);
                }
            }
        });
        forEachRecord(path(u"ContrTab.dat"), FileId::ContrTab, [&](QByteArray &bytes) {
            const data::ContrTabRecord r(bytes);
            const int form = int(r.codForm());
            auto offsetOf = [&](int rowId) {
                return m_tables.at({form, m_rows.at({form, rowId}).first}).first;
            };
            for (const auto &[key, rows] : m_reports) {
                if (std::get<0>(key) != form)
                    continue;
                qint64 right = 0;
                for (int k = 1; k <= data::ContrTabRecord::termCount && r.us1(k) != 0; ++k) {
                    const int row = std::abs(r.us1(k));
                    const qint64 v = cell(rows, row, r.codGrS1(k) - offsetOf(row));
                    right += r.us1(k) < 0 ? -v : v;
                }
                const qint64 left = cell(rows, r.unicodStr(), r.codGr() - offsetOf(r.unicodStr()));
                if (!holds(r.snak(), left, right))
                    fail(QStringLiteral("ContrTab %1").arg(r.unicod()), key);
            }
        });
        return failed;
    }

    // "ContrMF 1 301" for every institution whose year sums fail an inter-form formula.
    QSet<QString> interFormFailures() const
    {
        QSet<QString> failed;
        forEachRecord(path(u"ContrMF.dat"), FileId::ContrStr, [&](QByteArray &bytes) {
            const data::ContrStrRecord r(bytes);
            std::map<int, qint64> sums; // by institution, over every period
            for (int k = 1; k + 2 <= data::ContrStrRecord::termCount && r.s1(k) != 0; k += 3) {
                const int form = r.s1(k);
                const int row = r.s1(k + 1);
                const int column = r.s1(k + 2);
                const bool minus = row < 0 || column < 0;
                for (const auto &[key, rows] : m_reports) {
                    if (std::get<0>(key) != form)
                        continue;
                    const qint64 v = cell(rows, std::abs(row), std::abs(column));
                    sums[std::get<1>(key)] += minus ? -v : v;
                }
            }
            for (const auto &[institution, sum] : sums) {
                if (!holds(r.snak() == 6 ? 0 : r.snak(), sum, 0))
                    failed.insert(QStringLiteral("ContrMF %1 %2").arg(r.unicod()).arg(institution));
            }
        });
        return failed;
    }

private:
    using Values = std::array<qint64, 35>;
    using Key = std::tuple<int, int, int>; // form, institution, period
    using Rows = std::map<int, Values>;    // by row id

    static qint64 cell(const Rows &rows, int rowId, int value)
    {
        const auto it = rows.find(rowId);
        if (it == rows.end() || value < 1 || value > 35)
            return 0;
        return it->second[size_t(value - 1)];
    }

    QString m_dir;
    std::map<std::pair<int, int>, std::pair<int, int>> m_tables;   // (form, table): (SM, A)
    std::map<std::pair<int, int>, std::pair<int, QString>> m_rows; // (form, row id): table, code
    std::map<Key, Rows> m_reports;
};

} // namespace

class TestDemo : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_tmp;
    QString m_root;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_tmp.isValid());
        m_root = m_tmp.filePath(QStringLiteral("demo"));
        test::ScriptedPrompter prompter;
        const runtime::Status built = tools::DemoBuilder(&prompter).build(m_root);
        QVERIFY2(built, built ? "" : qPrintable(built.error().message));
        QVERIFY(prompter.messages.isEmpty());
    }

    void everyKeyedFileOpensWithItsLayout()
    {
        const QString sqlite = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
        QStringList seen;
        QDirIterator it(m_root, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString relative = QDir(m_root).relativeFilePath(path);
            const QString suffix = QFileInfo(path).suffix().toUpper();
            if (suffix != u"DAT" && suffix != u"TPS")
                continue;
            const std::optional<FileId> id = fileOf(relative);
            QVERIFY2(id, qPrintable(relative));
            const int size = data::declaration(*id).layout.size;
            int records = 0;
            bool sizesRight = true;
            QVERIFY2(forEachRecord(path, *id,
                                   [&](QByteArray &bytes) {
                                       ++records;
                                       sizesRight = sizesRight && bytes.size() == size;
                                   }),
                     qPrintable(relative));
            QVERIFY2(sizesRight, qPrintable(relative));
            seen.append(relative);

            if (sqlite.isEmpty())
                continue;
            QProcess shell;
            shell.start(sqlite, {QStringLiteral("-readonly"), path,
                                 QStringLiteral("select length(data) from records")});
            QVERIFY(shell.waitForFinished(10000));
            QCOMPARE(shell.exitCode(), 0);
            const QStringList lengths =
                QString::fromLatin1(shell.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
            QCOMPARE(lengths.size(), records);
            for (const QString &length : lengths)
                QCOMPARE(length.toInt(), size);
        }
        for (const QString &expected :
             {u"BOLN.DAT"_s, u"REGION1.DAT"_s, u"VIDUCH.DAT"_s, u"USER1.DAT"_s, u"NAMEPROG.TPS"_s,
              u"WWOD.DAT"_s, u"2025/Forma.DAT"_s, u"2025/Tabl.dat"_s, u"2025/Stroka.dat"_s,
              u"2025/Grafa.DAT"_s, u"2025/ContrGr.dat"_s, u"2025/ContrStr.dat"_s,
              u"2025/ContrTab.dat"_s, u"2025/ContrMF.dat"_s, u"2025/Rash.dat"_s,
              u"2025/F0062.dat"_s, u"2026/F0007.dat"_s})
            QVERIFY2(seen.contains(expected), qPrintable(expected));
    }

    // Read back through a data context as the program reads them.
    void referenceFilesReadBack()
    {
        const QString saved = runtime::fs::workDir();
        runtime::fs::setWorkDir(m_root);
        const auto restore = qScopeGuard([&] { runtime::fs::setWorkDir(saved); });
        data::DataContext ctx;
        QVERIFY(ctx.open(FileId::boln));

        QList<int> districts;
        KeyedFile &region = ctx.file(FileId::region1);
        QVERIFY(region.setPhysical());
        while (region.next())
            districts.append(int(data::Region1Record(region.record()).codReg()));
        QCOMPARE(districts, (QList<int>{1, 2, 3, 4, 5, 6, 101, 102, 201}));

        KeyedFile &boln = ctx.file(FileId::boln);
        int institutions = 0, units = 0, closed = 0, opened2026 = 0;
        QVERIFY(boln.setPhysical());
        while (boln.next()) {
            const data::BolnRecord r(boln.record());
            ++institutions;
            if (r.unicod() >= 7000) {
                ++units;
                QCOMPARE(r.s().mid(2, 5).trimmed().toInt(), r.unicod() - 7000);
            }
            closed += r.eYear() != 0 ? 1 : 0;
            opened2026 += r.sYear() == 2026 ? 1 : 0;
        }
        QVERIFY(institutions >= 50);
        QVERIFY(units > 0 && closed > 0 && opened2026 > 0);
        ctx.close(FileId::boln);

        QVERIFY(ctx.open(FileId::NameProg));
        QVERIFY(ctx.file(FileId::NameProg).setPhysical() && ctx.file(FileId::NameProg).next());
        QCOMPARE(data::NameProgRecord(ctx.record(FileId::NameProg)).proga(),
                 QStringLiteral("Мониторинг системы здравоохранения Таргинской области"));
        ctx.close(FileId::NameProg);

        QVERIFY(ctx.open(FileId::USER1));
        QVERIFY(ctx.file(FileId::USER1).setPhysical() && ctx.file(FileId::USER1).next());
        const data::User1Record user(ctx.record(FileId::USER1));
        QCOMPARE(user.tipUser(), std::uint8_t(1));
        QCOMPARE(user.kodUser(), qint32(user.codReg()));
        ctx.close(FileId::USER1);

        // Each year's catalogue: annual, monthly and quarterly forms, form 62 with several
        // tables, and tables whose columns are numbered after an offset.
        for (int year : {2025, 2026}) {
            ctx.names().setYearFileNames(year);
            QVERIFY(ctx.open(FileId::forma));
            QSet<int> periodicities;
            KeyedFile &forma = ctx.file(FileId::forma);
            QVERIFY(forma.setPhysical());
            while (forma.next())
                periodicities.insert(data::FormaRecord(forma.record()).tip());
            QVERIFY(periodicities.contains(0) && periodicities.contains(1) &&
                    periodicities.contains(2));
            int tables62 = 0, withOffset = 0;
            KeyedFile &tabl = ctx.file(FileId::tabl);
            QVERIFY(tabl.setPhysical());
            while (tabl.next()) {
                const data::TablRecord t(tabl.record());
                tables62 += t.codForm() == 62 ? 1 : 0;
                withOffset += t.sm() > 0 ? 1 : 0;
            }
            QVERIFY(tables62 >= 3);
            QVERIFY(withOffset > 0);
            ctx.close(FileId::forma);
        }
    }

    void controlsFailOnlyWhereIntended()
    {
        QSet<QString> expectedIntra;
        QSet<QString> expectedInter;
        for (const tools::DemoFailure &f : tools::demoFailures()) {
            if (f.rule.startsWith(u"ContrMF"))
                expectedInter.insert(QStringLiteral("%1 %2").arg(f.rule).arg(f.institution));
            else
                expectedIntra.insert(QStringLiteral("%1 F%2 %3 %4")
                                         .arg(f.rule)
                                         .arg(f.form)
                                         .arg(f.institution)
                                         .arg(f.period));
        }
        const StoredYear y2025(m_root, 2025);
        QVERIFY(y2025.reportCount() > 100);
        QCOMPARE(y2025.intraFormFailures(), expectedIntra);
        QCOMPARE(y2025.interFormFailures(), expectedInter);

        // 2026 is under way: its reports pass their own rules.
        const StoredYear y2026(m_root, 2026);
        QVERIFY(y2026.reportCount() > 0);
        QCOMPARE(y2026.intraFormFailures(), QSet<QString>());
    }

    // The text files are read by fixed character positions: each line must hold what its
    // reader expects there, in Windows-1251 with CR LF line ends.
    void textFilesKeepTheirColumns()
    {
        const tools::DemoCatalogue &cat = tools::demoCatalogue();
        const auto linesOf = [](const QString &path) -> QStringList {
            QFile raw(path);
            if (!raw.open(QIODevice::ReadOnly))
                return {};
            const QByteArray bytes = raw.readAll();
            if (bytes.count("\r\n") != bytes.count('\n') || !bytes.endsWith("\r\n"))
                return {};
            return runtime::store::TextLineFile::readTextLines(path).value_or(QStringList());
        };
        const auto number = [](const QString &line, int from, int count) {
            bool ok = false;
            const int n = line.mid(from - 1, count).trimmed().toInt(&ok);
            return ok ? n : -1;
        };

        for (int year : tools::demoYears()) {
            const QString yearDir = m_root + u'/' + QString::number(year);
            const QStringList deadlines = linesOf(yearDir + u"/sroki.txt"_s);
            QCOMPARE(deadlines.size(), cat.forms.size());
            for (const QString &line : deadlines) {
                const tools::DemoForm *form = cat.form(number(line, 1, 4));
                QVERIFY2(form, qPrintable(line));
                QCOMPARE(line.mid(4), form->deadline);
            }

            const QStringList calculations = linesOf(yearDir + u"/Rash.txt"_s);
            QCOMPARE(calculations.size(), cat.calculations.size());
            for (const QString &line : calculations) {
                const int form = number(line, 1, 4);
                const int table = number(line, 6, 5);
                const QChar kind = line.at(11);
                const int id = number(line, 13, 5);
                if (kind == u'g') {
                    const tools::DemoColumnRule *rule = cat.columnRule(id);
                    QVERIFY2(rule && rule->form == form && rule->table == table, qPrintable(line));
                } else {
                    QCOMPARE(kind, QChar(u's'));
                    const tools::DemoRowRule *rule = cat.rowRule(id);
                    QVERIFY2(rule && rule->form == form, qPrintable(line));
                    const tools::DemoTable *of = cat.form(form)->tableOfRow(rule->leftRow);
                    QVERIFY2(of && of->code == table, qPrintable(line));
                }
            }
        }

        const QStringList formulas = linesOf(m_root + u"/SpisMF.TXT"_s);
        QCOMPARE(formulas.size(), 2 * cat.interFormRules.size());
        for (qsizetype i = 0; i < cat.interFormRules.size(); ++i) {
            const tools::DemoInterFormRule &rule = cat.interFormRules.at(i);
            QCOMPARE(number(formulas.at(2 * i), 1, 3), rule.id);
            QCOMPARE(formulas.at(2 * i).mid(3), rule.name);
            QCOMPARE(formulas.at(2 * i + 1), rule.text);
        }

        const QStringList help = linesOf(m_root + u"/help.TXT"_s);
        QCOMPARE(help.size(), tools::DemoHelp::sections().size());
        for (const QString &line : help) {
            QVERIFY2(QFileInfo::exists(m_root + u'/' + line.left(20).trimmed()), qPrintable(line));
            QVERIFY2(!line.mid(20, 50).trimmed().isEmpty(), qPrintable(line));
        }
    }

    // A folder whose name is not UTF-8 (Windows-1251 bytes): the demo is written into it, under
    // those very bytes, and the program finds its files there, whether the working directory is
    // set or taken from the process.
    void folderNamedInWindows1251()
    {
        namespace fs = runtime::fs;
        const QByteArray folder = fs::encodeName(m_tmp.path()) + "/\xce\xf2\xf7\xe5\xf2\xfb";
        QVERIFY(fs::makeDir(fs::decodeName(folder)));
        const QString root = fs::decodeName(folder + "/demo");
        QCOMPARE(fs::encodeName(root), folder + "/demo");
        test::ScriptedPrompter prompter;
        const runtime::Status built = tools::DemoBuilder(&prompter).build(root);
        QVERIFY2(built, built ? "" : qPrintable(built.error().message));
        // Checked by the bytes of the names, past every conversion of ours.
        QCOMPARE(::access(QByteArray(folder + "/demo/BOLN.DAT").constData(), F_OK), 0);
        QCOMPARE(::access(QByteArray(folder + "/demo/2025/sroki.txt").constData(), F_OK), 0);
        const auto names = fs::entryNames(m_tmp.path());
        QVERIFY(names);
        QCOMPARE(names->size(), 2); // "demo" and the folder, nothing under a look-alike name

        const QString before = fs::workDir();
        const QByteArray cwd = QDir::currentPath().toUtf8();
        const auto restore = qScopeGuard([&] {
            fs::setWorkDir(before);
            QVERIFY(::chdir(cwd.constData()) == 0);
        });
        QCOMPARE(::chdir(QByteArray(folder + "/demo").constData()), 0);
        fs::captureWorkDir();
        QCOMPARE(fs::encodeName(fs::workDir()), folder + "/demo");
        const auto boln = fs::resolve(u"\\boln"_s, u".DAT"_s);
        QVERIFY(boln);
        QCOMPARE(fs::encodeName(*boln), folder + "/demo/BOLN.DAT");
        int institutions = 0;
        QVERIFY(forEachRecord(*boln, FileId::boln, [&](QByteArray &) { ++institutions; }));
        QVERIFY(institutions > 0);
        const auto deadlines = fs::resolve(u"2025\\SROKI.TXT"_s);
        QVERIFY(deadlines);
        const auto lines = runtime::store::TextLineFile::readTextLines(*deadlines);
        QVERIFY2(lines, lines ? "" : qPrintable(lines.error().message));
        QVERIFY(!lines->isEmpty());
        const auto listed = fs::list(u"\\2025"_s, u"*.txt"_s);
        QVERIFY(listed);
        QVERIFY(!listed->isEmpty());
    }

    void existingDirectoryIsNotWrittenInto()
    {
        const QString before = QString::number(QFileInfo(m_root + u"/BOLN.DAT"_s).size());
        const runtime::Status again = tools::DemoBuilder().build(m_root);
        QVERIFY(!again);
        QCOMPARE(again.error().code, runtime::ErrorCode::AlreadyExists);
        QCOMPARE(QString::number(QFileInfo(m_root + u"/BOLN.DAT"_s).size()), before);
    }
};

QTEST_GUILESS_MAIN(TestDemo)
#include "test_demo.moc"
