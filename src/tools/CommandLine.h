#pragma once
// One command's arguments, parsed with QCommandLineParser: each command
// declares its options and arguments, and gets `qvtool COMMAND --help` (its
// usage on standard output, exit 0) and a refusal of anything it does not know
// (the usage on standard error, exit 2) for free.
//
// Exit codes of every command, as sendmail's family has them: 0 done,
// 1 failed (a file, a server, the system), 2 bad usage.
#include <QCommandLineParser>
#include <QStringList>

#include <optional>

namespace ExitCode {
inline constexpr int kDone = 0;
inline constexpr int kFailed = 1;
inline constexpr int kUsage = 2;
} // namespace ExitCode

class CommandLine {
public:
    // `command` as typed ("add", "settings set"); `synopsis` the arguments'
    // shape ("FILE --desc D ..."), `about` one line on what it does.
    CommandLine(const QString& command, const QString& synopsis, const QString& about);

    // valueName empty: a flag. Names without the dashes ("desc").
    void option(const QString& name, const QString& valueName, const QString& description,
                const QString& defaultValue = {});
    void argument(const QString& name, const QString& description);
    // Everything after the first argument is an argument, even when it starts
    // with a dash (a setting's value "-10,20").
    void optionsOnlyFirst();

    // Parses `args` (the words after the command). Empty: go on; otherwise the
    // exit code to return (0 after --help, 2 after a bad option or too many
    // or too few arguments, the usage printed).
    std::optional<int> parse(const QStringList& args, int minArguments, int maxArguments);

    QString value(const QString& name) const { return m_parser.value(name); }
    QStringList values(const QString& name) const { return m_parser.values(name); }
    bool isSet(const QString& name) const { return m_parser.isSet(name); }
    QStringList arguments() const { return m_parser.positionalArguments(); }
    QString argument(int i) const { return m_parser.positionalArguments().value(i); }

    // Prints "qvtool: MESSAGE" and the usage on standard error; returns 2.
    int usageError(const QString& message) const;
    QString usage() const;

private:
    QString m_command;
    QString m_synopsis;
    QCommandLineParser m_parser;
};

// "-" as a secret's value: the secret is the first line of standard input (so
// it shows neither in the process list nor in the shell's history). Otherwise
// the value itself. Empty when standard input gave nothing.
std::optional<QString> secretValue(const QString& value);
