#pragma once

#include <QString>
#include <QStringList>

namespace lumisnap {

// The small web page beside the program that forwards the browser to the maker.
namespace MakerLinkPage {

inline const QString FileName = QStringLiteral("FMLink.htm");
inline const QString MakerAddress = QStringLiteral("http://www.example.com/Fennomark");

// The page's three lines, without line ends.
QStringList lines();

// Writes the lines, each ended by CR LF, replacing the whole file at once, so an
// interrupted write never leaves half a page. Throws EFCreateError("Cannot create
// file %s") when the file cannot be written.
void write(const QString &path, const QStringList &lines);

} // namespace MakerLinkPage

} // namespace lumisnap
