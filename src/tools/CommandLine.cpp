#include "tools/CommandLine.h"

#include "tools/Commands.h"

#include <cstdio>

CommandLine::CommandLine(const QString& command, const QString& synopsis, const QString& about)
    : m_command(command), m_synopsis(synopsis) {
    m_parser.setApplicationDescription(about);
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    m_parser.addHelpOption();
}

void CommandLine::option(const QString& name, const QString& valueName, const QString& description,
                         const QString& defaultValue) {
    QCommandLineOption o(name, description, valueName, defaultValue);
    m_parser.addOption(o);
}

void CommandLine::optionsOnlyFirst() {
    m_parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
}

void CommandLine::argument(const QString& name, const QString& description) {
    m_parser.addPositionalArgument(name, description);
}

QString CommandLine::usage() const {
    QString text = m_parser.helpText();
    // Qt's first line names the program and "[options]"; ours names the command.
    const qsizetype end = text.indexOf(u'\n');
    return QStringLiteral("usage: qvtool %1 %2").arg(m_command, m_synopsis) + text.mid(end);
}

int CommandLine::usageError(const QString& message) const {
    printErr(QStringLiteral("qvtool: ") + message);
    printErr(usage().trimmed());
    return ExitCode::kUsage;
}

std::optional<int> CommandLine::parse(const QStringList& args, int minArguments, int maxArguments) {
    if (!m_parser.parse(QStringList{QStringLiteral("qvtool")} + args))
        return usageError(m_parser.errorText());
    if (m_parser.isSet(QStringLiteral("help"))) {
        printOut(usage().trimmed());
        return ExitCode::kDone;
    }
    const qsizetype n = m_parser.positionalArguments().size();
    if (n < minArguments) return usageError(QStringLiteral("%1: missing arguments").arg(m_command));
    if (maxArguments >= 0 && n > maxArguments)
        return usageError(QStringLiteral("%1: unexpected argument %2")
                              .arg(m_command, m_parser.positionalArguments().value(maxArguments)));
    return std::nullopt;
}

std::optional<QString> secretValue(const QString& value) {
    if (value != QLatin1String("-")) return value;
    char buffer[4096];
    if (!std::fgets(buffer, sizeof buffer, stdin)) return std::nullopt;
    QByteArray line(buffer);
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return QString::fromLocal8Bit(line);
}
