// The printed result lists: every column's text as given, and a wrapped column (the names of the
// control run's list) shown whole over as many lines as it needs, the entries below moved down
// and onto the next page when the page is full; read back from PDF with pdftotext.

#include "entry/ControlRun.h"
#include "entry/ListReport.h"
#include "runtime/report/PageSink.h"
#include "support/PdfText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace zemor;
using namespace zemor::entry;
using namespace Qt::StringLiterals;

class TestListReport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void runListNamesWhole();
    void wrappedEntriesDoNotOverlap();

private:
    struct Word
    {
        QString text;
        double left = 0, right = 0; // millimetres from the sheet's left edge
    };
    // The pages written to PDF and read back with pdftotext: the text, with blanks and line
    // ends as single blanks, or (bbox) the words with their places.
    QString pdfText(const runtime::report::PageList &pages, bool bbox = false);
    QString pdfWords(const runtime::report::PageList &pages)
    {
        return pdfText(pages).replace(QRegularExpression(u"\\s+"_s), u" "_s);
    }
    QList<Word> pdfPlacedWords(const runtime::report::PageList &pages);

    QTemporaryDir m_dir;
};

QString TestListReport::pdfText(const runtime::report::PageList &pages, bool bbox)
{
    return test::printedText(
        pages, m_dir.filePath(QString::fromLatin1(QTest::currentTestFunction()) + u".pdf"_s),
        bbox ? QStringList{u"-bbox"_s} : QStringList{});
}

QList<TestListReport::Word> TestListReport::pdfPlacedWords(const runtime::report::PageList &pages)
{
    const QRegularExpression word(
        u"<word xMin=\"([0-9.]+)\" yMin=\"[0-9.]+\" xMax=\"([0-9.]+)\"[^>]*>([^<]*)</word>"_s);
    QList<Word> words;
    const double mm = 25.4 / 72;
    for (auto m = word.globalMatch(pdfText(pages, true)); m.hasNext();) {
        const auto match = m.next();
        words.append({match.captured(3), match.captured(1).toDouble() * mm,
                      match.captured(2).toDouble() * mm});
    }
    return words;
}

void TestListReport::runListNamesWhole()
{
    // With the district's name in front, as a run over several districts lists them.
    const QStringList names{u"Лесогорский Участковая больница с. Медведево"_s,
                            u"Берёзовский Центральная районная больница им. Н. И. Пирогова, "
                            u"поликлиническое отделение № 2 (взрослое)"_s};
    QList<RunLine> lines;
    for (const QString &name : names)
        lines.append({12, 402, name, 12, 10, u"т1000с1.3 гр4 > гр1"_s, 1000, 4, u"Лесогорский"_s});
    const auto pages = ControlRun::printResults(lines, 2025, u"Лесогорский"_s, QString());
    // Every word of the names stands inside the name's column (the left margin, then the rule
    // and code columns before it), none cut off beyond it.
    const double left = pages.setup.margins.left() + 16 + 10;
    const double right = left + 45;
    const QList<Word> placed = pdfPlacedWords(pages);
    for (const QString &name : names) {
        for (const QString &text : name.split(u' ')) {
            const bool inside = std::any_of(placed.begin(), placed.end(), [&](const Word &w) {
                return w.text.toHtmlEscaped() == text.toHtmlEscaped() && w.left >= left - 0.5 &&
                       w.right <= right + 0.5;
            });
            QVERIFY2(inside, qPrintable(text));
        }
    }
    // And each name reads as one text.
    const QString words = pdfWords(pages);
    for (const QString &name : names)
        QVERIFY2(words.contains(name), qPrintable(words));
    QVERIFY(words.contains(u"т1000с1.3 гр4 > гр1"_s));
}

void TestListReport::wrappedEntriesDoNotOverlap()
{
    const QList<ListReportColumn> columns{{u"N"_s, 10, Qt::AlignRight},
                                          {u"Название"_s, 40, Qt::AlignLeft, true},
                                          {u"Сумма"_s, 20, Qt::AlignRight}};
    QList<QStringList> rows;
    for (int i = 1; i <= 80; ++i) {
        const QString name = i % 3 == 0 ? u"Очень длинное название учреждения номер %1, которое "
                                          u"не помещается в одну строку колонки"_s.arg(i)
                                        : u"Учреждение %1"_s.arg(i);
        rows.append({QString::number(i), name, QString::number(i * 10)});
    }
    const auto pages = printList({u"Список"_s}, columns, rows);
    QVERIFY(pages.count() >= 2);
    // No two texts of a page share any of their place, and none runs into the footer.
    const double footerTop = pages.setup.bodyRect().bottom() - 8;
    for (const auto &page : pages.pages) {
        for (qsizetype i = 0; i < page.items.size(); ++i) {
            const QRectF a = page.items[i].rect.adjusted(1e-6, 1e-6, -1e-6, -1e-6);
            if (!page.items[i].text.startsWith(u"Лист"_s))
                QVERIFY2(a.bottom() <= footerTop, qPrintable(page.items[i].text));
            for (qsizetype j = i + 1; j < page.items.size(); ++j)
                QVERIFY2(!a.intersects(page.items[j].rect),
                         qPrintable(page.items[i].text + u" / "_s + page.items[j].text));
        }
    }
    const QString words = pdfWords(pages);
    for (const QStringList &row : rows)
        QVERIFY2(words.contains(row.at(1)), qPrintable(row.at(1)));
}

QTEST_MAIN(TestListReport)
#include "test_listreport.moc"
