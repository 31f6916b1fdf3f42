#pragma once

// One row of an exchange file, the record in which reports travel between installations.
// The current record (`ReportExchangeFile`, 332 bytes) is the form code `OT2:CODFORM`,
// DECIMAL(3), followed by the report record (`otchet`) unchanged; the old record
// (`OldReportExchangeFile`, 330 bytes) is the report record alone, its form known from the
// file's name. Both layouts are built from the report record's declaration, so the two can
// never drift apart; neither has keys.
//
// A view over the caller's record buffer; see RecordView.h for how reads and writes fail. In
// the old format the form code reads as 0 and cannot be written.

#include "data/records/RecordView.h"

namespace zemor::data {

enum class ExchangeFormat {
    Current, // ReportExchangeFile, 332 bytes
    Old,     // OldReportExchangeFile, 330 bytes
};

// The layout of the format: label "ReportExchangeFile" or "OldReportExchangeFile", prefix "OT2".
const runtime::store::RecordLayout &exchangeLayout(ExchangeFormat format);
int exchangeRecordSize(ExchangeFormat format);
// "ReportExchangeFile", "OldReportExchangeFile".
QString exchangeFormatName(ExchangeFormat format);

class ExchangeRecord : public RecordView
{
    struct Fields
    {
        FieldSpec codForm, codReg, codUch, codTab, mes, tip, unicodStr, data;
    };
    static const Fields &f(ExchangeFormat format);

public:
    static constexpr int recordSize = 332;    // ReportExchangeFile
    static constexpr int oldRecordSize = 330; // OldReportExchangeFile
    static constexpr int reportOffset = 2;    // where the report record starts in the current one
    static constexpr int valueCount = 35;

    explicit ExchangeRecord(QByteArray &record, ExchangeFormat format = ExchangeFormat::Current)
        : RecordView(record, exchangeLayout(format)), m_format(format)
    {
    }
    // Binds the accessors of both formats now; stops the program when one does not match.
    static void bind()
    {
        f(ExchangeFormat::Current);
        f(ExchangeFormat::Old);
    }

    ExchangeFormat format() const { return m_format; }

    // OT2:CODFORM, the form's code (FOR:UNICOD).
    qint64 codForm() const { return codeAt(f(m_format).codForm); }
    [[nodiscard]] runtime::Status setCodForm(qint64 value)
    {
        return writeInteger(bytes(), f(m_format).codForm, value);
    }
    std::uint8_t codReg() const { return byteAt(f(m_format).codReg); }
    void setCodReg(std::uint8_t value) { setIntegerAt(f(m_format).codReg, value); }
    qint32 codUch() const { return longAt(f(m_format).codUch); }
    void setCodUch(qint32 value) { setIntegerAt(f(m_format).codUch, value); }
    qint64 codTab() const { return codeAt(f(m_format).codTab); }
    [[nodiscard]] runtime::Status setCodTab(qint64 value)
    {
        return writeInteger(bytes(), f(m_format).codTab, value);
    }
    qint32 mes() const { return longAt(f(m_format).mes); }
    void setMes(qint32 value) { setIntegerAt(f(m_format).mes, value); }
    std::uint8_t tip() const { return byteAt(f(m_format).tip); }
    void setTip(std::uint8_t value) { setIntegerAt(f(m_format).tip, value); }
    qint16 unicodStr() const { return shortAt(f(m_format).unicodStr); }
    void setUnicodStr(qint16 value) { setIntegerAt(f(m_format).unicodStr, value); }
    // n = 1 .. 35; outside that range the value reads as zero and cannot be written.
    runtime::Decimal data(int n) const { return decimalAt(f(m_format).data, n); }
    // Values 1 .. count into out[0 .. count - 1], as data() reads each.
    void data(runtime::Decimal *out, int count) const { decimalsAt(f(m_format).data, out, count); }
    [[nodiscard]] runtime::Status setData(int n, const runtime::Decimal &value)
    {
        return writeDecimal(bytes(), f(m_format).data, value, n);
    }

    // The report record the row carries, byte for byte (330 bytes).
    QByteArray reportRecord() const
    {
        return m_format == ExchangeFormat::Current ? bytes().mid(reportOffset, oldRecordSize)
                                                   : bytes().left(oldRecordSize);
    }
    // Makes the buffer the exchange record of a report record: the form code (current format
    // only) followed by the report record unchanged. InvalidArgument when the report record is
    // not 330 bytes, Overflow when the form code does not fit; the buffer is then unchanged.
    [[nodiscard]] runtime::Status setReport(qint64 formCode, const QByteArray &report);

private:
    ExchangeFormat m_format;
};

} // namespace zemor::data
