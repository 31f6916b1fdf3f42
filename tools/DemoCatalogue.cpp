#include "tools/DemoCatalogue.h"
#include "tools/DemoForm62.h"

namespace zemor::tools {

const DemoInstitution *DemoReference::institution(int code) const
{
    for (const DemoInstitution &inst : institutions) {
        if (inst.code == code)
            return &inst;
    }
    return nullptr;
}

int DemoTable::position(int rowId) const
{
    for (int i = 0; i < rows.size(); ++i) {
        if (rows[i].id == rowId)
            return i + 1;
    }
    return 0;
}

const DemoTable *DemoForm::table(int code) const
{
    for (const DemoTable &t : tables) {
        if (t.code == code)
            return &t;
    }
    return nullptr;
}

const DemoTable *DemoForm::tableOfRow(int rowId) const
{
    for (const DemoTable &t : tables) {
        if (t.position(rowId) > 0)
            return &t;
    }
    return nullptr;
}

const DemoForm *DemoCatalogue::form(int code) const
{
    for (const DemoForm &f : forms) {
        if (f.code == code)
            return &f;
    }
    return nullptr;
}

const DemoColumnRule *DemoCatalogue::columnRule(int id) const
{
    for (const DemoColumnRule &r : columnRules) {
        if (r.id == id)
            return &r;
    }
    return nullptr;
}

const DemoRowRule *DemoCatalogue::rowRule(qint64 id) const
{
    for (const DemoRowRule &r : rowRules) {
        if (r.id == id)
            return &r;
    }
    return nullptr;
}

QList<int> demoYears()
{
    return {2025, 2026};
}

namespace {

DemoReference makeReference()
{
    DemoReference ref;
    ref.districts = {
        {1, QStringLiteral("Берёзовский")},
        {2, QStringLiteral("Зареченский")},
        {3, QStringLiteral("Каменский")},
        {4, QStringLiteral("Лесогорский")},
        {5, QStringLiteral("Озёрский")},
        {6, QStringLiteral("Приреченский")},
        {101, QStringLiteral("Таргин")},
        {102, QStringLiteral("Сарвенск")},
        {201, QStringLiteral("Областные учреждения")},
    };
    ref.kinds = {
        {1, QStringLiteral("Центральная районная больница")},
        {2, QStringLiteral("Участковая больница")},
        {3, QStringLiteral("Врачебная амбулатория")},
        {4, QStringLiteral("Городская больница")},
        {5, QStringLiteral("Поликлиника")},
        {6, QStringLiteral("Детская больница")},
        {7, QStringLiteral("Областная больница")},
        {8, QStringLiteral("Диспансер")},
    };

    // Rural districts: a central hospital, three district hospitals and two outpatient
    // clinics each; institution d0k is the k-th of district d.
    const QStringList centres{QStringLiteral("Берёзовская"), QStringLiteral("Зареченская"),
                              QStringLiteral("Каменская"),   QStringLiteral("Лесогорская"),
                              QStringLiteral("Озёрская"),    QStringLiteral("Приреченская")};
    const QStringList villages{
        QStringLiteral("Ольховка"),   QStringLiteral("Дубки"),
        QStringLiteral("Сосновка"),   QStringLiteral("Вязники"),
        QStringLiteral("Каменка"),    QStringLiteral("Луговое"),
        QStringLiteral("Покровка"),   QStringLiteral("Ключи"),
        QStringLiteral("Малиновка"),  QStringLiteral("Ясная Поляна"),
        QStringLiteral("Борки"),      QStringLiteral("Гремячье"),
        QStringLiteral("Заозёрье"),   QStringLiteral("Кедровка"),
        QStringLiteral("Липовка"),    QStringLiteral("Медведево"),
        QStringLiteral("Никольское"), QStringLiteral("Осиновка"),
        QStringLiteral("Песчанка"),   QStringLiteral("Рябиновка"),
        QStringLiteral("Светлое"),    QStringLiteral("Троицкое"),
        QStringLiteral("Ульяновка"),  QStringLiteral("Хвойное"),
        QStringLiteral("Черёмушки"),  QStringLiteral("Широкое"),
        QStringLiteral("Юрьевка"),    QStringLiteral("Яблоневка"),
        QStringLiteral("Белый Яр"),   QStringLiteral("Верхняя Тура"),
    };
    const int openings[] = {1962, 1975, 1987, 1999, 2004, 1958, 1981};
    int village = 0;
    for (int d = 1; d <= 6; ++d) {
        const int base = d * 100;
        ref.institutions.append(
            {base + 1, d, 1, centres[d - 1] + QStringLiteral(" ЦРБ"), 1, 2, openings[d % 7], 0});
        for (int k = 2; k <= 4; ++k) {
            ref.institutions.append(
                {base + k, d, 2, QStringLiteral("Участковая больница с. ") + villages[village++], 2,
                 1, openings[(d + k) % 7], 0});
        }
        for (int k = 5; k <= 6; ++k) {
            ref.institutions.append(
                {base + k, d, 3, QStringLiteral("Врачебная амбулатория с. ") + villages[village++],
                 k == 5 ? 3 : 2, 1, openings[(d * k) % 7], 0, base + 1});
        }
    }
    // An outpatient clinic that closed at the end of 2025, and one that opened in 2026.
    for (DemoInstitution &inst : ref.institutions) {
        if (inst.code == 206)
            inst.closedYear = 2025;
    }
    ref.institutions.append(
        {407, 4, 3, QStringLiteral("Врачебная амбулатория пос. Новый"), 3, 1, 2026, 0, 401});

    const QString targ = QStringLiteral(" г. Таргин");
    ref.institutions.append(
        {701, 101, 4, QStringLiteral("Городская больница № 1") + targ, 1, 2, 1949, 0});
    ref.institutions.append(
        {702, 101, 4, QStringLiteral("Городская больница № 2") + targ, 1, 2, 1968, 0});
    ref.institutions.append(
        {703, 101, 5, QStringLiteral("Городская поликлиника № 1") + targ, 1, 2, 1972, 0});
    ref.institutions.append(
        {704, 101, 5, QStringLiteral("Городская поликлиника № 2") + targ, 1, 2, 1985, 0});
    ref.institutions.append(
        {705, 101, 5, QStringLiteral("Городская поликлиника № 3") + targ, 1, 2, 2001, 0});
    ref.institutions.append(
        {706, 101, 6, QStringLiteral("Детская городская больница") + targ, 1, 2, 1977, 0});

    const QString sarv = QStringLiteral(" г. Сарвенск");
    ref.institutions.append(
        {801, 102, 4, QStringLiteral("Городская больница") + sarv, 1, 2, 1955, 0});
    ref.institutions.append(
        {802, 102, 5, QStringLiteral("Городская поликлиника") + sarv, 1, 2, 1969, 0});
    ref.institutions.append(
        {803, 102, 5, QStringLiteral("Детская поликлиника") + sarv, 1, 2, 1983, 0});
    ref.institutions.append(
        {804, 102, 5, QStringLiteral("Стоматологическая поликлиника") + sarv, 1, 2, 1990, 0});
    ref.institutions.append({805, 102, 4, QStringLiteral("Родильный дом") + sarv, 1, 2, 1974, 0});

    ref.institutions.append(
        {901, 201, 7, QStringLiteral("Областная клиническая больница"), 1, 3, 1938, 0});
    ref.institutions.append(
        {902, 201, 6, QStringLiteral("Областная детская клиническая больница"), 1, 3, 1966, 0});
    ref.institutions.append(
        {903, 201, 8, QStringLiteral("Областной онкологический диспансер"), 1, 3, 1959, 0});
    ref.institutions.append(
        {904, 201, 8, QStringLiteral("Областной противотуберкулёзный диспансер"), 1, 3, 1947, 0});
    ref.institutions.append(
        {905, 201, 8, QStringLiteral("Областной кожно-венерологический диспансер"), 1, 3, 1961, 0});
    ref.institutions.append(
        {906, 201, 8, QStringLiteral("Областной психоневрологический диспансер"), 1, 3, 1970, 0});
    ref.institutions.append(
        {907, 201, 5, QStringLiteral("Областная стоматологическая поликлиника"), 1, 3, 1988, 0});

    // Attached units: code 7000 + the institution they belong to.
    ref.institutions.append(
        {7101, 1, 5, QStringLiteral("Поликлиника Берёзовской ЦРБ"), 1, 2, 1979, 0, 101});
    ref.institutions.append(
        {7301, 3, 6, QStringLiteral("Детское отделение Каменской ЦРБ"), 1, 2, 1993, 0, 301});
    ref.institutions.append(
        {7701, 101, 5, QStringLiteral("Женская консультация ГБ № 1") + targ, 1, 2, 1980, 0, 701});

    ref.installation = {1,
                        3,
                        3,
                        QStringLiteral("Каменский"),
                        QStringLiteral("\\TEMP1\\"),
                        QStringLiteral("C:\\Program Files\\Microsoft Office\\OFFICE11\\"),
                        QStringLiteral("\\export\\"),
                        QStringLiteral("\\import\\")};
    ref.title = QStringLiteral("Мониторинг системы здравоохранения Таргинской области");
    ref.mail = QStringLiteral("stat@miac.targin.example");
    ref.mailTarg = QStringLiteral("gorzdrav@targin.example");
    ref.mailSarv = QStringLiteral("zdrav@sarvensk.example");
    return ref;
}

QList<DemoColumn> diseaseColumns()
{
    return {{1, QStringLiteral("Зарегистрировано заболеваний всего"), QStringLiteral("всего"),
             QStringLiteral("@n_9"), 0},
            {2, QStringLiteral("из них у мужчин"), QStringLiteral("мужчины"),
             QStringLiteral("@n_9"), 0},
            {3, QStringLiteral("из них у женщин"), QStringLiteral("женщины"),
             QStringLiteral("@n_9"), 0},
            {4, QStringLiteral("из них с впервые в жизни установленным диагнозом"),
             QStringLiteral("впервые"), QString(), 0}};
}

QList<DemoRow> diseaseRows()
{
    return {{1, QStringLiteral("1"), QStringLiteral("Зарегистрировано заболеваний - всего"),
             QStringLiteral("всего"), QStringLiteral("A00-T98"), QString(), PopulationAll},
            {2, QStringLiteral("1.1"), QStringLiteral("болезни органов дыхания"),
             QStringLiteral("дыхания"), QStringLiteral("J00-J99"), QString(), PopulationAll},
            {3, QStringLiteral("1.2"), QStringLiteral("болезни системы кровообращения"),
             QStringLiteral("кровообращения"), QStringLiteral("I00-I99"), QString(), PopulationAll},
            {4, QStringLiteral("1.3"),
             QStringLiteral("травмы, отравления и другие последствия "
                            "воздействия внешних причин"),
             QStringLiteral("травмы"), QStringLiteral("S00-T98"), QString(), PopulationAll}};
}

DemoCatalogue makeCatalogue()
{
    DemoCatalogue cat;

    DemoForm f12{12,
                 QStringLiteral("Сведения о числе заболеваний, зарегистрированных у пациентов, "
                                "проживающих в районе обслуживания медицинской организации"),
                 QStringLiteral("12"),
                 0,
                 false,
                 QStringLiteral(" до 25 января следующего года"),
                 {}};
    f12.tables.append(
        {1000, QStringLiteral("Взрослые и дети"), QString(), 0, diseaseColumns(), diseaseRows()});
    f12.tables.append(
        {2000,
         QStringLiteral("Дети (0-17 лет включительно)"),
         QString(),
         4,
         {{5, QStringLiteral("Зарегистрировано заболеваний у детей"), QStringLiteral("всего"),
           QStringLiteral("@n_9"), 0},
          {6, QStringLiteral("из них с впервые установленным диагнозом"), QStringLiteral("впервые"),
           QStringLiteral("@n_9"), 0}},
         {{5, QStringLiteral("1"), QStringLiteral("Зарегистрировано заболеваний у детей - всего"),
           QStringLiteral("всего"), QStringLiteral("A00-T98"), QString(), PopulationChildren},
          {6, QStringLiteral("1.1"), QStringLiteral("из них болезни органов дыхания"),
           QStringLiteral("дыхания"), QStringLiteral("J00-J99"), QString(), PopulationChildren}}});

    DemoForm f7{7,
                QStringLiteral("Оперативные сведения о числе зарегистрированных заболеваний"),
                QStringLiteral("7-мес"),
                1,
                false,
                QStringLiteral(" до 5 числа месяца, следующего за отчетным"),
                {}};
    f7.tables.append({1000, QStringLiteral("Заболевания за месяц"), QString(), 0, diseaseColumns(),
                      diseaseRows()});

    DemoForm f14{14,
                 QStringLiteral("Сведения о деятельности подразделений медицинской организации, "
                                "оказывающих медицинскую помощь в стационарных условиях"),
                 QStringLiteral("14-кв"),
                 2,
                 false,
                 QStringLiteral(" до 10 числа месяца, следующего за кварталом"),
                 {}};
    f14.tables.append({1000,
                       QStringLiteral("Коечный фонд и его использование"),
                       QString(),
                       0,
                       {{1, QStringLiteral("Число коек на конец квартала"), QStringLiteral("коек"),
                         QStringLiteral("@n_6"), 3},
                        {2, QStringLiteral("Поступило пациентов"), QStringLiteral("поступило"),
                         QStringLiteral("@n_8"), 0},
                        {3, QStringLiteral("Выписано пациентов"), QStringLiteral("выписано"),
                         QStringLiteral("@n_8"), 0}},
                       {{1, QStringLiteral("1"), QStringLiteral("Всего по стационару"),
                         QStringLiteral("всего"), QString(), QString()},
                        {2, QStringLiteral("1.1"), QStringLiteral("терапевтические"),
                         QStringLiteral("терапия"), QString(), QString()},
                        {3, QStringLiteral("1.2"), QStringLiteral("хирургические"),
                         QStringLiteral("хирургия"), QString(), QString()},
                        {4, QStringLiteral("1.3"), QStringLiteral("гинекологические"),
                         QStringLiteral("гинекология"), QString(), QStringLiteral("ж")}}});
    f14.tables.append(
        {2000,
         QStringLiteral("Использование коечного фонда"),
         QString(),
         3,
         {{4, QStringLiteral("Проведено пациентами койко-дней"), QStringLiteral("койко-дни"),
           QStringLiteral("@n_9"), 0},
          {5, QStringLiteral("Умерло"), QStringLiteral("умерло"), QStringLiteral("@n_6"), 0}},
         {{5, QStringLiteral("1"), QStringLiteral("Всего по стационару"), QStringLiteral("всего"),
           QString(), QString()}}});

    DemoForm f62{62,
                 QStringLiteral("Сведения о ресурсном обеспечении и об оказании медицинской "
                                "помощи населению"),
                 QStringLiteral("62"),
                 0,
                 false,
                 QStringLiteral(" до 20 февраля следующего года"),
                 {}};
    f62.tables.append(
        {1000,
         QStringLiteral("Медицинские кадры"),
         QString(),
         0,
         {{1, QStringLiteral("Штатные должности"), QStringLiteral("штатные"),
           QStringLiteral("@n_10.2"), 0},
          {2, QStringLiteral("Занятые должности"), QStringLiteral("занятые"),
           QStringLiteral("@n_10.2"), 0},
          {3, QStringLiteral("Физические лица"), QStringLiteral("физ. лица"),
           QStringLiteral("@n_8"), 0}},
         {{1, QStringLiteral("1"), QStringLiteral("Врачи - всего"), QStringLiteral("врачи"),
           QString(), QString()},
          {2, QStringLiteral("1.1"), QStringLiteral("из них в сельской местности"),
           QStringLiteral("врачи село"), QString(), QString()},
          {3, QStringLiteral("2"), QStringLiteral("Средний медицинский персонал - всего"),
           QStringLiteral("средние"), QString(), QString()},
          {4, QStringLiteral("2.1"), QStringLiteral("из них в сельской местности"),
           QStringLiteral("средние село"), QString(), QString()}}});
    f62.tables.append({2000,
                       QStringLiteral("Коечный фонд"),
                       QString(),
                       3,
                       {{4, QStringLiteral("Число коек на конец года"), QStringLiteral("на конец"),
                         QStringLiteral("@n_8"), 0},
                        {5, QStringLiteral("Среднегодовое число коек"),
                         QStringLiteral("среднегодовых"), QStringLiteral("@n_10.1"), 0}},
                       {{5, QStringLiteral("1"), QStringLiteral("Коек - всего"),
                         QStringLiteral("всего"), QString(), QString()},
                        {6, QStringLiteral("1.1"), QStringLiteral("круглосуточного стационара"),
                         QStringLiteral("круглосуточные"), QString(), QString()},
                        {7, QStringLiteral("1.2"), QStringLiteral("дневного стационара"),
                         QStringLiteral("дневные"), QString(), QString()}}});
    f62.tables.append({3000,
                       QStringLiteral("Посещения медицинских организаций"),
                       QString(),
                       5,
                       {{6, QStringLiteral("Число посещений - всего"), QStringLiteral("посещений"),
                         QStringLiteral("@n_10"), 0},
                        {7, QStringLiteral("из них с профилактической целью"),
                         QStringLiteral("профилакт."), QStringLiteral("@n_10"), 0}},
                       {{8, QStringLiteral("1"), QStringLiteral("Посещения врачей"),
                         QStringLiteral("врачей"), QString(), QString()}}});

    // Switched off in the forms list: it never appears in the form pick list.
    DemoForm f16{16,
                 QStringLiteral("Сведения о причинах временной нетрудоспособности"),
                 QStringLiteral("16-ВН"),
                 0,
                 true,
                 QStringLiteral(" до 15 января следующего года"),
                 {}};
    f16.tables.append({1000,
                       QStringLiteral("Случаи временной нетрудоспособности"),
                       QString(),
                       0,
                       {{1, QStringLiteral("Число случаев"), QStringLiteral("случаев"),
                         QStringLiteral("@n_8"), 0}},
                       {{1, QStringLiteral("1"), QStringLiteral("Всего по всем причинам"),
                         QStringLiteral("всего"), QString(), QString()}}});

    DemoForm62::extend(f62);
    cat.forms = {f7, f12, f14, f16, f62};

    cat.columnRules = {
        {1, 12, 1000, QStringLiteral("0"), 0, 1, Equal, {2, 3}, QStringLiteral("всего = м + ж")},
        {2,
         12,
         1000,
         QStringLiteral("0"),
         0,
         4,
         LessOrEqual,
         {1},
         QStringLiteral("впервые <= всего")},
        // When no man fell ill (row 1, column 2 is 0), nobody did.
        {3, 12, 1000, QStringLiteral("1"), 1, 2, IfZero, {1}, QStringLiteral("нет м - нет всех")},
        {4,
         12,
         2000,
         QStringLiteral("0"),
         0,
         6,
         LessOrEqual,
         {5},
         QStringLiteral("впервые <= всего")},
        {10, 7, 1000, QStringLiteral("0"), 0, 1, Equal, {2, 3}, QStringLiteral("всего = м + ж")},
        {11,
         7,
         1000,
         QStringLiteral("0"),
         0,
         4,
         LessOrEqual,
         {1},
         QStringLiteral("впервые <= всего")},
        {20,
         14,
         1000,
         QStringLiteral("0"),
         0,
         3,
         LessOrEqual,
         {2},
         QStringLiteral("выписано <= поступ.")},
        {30,
         62,
         1000,
         QStringLiteral("0"),
         0,
         2,
         LessOrEqual,
         {1},
         QStringLiteral("занятые <= штатные")},
        {31,
         62,
         3000,
         QStringLiteral("0"),
         0,
         7,
         LessOrEqual,
         {6},
         QStringLiteral("профил. <= всего")},
    };
    cat.rowRules = {
        {1, 12, 0, 1, Equal, {2, 3, 4}},  {2, 12, 0, 6, LessOrEqual, {5}},
        {10, 7, 0, 1, Equal, {2, 3, 4}},  {20, 14, 0, 1, Equal, {2, 3, 4}},
        {30, 62, 0, 2, LessOrEqual, {1}}, {31, 62, 0, 4, LessOrEqual, {3}},
        {32, 62, 0, 5, Equal, {6, 7}},
    };
    cat.tableRules = {
        // Children's cases are part of all cases.
        {1, 12, 5, 5, LessOrEqual, {{1, 1}}},
        // Every discharged patient spent at least one bed-day.
        {20, 14, 5, 4, GreaterOrEqual, {{1, 3}}},
        // A physician makes at least one visit.
        {30, 62, 8, 6, GreaterOrEqual, {{1, 3}}},
    };
    cat.interFormRules = {
        {1,
         Equal,
         {{{12, 1, 1}}, {{7, -1, 1}}},
         QStringLiteral("Годовые сведения ф.12 равны сумме ежемесячных сведений ф.7"),
         QStringLiteral("Ф12 т1000 с1 г1 - (сумма за 12 месяцев) Ф7 т1000 с1 г1 = 0")},
        {2,
         GreaterOrEqual,
         {{{62, 3, 3}}, {{62, -4, 3}}},
         QStringLiteral("Средний медицинский персонал: всего не меньше, чем на селе"),
         QStringLiteral("Ф62 т1000 с2 г3 - Ф62 т1000 с2.1 г3 >= 0")},
    };
    cat.calculations = {
        {7, 1000, 'g', 10}, {7, 1000, 's', 10},  {12, 1000, 'g', 1},
        {12, 1000, 's', 1}, {14, 1000, 's', 20}, {62, 2000, 's', 32},
    };
    return cat;
}

} // namespace

const DemoReference &demoReference()
{
    static const DemoReference ref = makeReference();
    return ref;
}

const DemoCatalogue &demoCatalogue()
{
    static const DemoCatalogue cat = makeCatalogue();
    return cat;
}

} // namespace zemor::tools
