#include "app/CommandLine.h"

#include "common/FileName.h"

#include <QCommandLineParser>
#include <QDir>

#include <cerrno>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace lumisnap {

namespace {

const QString ProgramName = QStringLiteral("lumisnap");

// The options the application object takes for the window system: known here so
// that they are not mistaken for a PATH, and hidden from the help.
void addWindowSystemOptions(QCommandLineParser &parser)
{
    const char *const withValue[] = { "platform", "platformpluginpath", "platformtheme", "plugin",
        "qwindowgeometry", "geometry", "qwindowtitle", "title", "qwindowicon", "icon", "session",
        "style", "stylesheet", "display", "name" };
    const char *const flags[] = { "reverse", "widgetcount", "nograb", "dograb", "sync" };
    for (const char *name : withValue) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char *name : flags) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

QString currentFolder()
{
    std::vector<char> buffer(4096);
    while (!::getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE || buffer.size() > (1u << 20))
            return {};
        buffer.resize(buffer.size() * 2);
    }
    return decodeFileName(QByteArray(buffer.data()));
}

QString absolutePath(const QString &path, const QString &folder)
{
    if (path.startsWith(QLatin1Char('/')) || folder.isEmpty())
        return QDir::cleanPath(path);
    return QDir::cleanPath(folder + QLatin1Char('/') + path);
}

} // namespace

CommandLine CommandLine::parse(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(decodeFileName(QByteArray(argv[i])));
    return parse(arguments, currentFolder());
}

CommandLine CommandLine::parse(const QStringList &arguments, const QString &folder)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Lumisnap, a skinned viewer for GIF, JPEG, icon and bitmap pictures."));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    addWindowSystemOptions(parser);
    parser.addPositionalArgument(QStringLiteral("PATH"),
        QStringLiteral("A picture to show, or a folder to open."), QStringLiteral("[PATH]"));

    CommandLine result;
    const bool parsed = parser.parse(arguments);
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        result.action = Action::Print;
        // The parser names the program by its application object, which does not exist yet.
        const QString help = parser.helpText();
        result.text = QStringLiteral("Usage: %1 [options] [PATH]").arg(ProgramName)
            + help.mid(help.indexOf(QLatin1Char('\n')));
        return result;
    }
    if (parser.isSet(version)) {
        result.action = Action::Print;
        result.text = QStringLiteral("Lumisnap %1\n").arg(QStringLiteral(LUMISNAP_VERSION));
        return result;
    }
    const QStringList paths = parser.positionalArguments();
    if (!parsed || paths.size() > 1) {
        result.action = Action::Fail;
        result.text = QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n")
                          .arg(ProgramName,
                              parsed ? QStringLiteral("one PATH at most") : parser.errorText());
        return result;
    }
    if (!paths.isEmpty() && !paths.first().isEmpty())
        result.path = absolutePath(paths.first(), folder);
    return result;
}

int CommandLine::print() const
{
    const QByteArray bytes = encodeFileName(text);
    std::FILE *stream = action == Action::Fail ? stderr : stdout;
    std::fwrite(bytes.constData(), 1, bytes.size(), stream);
    std::fflush(stream);
    return action == Action::Fail ? 1 : 0;
}

} // namespace lumisnap
