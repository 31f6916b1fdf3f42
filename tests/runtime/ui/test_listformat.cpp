#include "runtime/ui/ListFormat.h"

#include <QTest>

using zemor::runtime::ErrorCode;
using zemor::runtime::ui::ListAlignment;
using zemor::runtime::ui::ListColumn;
using zemor::runtime::ui::ListFormat;
using namespace Qt::StringLiterals;

namespace {

QString alignmentText(ListAlignment a)
{
    switch (a) {
    case ListAlignment::Left:
        return u"L"_s;
    case ListAlignment::Right:
        return u"R"_s;
    case ListAlignment::Center:
        return u"C"_s;
    case ListAlignment::Decimal:
        return u"D"_s;
    }
    return {};
}

QString flagsText(const ListColumn &c)
{
    QString f;
    if (c.rightBorder)
        f += u'|';
    if (c.bottomBorder)
        f += u'_';
    if (c.resizable)
        f += u'M';
    if (c.fixed)
        f += u'F';
    if (c.locator)
        f += u'?';
    if (c.breakAfter)
        f += u'/';
    return f;
}

QString colorName(const QColor &c)
{
    return c.isValid() ? c.name() : u"-"_s;
}

// One attribute of a column as text, so that a table row can state what it expects.
QString attribute(const ListColumn &c, const QString &name)
{
    if (name == u"width")
        return QString::number(c.width);
    if (name == u"align")
        return alignmentText(c.alignment) + u'(' + QString::number(c.indent) + u')';
    if (name == u"heading")
        return c.hasHeading ? c.heading : u"-"_s;
    if (name == u"hAlign")
        return alignmentText(c.headingAlignment) + u'(' + QString::number(c.headingIndent) + u')';
    if (name == u"flags")
        return flagsText(c);
    if (name == u"picture")
        return c.picture ? c.picture->text() : u"-"_s;
    if (name == u"fg")
        return colorName(c.colors.foreground);
    if (name == u"bg")
        return colorName(c.colors.background);
    if (name == u"sfg")
        return colorName(c.colors.selectedForeground);
    qFatal("unknown attribute %s", qPrintable(name));
}

} // namespace

class ListFormatTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
    void refused_data();
    void refused();
    void colors_data();
    void colors();
};

void ListFormatTest::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("fixed");
    // "column.attribute=value"; see attribute() above.
    QTest::addColumn<QStringList>("probes");

    // The lists of the frame's own windows.
    QTest::newRow("forms on/off")
        << u"21L|_FM~Код~L(1)@n_5@21L(7)|_FM~Доступ~L(0)@n1@E(0FFH,,,)60L(1)|_FM~наименование~C(2)@s200@"_s
        << 3 << 3 << QStringList{u"0.flags=|_MF"_s,   u"0.heading=Код"_s, u"0.hAlign=L(1)"_s,
                                 u"0.picture=@n_5"_s, u"1.align=L(7)"_s,  u"1.hAlign=L(0)"_s,
                                 u"1.fg=#ff0000"_s,   u"1.bg=-"_s,        u"2.hAlign=C(2)"_s,
                                 u"2.picture=@s200"_s};
    QTest::newRow("pick list")
        << u"13L(1)|M~id~E(0808080H,,,)?20L|M~код~L(1)?259L(1)|M~наименование~@s200@100L(1)M@s100@"_s
        << 4 << 0 << QStringList{u"0.flags=|M?"_s,   u"0.fg=#808080"_s, u"0.picture=-"_s,
                                 u"0.hAlign=L(1)"_s, u"1.flags=|M?"_s,  u"1.align=L(0)"_s,
                                 u"1.hAlign=L(1)"_s, u"2.width=259"_s,  u"2.flags=|M"_s,
                                 u"3.flags=M"_s,     u"3.heading=-"_s,  u"3.picture=@s100"_s};
    QTest::newRow("institution pick")
        << u"17C(1)|M~Код ЛПУ~L(2)@n_4@?35L(1)|M~Название~L(2)@s200@"_s << 2 << 0
        << QStringList{u"0.align=C(1)"_s, u"0.heading=Код ЛПУ"_s, u"0.hAlign=L(2)"_s,
                       u"0.flags=|M?"_s, u"1.flags=|M"_s};
    QTest::newRow("institution list")
        << u"15L|M~N~L(1)@n_3@?18L|M~код~L(1)@s7@E(0808080H,,,)?54L(1)|M~район~L(2)E(,0FFFFE1H,,)31L(1)|M~вид~L(2)14L(1)|M~село~L(2)@s5@141L(1)|M~учреждение~L(2)@s50@E(,0F0FFF0H,,)"_s
        << 6 << 0
        << QStringList{u"0.flags=|M?"_s,   u"0.picture=@n_3"_s, u"1.flags=|M?"_s, u"1.fg=#808080"_s,
                       u"2.flags=|M"_s,    u"2.picture=-"_s,    u"2.fg=-"_s,      u"2.bg=#e1ffff"_s,
                       u"4.picture=@s5"_s, u"5.width=141"_s,    u"5.bg=#f0fff0"_s};

    // Report entry, with two value columns appended as the entry window builds them.
    QTest::newRow("entry rows, long name")
        << u"16L|FM~Nстроки~@s9@7L(1)|F~Ош.~L(0)@s1@E(0FFH,,,)160L|F_M~Название~@S100@E(,0E6FFFFH,,)7C|F_M@S1@"_s
        << 4 << 4
        << QStringList{u"0.flags=|MF"_s,     u"1.flags=|F"_s,  u"1.fg=#ff0000"_s, u"2.bg=#ffffe6"_s,
                       u"2.picture=@s100"_s, u"3.heading=-"_s, u"3.align=C(0)"_s};
    QTest::newRow("entry rows, codes")
        << u"16L|FM~Nстроки~@s9@7L(1)|F~Ош.~L(0)@s1@E(0FFH,,,)160L|F_M~Название~@S100@E(,0E6FFFFH,,)40L|F_M@S30@"_s
        << 4 << 4 << QStringList{u"3.width=40"_s, u"3.picture=@s30"_s};
    QTest::newRow("entry rows, narrow")
        << u"16L|FM~Nстроки~@s9@7L(1)|F~Ош.~L(0)@s1@E(0FFH,,,)80L|F_M~Название~@S100@E(,0E6FFFFH,,)7C|F_M@S1@"_s
        << 4 << 4 << QStringList{u"2.width=80"_s};
    QTest::newRow("entry rows, narrow codes")
        << u"16L|FM~Nстроки~@s9@7L(1)|F~Ош.~L(0)@s1@E(0FFH,,,)80L|F_M~Название~@S100@E(,0E6FFFFH,,)25L|F_M@S30@"_s
        << 4 << 4 << QStringList{u"3.width=25"_s};
    QTest::newRow("entry with value columns")
        << u"16L|FM~Nстроки~@s9@7L(1)|F~Ош.~L(0)@s1@E(0FFH,,,)160L|F_M~Название~@S100@E(,0E6FFFFH,,)7C|F_M@S1@43R|_M~1Всего~L@n_12@E(,099FFCCH,,)43C|_M~2Женщин~L@n_12.1@"_s
        << 6 << 4 << QStringList{u"4.align=R(0)"_s,      u"4.hAlign=L(0)"_s, u"4.heading=1Всего"_s,
                                 u"4.bg=#ccff99"_s,      u"4.flags=|_M"_s,   u"5.align=C(0)"_s,
                                 u"5.picture=@n_12.1"_s, u"5.bg=-"_s};

    // Lists of the control procedures.
    QTest::newRow("blank forms") << u"55L(1)|M~имя файла~@s50@E(,0E8FFFFH,,)100L(1)M~Форма~@s200@"_s
                                 << 2 << 0 << QStringList{u"0.bg=#ffffe8"_s, u"1.flags=M"_s};
    QTest::newRow("check failures")
        << u"15L|M~код~@s4@21L|M~Таблица~@s5@E(,0BDFFDEH,,)21L(1)|M~Откл~L(0)@s12@E(080H,,,)200L(1)M~наименование~@s220@"_s
        << 4 << 0 << QStringList{u"1.bg=#deffbd"_s, u"2.fg=#800000"_s, u"3.picture=@s220"_s};
    QTest::newRow("inter-form formulas")
        << u"13L(1)|_FM~Код~@n_3@E(,0FFFFFFH,,)/255L|_M~Наименование~L(30)@S250@E(,0DFFFFFH,,)20L(1)|_M~Формула~L(48)@S250@E(0800000H,0FFFFFFH,,)"_s
        << 3 << 1 << QStringList{u"0.flags=|_MF/"_s, u"0.bg=#ffffff"_s, u"1.hAlign=L(30)"_s,
                                 u"1.flags=|_M"_s,   u"2.fg=#000080"_s, u"2.bg=#ffffff"_s};
    QTest::newRow("inter-form results")
        << u"15L(1)|M~код~@n_4@43L(1)|M~ЛПУ~L(0)@s50@E(,0D5FFFFH,,)29L(1)|@S10@15C(1)|M~Отклонение~L(0)@S10@E(0FFH,,,)100L(1)|@S100@"_s
        << 5 << 0
        << QStringList{u"2.flags=|"_s, u"2.heading=-"_s, u"3.align=C(1)"_s, u"3.fg=#ff0000"_s};
    QTest::newRow("intra-form forms")
        << u"30L(1)|_FM~Код~@n_3@E(,0FFFFFFH,,)/19L(1)|_FM~марк~L(0)@n_3@E(0FFH,0FFFFFFH,,)/255L|_M~Наименование~L(30)@S250@"_s
        << 3 << 2 << QStringList{u"1.flags=|_MF/"_s, u"1.fg=#ff0000"_s, u"1.bg=#ffffff"_s};
    QTest::newRow("intra-form results")
        << u"21L|M~контр~@s5@E(0800000H,,,)18L|M~код~@n_4@E(,0D5FFFFH,,)70L(1)|M~ЛПУ~L(0)@s50@E(,0D5FFFFH,,)29C(1)|M~Форма~L(0)@S4@10L(1)|M~Откл~L(0)@S12@E(080H,,,)100L(1)|M@S100@"_s
        << 6 << 0 << QStringList{u"0.fg=#000080"_s, u"3.align=C(1)"_s, u"5.heading=-"_s};
    QTest::newRow("controls by columns")
        << u"26L(2)|M~Код~@s5@29L(3)|M~таблица~L(0)@s5@24L(1)|M~строка~L(0)@s10@E(0800000H,,,)27L(3)|M~контроль~L(2)@s100@"_s
        << 4 << 0 << QStringList{u"0.align=L(2)"_s, u"0.hAlign=L(2)"_s, u"3.hAlign=L(2)"_s};
    QTest::newRow("controls by rows")
        << u"23L(1)|M~Код контроля~L(0)@s5@31L(2)|M~таблица~L(0)@s5@19L(2)|M~графа~L(0)@s3@E(0800000H,,,)185L(2)|M~контроль~@s105@"_s
        << 4 << 0 << QStringList{u"3.width=185"_s, u"3.hAlign=L(2)"_s};
    QTest::newRow("controls between tables")
        << u"17L(2)|M~unicod~@s5@24L(2)|M~табл~@s5@31L(2)|M~CodStr~@s10@20L(1)|M~Nграфы~L(0)@s3@25L|M@s200@"_s
        << 5 << 0 << QStringList{u"4.heading=-"_s, u"4.picture=@s200"_s};

    // Lists of the summaries and analyses, some built from catalogue data.
    QTest::newRow("report list")
        << u"12L|M~N~L(1)@n_3@E(0808080H,,,)20C|M~КодЛПУ~L(2)@s5@E(04000H,,,)17L(1)|M~Период~L(0)E(0800000H,,,)12C|ME(0C4H,0CCFFFFH,,)62L(1)|M~район~L(2)E(,0FFFFE1H,,)25L(1)|M~вид~L(2)19L(1)|M~село~L(0)19L(1)|M~УровМП~L(0)123L(1)|M~учреждение~L(2)@s100@E(,0F0FFF0H,,)"_s
        << 9 << 0 << QStringList{u"1.fg=#004000"_s, u"2.picture=-"_s,    u"2.fg=#000080"_s,
                                 u"3.heading=-"_s,  u"3.width=12"_s,     u"3.fg=#c40000"_s,
                                 u"3.bg=#ffffcc"_s, u"8.picture=@s100"_s};
    QTest::newRow("summary by table")
        << u"16L|FM~Nстроки~@s9@7L(1)|F~Ош.~L(0)@s1@E(0FFH,,,)220L|F_M~Наименование~@S150@E(,0E6FFFFH,,)7C|F_M~ ~@S1@43C|_M~1Всего~L@n_12@E(,0FFFFD7H,,)43R|_M~2Детей~L@n_12@"_s
        << 6 << 4
        << QStringList{u"3.heading= "_s, u"4.bg=#d7ffff"_s, u"5.align=R(0)"_s,
                       u"5.picture=@n_12"_s};
    QTest::newRow("summary by forms")
        << u"15L(1)|_FM@s4@45L(1)|_FM~Регион~@s50@20C|_M~12~@s4@20C|_M~30~@s4@"_s << 4 << 2
        << QStringList{u"0.heading=-"_s, u"2.heading=12"_s, u"3.picture=@s4"_s};
    QTest::newRow("indicator rows")
        << u"17L(1)|M~Код строки~@s10@7L(1)|M@s1@E(0FFH,,0FFH,)7L(1)|M@s1@20L(1)|M~Наименование~C@s150@"_s
        << 4 << 0
        << QStringList{u"1.fg=#ff0000"_s, u"1.bg=-"_s, u"1.sfg=#ff0000"_s, u"3.hAlign=C(0)"_s};
    QTest::newRow("indicator output")
        << u"9L|_FM~N~L@s10@45L|_FM~РЕГИОН~L@S150@E(,0DFFFFFH,,)40L|_M~2011г.~@S15@40L|_M~2012г.~@S15@"_s
        << 4 << 2 << QStringList{u"0.hAlign=L(0)"_s, u"2.heading=2011г."_s};
    QTest::newRow("cross-section grid")
        << u"16C|_FM~Nстроки~L@s9@E(,0CCFFFFH,,)80L(2)|_M~Название~L@S120@7C|M@S1@20C|_M~1Всего~L@S10@20C|_M~2Детей~L@S1@"_s
        << 5 << 1
        << QStringList{u"0.align=C(0)"_s, u"0.hAlign=L(0)"_s, u"2.flags=|M"_s, u"3.width=20"_s,
                       u"4.picture=@s1"_s};
    QTest::newRow("cross-section result")
        << u"70L|_FM~Регион~L@S20@E(,0FFFFE1H,,)1L|_M~ ~L@S40@E(,0F0FFF0H,,)40C|_M~1~@S12@40C|_M~2~@S12@"_s
        << 4 << 1 << QStringList{u"1.width=1"_s, u"3.heading=2"_s, u"3.align=C(0)"_s};
    QTest::newRow("submitting institutions")
        << u"29L(1)|M~КодУчр~L(0)@s10@65L(2)|M~Регион~@s20@67L(2)|M~Вид ЛПУ~@s20@167L(2)|M~Учреждение~@s100@73L(2)|M~Отчетный период~@S20@"_s
        << 5 << 0 << QStringList{u"4.heading=Отчетный период"_s};
    QTest::newRow("indicator list")
        << u"11C|FM@s3@15L(1)|FM~Форма~L(0)@s3@E(,0CEFFFFH,,)15L(1)|M~тип~L(0)@n2@283L(1)|FM~Наименование~C@s150@"_s
        << 4 << 2 << QStringList{u"2.picture=@n2"_s, u"3.flags=|MF"_s};
    QTest::newRow("rating")
        << u"15L(1)|_FM~N~L(0)@s7@E(,0CEFFFFH,,)200L(1)|_FM~Учреждение~C(2)@s100@39R(2)|_M~Рейтинг~L(0)@s10@E(080H,0DDFFFFH,,)50R(5)|_M~Стационар~L(0)@s50@"_s
        << 4 << 2
        << QStringList{u"2.align=R(2)"_s, u"2.fg=#800000"_s, u"2.bg=#ffffdd"_s, u"3.align=R(5)"_s};
    QTest::newRow("rating indicators")
        << u"15L(1)|FM~КодСтроки~L(0)@s7@10L(1)|M~ЕдИзм.~L(0)@s27@84L(1)|FM~Наименование~C@s150@E(0800000H,,,)24R|M~Норма~L@s20@E(,0DDFFDDH,,)35R(1)|M~Больница 1~L(0)@s30@"_s
        << 5 << 1 << QStringList{u"2.fg=#000080"_s, u"3.bg=#ddffdd"_s};
    QTest::newRow("institution sets")
        << u"21L(1)|M~код~?100L(1)M~наименование~@s200@"_s << 2 << 0
        << QStringList{u"0.flags=|M?"_s, u"0.picture=-"_s, u"1.flags=M"_s};
    QTest::newRow("institution set members")
        << u"12L|M~N~L(1)@n_3@?16L|M~код~L(1)@s7@E(0808080H,,,)?16L|M~входящие~@s7@E(0808080H,,,)?9C|M@s1@E(0C4H,0CCFFFFH,,)37L(1)|M~район~E(,0FFFFE1H,,)24L(1)|M~вид~14L(1)|M~село~@s5@145L(1)|M~учреждение~@s50@E(,0F0FFF0H,,)14L|M~Тип~@s7@E(0808040H,,,)?16L|M~Год открыти~@n_4@E(0808040H,,,)?16L|M~Год закрытия~@n_4@E(0808040H,,,)?"_s
        << 11 << 0
        << QStringList{u"2.flags=|M?"_s,   u"3.flags=|M"_s,   u"3.heading=-"_s, u"3.picture=@s1"_s,
                       u"4.hAlign=L(1)"_s, u"8.fg=#408080"_s, u"10.flags=|M?"_s};
    QTest::newRow("choice list") << u"20L(2)|M@s17@"_s << 1 << 0
                                 << QStringList{u"0.heading=-"_s, u"0.align=L(2)"_s};
    QTest::newRow("rank table")
        << u"16L|_M~Стр~@S10@148L(2)|_M~Название~L(0)@S70@49L|_M~Данные~@S12@26L|_M~Ранг~@S10@43L|_M~Диапазон~@S12@43L|_M~рег~@S12@"_s
        << 6 << 0 << QStringList{u"1.align=L(2)"_s, u"1.hAlign=L(0)"_s, u"5.heading=рег"_s};

    // Elements no list of the program uses yet.
    QTest::newRow("rarer elements")
        << u"10D(2)|*YIZ(3)#4#~a~R@n9.2@20l(1)m~b~c"_s << 2 << 0
        << QStringList{u"0.align=D(2)"_s, u"0.hAlign=R(0)"_s, u"0.picture=@n9.2"_s,
                       u"1.align=L(1)"_s, u"1.flags=M"_s,     u"1.hAlign=C(0)"_s};
}

void ListFormatTest::parse()
{
    QFETCH(QString, text);
    QFETCH(int, columns);
    QFETCH(int, fixed);
    QFETCH(QStringList, probes);

    const auto format = ListFormat::parse(text);
    QVERIFY2(format.has_value(), qPrintable(format ? QString() : format.error().message));
    QCOMPARE(format->columnCount(), columns);
    QCOMPARE(format->fixedColumnCount(), fixed);
    for (const QString &probe : probes) {
        const qsizetype dot = probe.indexOf(u'.');
        const qsizetype eq = probe.indexOf(u'=');
        const int column = probe.left(dot).toInt();
        const QString name = probe.mid(dot + 1, eq - dot - 1);
        QCOMPARE(u"%1.%2=%3"_s.arg(column).arg(name, attribute(format->column(column), name)),
                 probe);
    }

    // Written back, the format reads as the same columns.
    const auto again = ListFormat::parse(format->toString());
    QVERIFY2(again.has_value(), qPrintable(format->toString()));
    QCOMPARE(again->toString(), format->toString());
    QCOMPARE(again->columnCount(), columns);
}

void ListFormatTest::refused_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("position"); // from 1, as the message gives it

    QTest::newRow("empty") << QString() << 1;
    QTest::newRow("no width") << u"L|M"_s << 1;
    QTest::newRow("no alignment") << u"15"_s << 3;
    QTest::newRow("unknown alignment") << u"15X"_s << 3;
    QTest::newRow("indent not closed") << u"15L(1|M"_s << 6;
    QTest::newRow("heading not closed") << u"15L|M~код"_s << 6;
    QTest::newRow("picture not closed") << u"15L|M@n_3"_s << 6;
    QTest::newRow("picture refused") << u"15L|M@x9@"_s << 6;
    QTest::newRow("five colours") << u"15L|ME(0FFH,,,,)"_s << 6;
    QTest::newRow("colour not a number") << u"15L|ME(0FXH,,,)"_s << 6;
    QTest::newRow("colour too large") << u"15L|ME(1000000H,,,)"_s << 6;
    QTest::newRow("E without parenthesis") << u"15L|ME0FFH"_s << 7;
    QTest::newRow("unknown element") << u"15L|Q"_s << 5;
    QTest::newRow("blank between columns") << u"15L 20L"_s << 4;
    QTest::newRow("second heading") << u"15L~a~~b~"_s << 7;
    QTest::newRow("width too large") << u"1000000L"_s << 1;
    QTest::newRow("field 0") << u"15L#0#"_s << 4;
    QTest::newRow("second column broken") << u"15L|M~код~@s4@20"_s << 17;
}

void ListFormatTest::refused()
{
    QFETCH(QString, text);
    QFETCH(int, position);

    const auto format = ListFormat::parse(text);
    QVERIFY(!format.has_value());
    QCOMPARE(format.error().code, ErrorCode::InvalidData);
    QCOMPARE(format.error().where, text);
    QVERIFY2(format.error().message.contains(u"позиция %1:"_s.arg(position)),
             qPrintable(format.error().message));
}

void ListFormatTest::colors_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("name"); // "-": the list's own colour

    QTest::newRow("empty") << QString() << u"-"_s;
    QTest::newRow("blank") << u"  "_s << u"-"_s;
    QTest::newRow("red, hexadecimal") << u"0FFH"_s << u"#ff0000"_s;
    QTest::newRow("blue") << u"0FF0000H"_s << u"#0000ff"_s;
    QTest::newRow("green, lower-case h") << u"0FF00h"_s << u"#00ff00"_s;
    QTest::newRow("pale cyan") << u"0FFFFE1H"_s << u"#e1ffff"_s;
    QTest::newRow("red, decimal") << u"255"_s << u"#ff0000"_s;
    QTest::newRow("white") << u"0FFFFFFH"_s << u"#ffffff"_s;
}

void ListFormatTest::colors()
{
    QFETCH(QString, text);
    QFETCH(QString, name);

    const auto color = ListFormat::parseColor(text);
    QVERIFY(color.has_value());
    QCOMPARE(colorName(*color), name);
    if (color->isValid())
        QCOMPARE(ListFormat::parseColor(ListFormat::colorText(*color))->name(), name);
}

QTEST_GUILESS_MAIN(ListFormatTest)
#include "test_listformat.moc"
