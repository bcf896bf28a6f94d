#include "FullForm/ViewerHost.h"

#include "shell/namespace/ShellModel.h"

#include <optional>

namespace lumisnap {

QString ViewerHost::positionText(int index, int count)
{
    return QStringLiteral("%1 of %2").arg(index + 1).arg(count);
}

qint64 ViewerHost::fileBytes(const QString &path)
{
    // 64 bits, so that files past 2 GiB read right.
    const std::optional<FileData> file = shellModel().findFile(path);
    return file ? file->size : 0;
}

} // namespace lumisnap
