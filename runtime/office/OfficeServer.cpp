#include "runtime/office/OfficeServer.h"

#include "runtime/fs/Paths.h"
#include "runtime/office/MacroCommand.h"
#include "runtime/office/SystemDesktopOpener.h"

#include <QFileInfo>
#include <QtDebug>

#include <algorithm>

namespace zemor::runtime::office {

namespace {

const QString kExcel = QStringLiteral("excel");
const QString kWord = QStringLiteral("winword");

bool isSystemTopic(const QString &topic)
{
    return topic.trimmed().compare(QStringLiteral("SYSTEM"), Qt::CaseInsensitive) == 0;
}

std::unexpected<Error> noConversation(int channel)
{
    return fail(ErrorCode::FileNotOpen, QStringLiteral("канал %1").arg(channel),
                QStringLiteral("На этом канале нет связи"));
}

} // namespace

OfficeServer::OfficeServer(DesktopOpener *opener)
    : m_ownOpener(opener ? nullptr : std::make_unique<SystemDesktopOpener>()),
      m_opener(opener ? opener : m_ownOpener.get()),
      m_excel(
          [this](const QString &path) { return show(path); },
          [this](const QString &command) { m_unknown.append(QStringLiteral("Excel: ") + command); })
{
}

OfficeServer::~OfficeServer()
{
    QList<int> open = m_channels.keys();
    std::sort(open.begin(), open.end());
    for (int number : std::as_const(open)) {
        if (auto closed = close(number); !closed)
            qWarning("office conversation %d: %s", number, qPrintable(closed.error().message));
    }
}

void OfficeServer::setServiceAvailable(const QString &service, bool available)
{
    const QString key = service.trimmed().toCaseFolded();
    if (available)
        m_unavailable.remove(key);
    else
        m_unavailable.insert(key);
}

const OfficeServer::Channel *OfficeServer::channel(int number) const
{
    const auto it = m_channels.constFind(number);
    return it == m_channels.cend() ? nullptr : &it.value();
}

int OfficeServer::open(const QString &service, const QString &topic)
{
    const QString key = service.trimmed().toCaseFolded();
    if (m_unavailable.contains(key))
        return 0;
    Channel opened;
    if (key == kExcel) {
        opened.service = Service::Excel;
        if (!isSystemTopic(topic)) {
            opened.workbook = m_excel.workbookForTopic(topic);
            if (opened.workbook == 0)
                return 0;
            m_excel.attach(opened.workbook);
        }
    } else if (key == kWord) {
        if (!isSystemTopic(topic))
            return 0;
        opened.service = Service::Word;
    } else {
        return 0;
    }
    const int number = m_nextChannel++;
    m_channels.insert(number, opened);
    return number;
}

Status OfficeServer::execute(int number, const QString &command)
{
    const Channel *conversation = channel(number);
    if (conversation == nullptr)
        return noConversation(number);
    if (conversation->service == Service::Word)
        return executeWord(command);
    return m_excel.execute(number, conversation->workbook, command);
}

Status OfficeServer::poke(int number, const QString &item, const QString &value)
{
    const Channel *conversation = channel(number);
    if (conversation == nullptr)
        return noConversation(number);
    if (conversation->service == Service::Word || conversation->workbook == 0)
        return fail(ErrorCode::InvalidArgument, item,
                    QStringLiteral("В этой теме нет элементов для записи"));
    return m_excel.poke(conversation->workbook, item, value);
}

Status OfficeServer::close(int number)
{
    const auto it = m_channels.constFind(number);
    if (it == m_channels.cend())
        return {};
    const Channel closed = it.value();
    m_channels.erase(it);
    if (closed.service == Service::Word)
        return {};
    return closed.workbook != 0 ? m_excel.detach(closed.workbook) : m_excel.systemClosed(number);
}

const Workbook *OfficeServer::workbook(int number) const
{
    const Channel *conversation = channel(number);
    if (conversation == nullptr || conversation->service != Service::Excel)
        return nullptr;
    return m_excel.workbook(conversation->workbook != 0 ? conversation->workbook
                                                        : m_excel.activeWorkbook());
}

QString OfficeServer::workbookPath(int number) const
{
    const Channel *conversation = channel(number);
    if (conversation == nullptr || conversation->service != Service::Excel)
        return {};
    return m_excel.pathOf(conversation->workbook != 0 ? conversation->workbook
                                                      : m_excel.activeWorkbook());
}

Status OfficeServer::executeWord(const QString &command)
{
    auto commands = MacroCommand::parse(command);
    if (!commands) {
        m_unknown.append(QStringLiteral("WinWord: ") + command);
        return std::unexpected(commands.error());
    }
    for (const MacroCommand &one : std::as_const(*commands)) {
        if (!one.is(QStringLiteral("FileOpen"))) {
            m_unknown.append(QStringLiteral("WinWord: ") + one.source);
            continue;
        }
        const MacroArgument name = one.argument(0);
        if (name.kind != MacroArgument::Kind::Text && name.kind != MacroArgument::Kind::Word)
            return fail(ErrorCode::InvalidArgument, one.source,
                        QStringLiteral("Не задано имя файла"));
        auto path = fs::resolve(name.text);
        if (!path)
            return std::unexpected(path.error());
        if (!fs::pathInfo(*path).isFile)
            return fail(ErrorCode::FileNotFound, *path);
        if (auto shown = show(*path); !shown)
            return shown;
    }
    return {};
}

Status OfficeServer::show(const QString &path)
{
    m_shown.append(path);
    return m_opener->open(path);
}

} // namespace zemor::runtime::office
