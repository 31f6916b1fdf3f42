#include "analysis/common/ui/MapWindow.h"

#include "data/DataContext.h"
#include "runtime/core/Prompter.h"
#include "runtime/office/DesktopOpener.h"
#include "runtime/ui/Controls.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zemor::analysis::ui {

using namespace Qt::StringLiterals;
using runtime::ui::createControl;

namespace {

// A group of radio buttons with the values 1..n; the group box carries the equate.
QButtonGroup *radioGroup(QWidget *window, QVBoxLayout *layout, const QString &equate,
                         const QString &caption, const QStringList &labels, int checked)
{
    auto *box = createControl<QGroupBox>(window, equate, caption);
    auto *boxLayout = new QHBoxLayout(box);
    auto *group = new QButtonGroup(box);
    for (int i = 0; i < labels.size(); ++i) {
        auto *radio = new QRadioButton(labels.at(i), box);
        radio->setObjectName(equate + u':' + QString::number(i + 1));
        group->addButton(radio, i + 1);
        boxLayout->addWidget(radio);
        radio->setChecked(i + 1 == checked);
    }
    boxLayout->addStretch();
    layout->addWidget(box);
    return group;
}

} // namespace

MapWindow::MapWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName(u"P1$SCRL"_s);
    setWindowTitle(title());
    setModal(true);
    const MapOptions defaults;

    auto *layout = new QVBoxLayout(this);
    m_valueTable = createControl<QCheckBox>(this, u"?T1"_s, u"таблица со значениями"_s);
    m_valueTable->setChecked(defaults.valueTable);
    layout->addWidget(m_valueTable);
    m_title = createControl<QCheckBox>(this, u"?T2"_s, u"название показателя"_s);
    m_title->setChecked(defaults.title);
    layout->addWidget(m_title);
    m_titleSize = radioGroup(this, layout, u"?T3"_s, u"шрифт"_s,
                             {u"мелкий"_s, u"средний"_s, u"крупный"_s}, defaults.titleSize);
    m_legend = createControl<QCheckBox>(this, u"?LEG"_s, u"Легенда"_s);
    m_legend->setChecked(defaults.legend);
    layout->addWidget(m_legend);
    QStringList sets;
    for (int s = 1; s <= IndicatorMap::pictureSetCount; ++s)
        sets.append(QString::number(s));
    m_pictureSet = radioGroup(this, layout, u"?LEG1"_s, {}, sets, defaults.pictureSet);
    m_regionValue = createControl<QCheckBox>(this, u"?SRPOK"_s, u"Показатель по области"_s);
    m_regionValue->setChecked(defaults.regionValue);
    layout->addWidget(m_regionValue);

    auto *buttons = new QHBoxLayout;
    auto *ok = createControl<QPushButton>(this, u"?OKBUTTON"_s, u"&OK"_s);
    auto *cancel = createControl<QPushButton>(this, u"?CANCELBUTTON"_s, u"&Cancel"_s);
    ok->setDefault(true);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

MapOptions MapWindow::options() const
{
    MapOptions options;
    options.valueTable = m_valueTable->isChecked();
    options.title = m_title->isChecked();
    options.titleSize = m_titleSize->checkedId() > 0 ? m_titleSize->checkedId() : 1;
    options.legend = m_legend->isChecked();
    options.pictureSet = m_pictureSet->checkedId() > 0 ? m_pictureSet->checkedId() : 1;
    options.regionValue = m_regionValue->isChecked();
    return options;
}

bool MapWindow::run(const IndicatorMapSource &source, runtime::Prompter &prompter,
                    runtime::office::DesktopOpener *desktop, QWidget *parent)
{
    MapOptions options;
    {
        MapWindow window(parent);
        if (window.exec() != QDialog::Accepted)
            return false;
        options = window.options();
    }
    QHash<int, QString> names;
    if (options.valueTable) {
        // Failures come back here and are told once, with the map's caption.
        data::DataContext context;
        auto read = readDistrictNames(context);
        if (!read) {
            prompter.message(
                u"Карта не записана: %1|%2"_s.arg(read.error().where, read.error().message),
                title(), {}, runtime::MessageIcon::Error);
            return false;
        }
        names = std::move(*read);
    }
    // The page is shown through this, so that a browser that does not start is told apart
    // from a page that was not written (which the map has told already).
    struct Browser final : runtime::office::DesktopOpener
    {
        runtime::office::DesktopOpener *desktop = nullptr;
        bool asked = false;
        runtime::Status open(const QString &path) override
        {
            asked = true;
            return desktop ? desktop->open(path) : runtime::Status{};
        }
    } browser;
    browser.desktop = desktop;
    const IndicatorMap map(source);
    const runtime::Status shown = map.show(options, names, prompter, &browser);
    if (!browser.asked)
        return false;
    if (!shown)
        prompter.message(shown.error().message, title(), {}, runtime::MessageIcon::Error);
    return true;
}

} // namespace zemor::analysis::ui
