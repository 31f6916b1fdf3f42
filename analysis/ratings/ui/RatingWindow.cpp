#include "analysis/ratings/ui/RatingWindow.h"

#include "analysis/common/ui/ProcedureWindow.h"
#include "analysis/indicators/IndicatorDisplay.h"
#include "runtime/core/Prompter.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/ListFormat.h"
#include "runtime/ui/ProgressWindow.h"
#include "runtime/ui/QueueModel.h"
#include "runtime/ui/WindowParts.h"
#include "shell/AppState.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

namespace zemor::analysis::ui {

using namespace Qt::StringLiterals;
using runtime::ui::commandButton;
using runtime::ui::createControl;

namespace {

const QString listFormat = u"11C|FM@s3@15L(1)|FM~Форма~L(0)@s3@E(,0CEFFFFH,,)15L(1)|M~тип~L(0)"
                           u"@n2@283L(1)|FM~Наименование~C@s150@"_s;

constexpr int defaultType = 3;

QString failureText(const runtime::Error &error)
{
    return error.where.isEmpty() ? error.message : error.where + u": "_s + error.message;
}

QSpinBox *numberField(QWidget *parent, const QString &equate, int digits, int value)
{
    auto *field = createControl<QSpinBox>(parent, equate);
    field->setRange(0, digits == 4 ? 9999 : 99);
    field->setValue(value);
    field->setButtonSymbols(QAbstractSpinBox::NoButtons);
    field->setAlignment(Qt::AlignRight);
    field->setMaximumWidth(field->fontMetrics().horizontalAdvance(QString(digits + 2, u'0')) + 12);
    return field;
}

} // namespace

QWidget *RatingWindow::run(data::DataContext &context, const shell::ui::Services &services,
                           OpenRankTable openRankTable, bool ownWindow, QWidget *parent)
{
    auto *window = new RatingWindow(context, services, std::move(openRankTable), parent);
    if (!window->load()) {
        delete window;
        return nullptr;
    }
    return openProcedureWindow(window, ownWindow);
}

RatingWindow::RatingWindow(data::DataContext &context, shell::ui::Services services,
                           OpenRankTable openRankTable, QWidget *parent)
    : QDialog(parent), m_context(context), m_services(std::move(services)),
      m_openRankTable(std::move(openRankTable))
{
    setObjectName(u"P1$SCRY"_s);
    setWindowTitle(title());
    auto *layout = new QVBoxLayout(this);

    auto *top = new QHBoxLayout;
    m_year = numberField(this, u"?YEAR1"_s, 4, m_services.state.globYear);
    top->addWidget(m_year);
    top->addSpacing(12);
    top->addWidget(new QLabel(u"месяцы"_s, this));
    m_firstMonth = numberField(this, u"?MES1"_s, 2, 0);
    m_lastMonth = numberField(this, u"?MES2"_s, 2, 0);
    top->addWidget(m_firstMonth);
    top->addWidget(m_lastMonth);
    top->addSpacing(12);
    auto *ok = commandButton(this, u"?OK_1"_s, u"OK"_s);
    top->addWidget(ok);
    top->addSpacing(12);
    m_corrected = createControl<QCheckBox>(this, u"?NORMA_2"_s, u"скорректированный"_s);
    m_corrected->setChecked(true);
    top->addWidget(m_corrected);
    top->addStretch(1);
    layout->addLayout(top);

    auto *view = createControl<QTableView>(this, u"?LIST1"_s);
    layout->addWidget(view, 1);
    m_model = new runtime::ui::QueueModel(4, this);
    const auto format = runtime::ui::ListFormat::parse(listFormat);
    Q_ASSERT(format);
    m_binding =
        new runtime::ui::ListBinding(view, m_model, format.value_or(runtime::ui::ListFormat()));
    m_binding->setDoubleClickAction(runtime::ui::ListBinding::DoubleClick::Choose);

    auto *types = createControl<QGroupBox>(this, u"?TIP_RASH_QI:2"_s, u"Тип расчета индикаторов"_s);
    auto *typeLayout = new QVBoxLayout(types);
    for (int t = 1; t <= 6; ++t) {
        auto *radio = new QRadioButton(ratingTypeText(t), types);
        radio->setObjectName(u"?TIP_RASH_QI:2:RADIO%1"_s.arg(t));
        radio->setChecked(t == defaultType);
        typeLayout->addWidget(radio);
        m_types[size_t(t - 1)] = radio;
    }
    layout->addWidget(types);
    layout->addWidget(new QLabel(normsNote(), this));

    connect(ok, &QPushButton::clicked, this, &RatingWindow::rate);
    connect(m_binding, &runtime::ui::ListBinding::chosen, this, [this](int) { rate(); });
    resize(900, 600);
}

bool RatingWindow::load()
{
    const auto read = RatingData(m_context).indicators();
    if (!read) {
        m_services.prompter.message(failureText(read.error()), title(), {},
                                    runtime::MessageIcon::Error);
        return false;
    }
    m_indicators = *read;
    QList<QVariantList> lines;
    for (const RatingIndicator &i : std::as_const(m_indicators))
        lines.append({i.id, i.form, i.tip, i.name});
    m_model->setLines(std::move(lines));
    m_binding->widenToContents({0, 1, 2});
    m_binding->selectRow(m_indicators.isEmpty() ? -1 : 0);
    return true;
}

std::optional<RatingRequest> RatingWindow::request() const
{
    const int row = m_binding->currentRow();
    if (row < 0 || row >= m_indicators.size())
        return std::nullopt;
    RatingRequest request;
    request.indicator = m_indicators[row];
    request.year = m_year->value();
    request.firstMonth = m_firstMonth->value();
    request.lastMonth = m_lastMonth->value();
    request.type = defaultType;
    for (int t = 1; t <= 6; ++t)
        if (m_types[size_t(t - 1)]->isChecked())
            request.type = t;
    return request;
}

std::optional<RatingRun> RatingWindow::compute()
{
    const auto wanted = request();
    if (!wanted)
        return std::nullopt;
    runtime::Prompter &prompter = m_services.prompter;
    const auto fail = [&](const runtime::Error &error) {
        if (error.code != runtime::ErrorCode::Cancelled)
            prompter.message(failureText(error), title(), {}, runtime::MessageIcon::Error);
    };

    runtime::ui::ProgressWindow progress(wanted->indicator.name.trimmed(), this);
    auto outcome = RatingData(m_context, &progress).rate(*wanted);
    progress.finish();
    if (!outcome) {
        fail(outcome.error());
        return std::nullopt;
    }
    for (const QString &message : std::as_const(outcome->messages))
        prompter.message(message, {});
    if (outcome->missingSet)
        return std::nullopt;

    if (wanted->indicator.perDistrict() && !m_districtNamesRead) {
        const auto names = readPlaceNames(m_context);
        if (!names) {
            fail(names.error());
            return std::nullopt;
        }
        m_districtNames = names->districts;
        m_districtNamesRead = true;
    }
    return std::move(outcome->run);
}

void RatingWindow::rate()
{
    auto run = compute();
    if (!run)
        return;
    RatingOutputWindow window(std::move(*run), m_districtNames, m_services, m_openRankTable, this);
    window.exec();
}

} // namespace zemor::analysis::ui
