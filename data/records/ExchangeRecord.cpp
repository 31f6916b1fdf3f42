#include "data/records/ExchangeRecord.h"

#include "data/records/OtchetRecord.h"

using namespace Qt::StringLiterals;

namespace zemor::data {

namespace {

using runtime::store::FieldDef;
using runtime::store::FieldType;
using runtime::store::RecordLayout;

// The report record's fields under the exchange prefix, moved by `shift` bytes; the current
// record puts the form code in front of them.
RecordLayout buildLayout(ExchangeFormat format)
{
    const RecordLayout &report = declaration(OtchetRecord::fileId).layout;
    const bool withForm = format == ExchangeFormat::Current;
    const int shift = withForm ? ExchangeRecord::reportOffset : 0;

    RecordLayout layout;
    layout.label = exchangeFormatName(format);
    layout.prefix = u"OT2"_s;
    layout.size = report.size + shift;
    if (withForm) {
        FieldDef codForm;
        codForm.name = u"OT2:CODFORM"_s;
        codForm.offset = 0;
        codForm.type = FieldType::Decimal;
        codForm.size = 2;
        layout.fields.append(codForm);
    }
    for (FieldDef field : report.fields) {
        field.name = layout.prefix + field.name.mid(field.name.indexOf(u':'));
        field.offset += shift;
        layout.fields.append(field);
    }
    return layout;
}

} // namespace

const RecordLayout &exchangeLayout(ExchangeFormat format)
{
    static const RecordLayout current = buildLayout(ExchangeFormat::Current);
    static const RecordLayout old = buildLayout(ExchangeFormat::Old);
    return format == ExchangeFormat::Current ? current : old;
}

int exchangeRecordSize(ExchangeFormat format)
{
    return format == ExchangeFormat::Current ? ExchangeRecord::recordSize
                                             : ExchangeRecord::oldRecordSize;
}

QString exchangeFormatName(ExchangeFormat format)
{
    return format == ExchangeFormat::Current ? u"ReportExchangeFile"_s : u"OldReportExchangeFile"_s;
}

const ExchangeRecord::Fields &ExchangeRecord::f(ExchangeFormat format)
{
    auto bindFor = [](ExchangeFormat fmt) {
        const FieldBinder bind(exchangeLayout(fmt), exchangeRecordSize(fmt));
        Fields fields;
        // The old record has no form code: an element-less field reads 0 and refuses writes.
        fields.codForm = fmt == ExchangeFormat::Current ? bind(u"CODFORM", FieldType::Decimal)
                                                        : FieldSpec{0, FieldType::Decimal, 2, 0, 0};
        fields.codReg = bind(u"CODREG", FieldType::Byte);
        fields.codUch = bind(u"CODUCH", FieldType::Long);
        fields.codTab = bind(u"CODTAB", FieldType::Decimal);
        fields.mes = bind(u"MES", FieldType::Long);
        fields.tip = bind(u"TIP", FieldType::Byte);
        fields.unicodStr = bind(u"UNICODSTR", FieldType::Short);
        fields.data = bind(u"DATA", FieldType::Decimal, valueCount);
        return fields;
    };
    static const Fields current = bindFor(ExchangeFormat::Current);
    static const Fields old = bindFor(ExchangeFormat::Old);
    return format == ExchangeFormat::Current ? current : old;
}

runtime::Status ExchangeRecord::setReport(qint64 formCode, const QByteArray &report)
{
    using runtime::ErrorCode;
    if (report.size() != oldRecordSize)
        return runtime::fail(
            ErrorCode::InvalidArgument, exchangeFormatName(m_format),
            u"Запись отчета длиной %1 байт, ожидалось %2"_s.arg(report.size()).arg(oldRecordSize));
    QByteArray record = exchangeLayout(m_format).clearedRecord();
    if (m_format == ExchangeFormat::Current) {
        if (auto set = writeInteger(record, f(m_format).codForm, formCode); !set)
            return set;
    }
    record.replace(m_format == ExchangeFormat::Current ? reportOffset : 0, oldRecordSize, report);
    bytes() = record;
    return {};
}

} // namespace zemor::data
