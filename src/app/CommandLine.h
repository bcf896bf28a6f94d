#pragma once

#include <QString>
#include <QStringList>

namespace lumisnap {

// What the program was asked on its command line: lumisnap [--help] [--version] [PATH].
// Parsed before the application object exists, so that --help and --version need no
// display; the window system's own options (-platform ...) are accepted and left to it.
class CommandLine
{
public:
    enum class Action { Run, Print, Fail };

    // The process's arguments as bytes: names that are not UTF-8 survive (FileName.h).
    static CommandLine parse(int argc, char **argv);
    // The arguments in lossless form; a relative PATH is taken from currentFolder.
    static CommandLine parse(const QStringList &arguments, const QString &currentFolder);

    // Prints the text (help and version to standard output, errors to standard error)
    // and gives the exit code.
    int print() const;

    Action action = Action::Run;
    QString path; // absolute and lossless; empty when none was given
    QString text; // what Print or Fail shows
};

} // namespace lumisnap
