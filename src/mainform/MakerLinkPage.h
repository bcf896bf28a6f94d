#pragma once

#include <QString>
#include <QStringList>

namespace lumisnap {

// The small web page beside the program that forwards the browser to the maker.
namespace MakerLinkPage {

inline const QString FileName = QStringLiteral("FMLink.htm");
inline const QString MakerAddress = QStringLiteral("http://www.example.com/Fennomark");

// The folder the page is written to and opened from: the program's own while the user
// may write there, else "lumisnap" in the user's cache folder, created when missing.
// An installed program (its desktop entry lies in ../share/applications) always uses
// the cache: a system folder is no place for a user's page, even when root runs it.
QString folderFor(const QString &programFolder);

// The page's three lines, without line ends.
QStringList lines();

// Writes the lines, each ended by CR LF, replacing the whole file at once, so an
// interrupted write never leaves half a page. Throws EFCreateError("Cannot create
// file %s") when the file cannot be written.
void write(const QString &path, const QStringList &lines);

} // namespace MakerLinkPage

} // namespace lumisnap
