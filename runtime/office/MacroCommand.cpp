#include "runtime/office/MacroCommand.h"

#include <cmath>

namespace zemor::runtime::office {

namespace {

std::unexpected<Error> malformed(const QString &text, const QString &why)
{
    return fail(ErrorCode::InvalidArgument, text, QStringLiteral("Неверная команда: %1").arg(why));
}

MacroArgument argumentFrom(const QString &raw, bool quoted, const QString &unquoted)
{
    MacroArgument argument;
    if (quoted) {
        argument.kind = MacroArgument::Kind::Text;
        argument.text = unquoted;
        return argument;
    }
    QString token = raw.trimmed();
    // A named argument of the word processor: ".Name = value".
    if (token.startsWith(u'.')) {
        const qsizetype equals = token.indexOf(u'=');
        if (equals > 0)
            token = token.mid(equals + 1).trimmed();
        if (token.size() >= 2 && token.startsWith(u'"') && token.endsWith(u'"')) {
            argument.kind = MacroArgument::Kind::Text;
            argument.text = unquoted;
            return argument;
        }
    }
    if (token.isEmpty())
        return argument;
    argument.text = token;
    if (token.compare(QStringLiteral("TRUE"), Qt::CaseInsensitive) == 0 ||
        token.compare(QStringLiteral("FALSE"), Qt::CaseInsensitive) == 0) {
        argument.kind = MacroArgument::Kind::Boolean;
        argument.boolean = token.compare(QStringLiteral("TRUE"), Qt::CaseInsensitive) == 0;
        return argument;
    }
    bool ok = false;
    const double number = token.toDouble(&ok);
    if (ok && std::isfinite(number)) {
        argument.kind = MacroArgument::Kind::Number;
        argument.number = number;
        return argument;
    }
    argument.kind = MacroArgument::Kind::Word;
    return argument;
}

// Splits the argument text of one command at top-level commas, honouring quotes and
// parentheses.
Result<QList<MacroArgument>> splitArguments(const QString &text, const QString &source)
{
    QList<MacroArgument> arguments;
    if (text.trimmed().isEmpty())
        return arguments;
    QString raw;
    QString unquoted;
    bool quoted = false;
    int depth = 0;
    qsizetype i = 0;
    const auto finish = [&] {
        // A quoted text with something beside it ("a"&"b") is kept as a bare word.
        const bool onlyQuoted =
            quoted && raw.trimmed().startsWith(u'"') && raw.trimmed().endsWith(u'"');
        arguments.append(argumentFrom(raw, onlyQuoted, unquoted));
        raw.clear();
        unquoted.clear();
        quoted = false;
    };
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c == u'"') {
            quoted = true;
            raw += c;
            ++i;
            bool closed = false;
            while (i < text.size()) {
                if (text.at(i) == u'"') {
                    if (i + 1 < text.size() && text.at(i + 1) == u'"') {
                        unquoted += u'"';
                        raw += QStringLiteral("\"\"");
                        i += 2;
                        continue;
                    }
                    raw += u'"';
                    ++i;
                    closed = true;
                    break;
                }
                unquoted += text.at(i);
                raw += text.at(i);
                ++i;
            }
            if (!closed)
                return malformed(source, QStringLiteral("не закрыта кавычка"));
            continue;
        }
        if (c == u'(')
            ++depth;
        else if (c == u')')
            --depth;
        if (depth < 0)
            return malformed(source, QStringLiteral("не парные скобки"));
        if (c == u',' && depth == 0) {
            finish();
            ++i;
            continue;
        }
        raw += c;
        ++i;
    }
    if (depth != 0)
        return malformed(source, QStringLiteral("не парные скобки"));
    finish();
    return arguments;
}

} // namespace

std::optional<double> MacroArgument::toNumber() const
{
    switch (kind) {
    case Kind::Number:
        return number;
    case Kind::Boolean:
        return boolean ? 1.0 : 0.0;
    default:
        return std::nullopt;
    }
}

MacroArgument MacroCommand::argument(int index) const
{
    return index >= 0 && index < arguments.size() ? arguments.at(index) : MacroArgument{};
}

Result<QList<MacroCommand>> MacroCommand::parse(const QString &text)
{
    QList<MacroCommand> commands;
    qsizetype i = 0;
    const auto skipSpace = [&] {
        while (i < text.size() && text.at(i).isSpace())
            ++i;
    };
    skipSpace();
    if (i == text.size())
        return malformed(text, QStringLiteral("пустая команда"));
    while (i < text.size()) {
        if (text.at(i) != u'[')
            return malformed(text, QStringLiteral("команда должна быть в квадратных скобках"));
        const qsizetype start = i;
        ++i;
        // Find the closing bracket outside quotes.
        qsizetype end = i;
        bool inQuote = false;
        while (end < text.size() && (inQuote || text.at(end) != u']')) {
            if (text.at(end) == u'"')
                inQuote = !inQuote;
            ++end;
        }
        if (end >= text.size())
            return malformed(text, inQuote ? QStringLiteral("не закрыта кавычка")
                                           : QStringLiteral("не закрыта квадратная скобка"));
        const QString body = text.mid(i, end - i).trimmed();
        MacroCommand command;
        command.source = text.mid(start, end - start + 1);
        qsizetype n = 0;
        while (n < body.size() &&
               (body.at(n).isLetterOrNumber() || body.at(n) == u'.' || body.at(n) == u'_'))
            ++n;
        command.name = body.left(n);
        if (command.name.isEmpty())
            return malformed(command.source, QStringLiteral("нет имени команды"));
        QString rest = body.mid(n).trimmed();
        if (rest.startsWith(u'(')) {
            if (!rest.endsWith(u')'))
                return malformed(command.source, QStringLiteral("не парные скобки"));
            rest = rest.mid(1, rest.size() - 2);
        }
        auto arguments = splitArguments(rest, command.source);
        if (!arguments)
            return std::unexpected(arguments.error());
        command.arguments = *arguments;
        commands.append(command);
        i = end + 1;
        skipSpace();
    }
    return commands;
}

} // namespace zemor::runtime::office
