#pragma once

#include "shell/transfer/ShellServices.h"

namespace lumisnap {

// The freedesktop trash through GIO, which files each entry in the trash of its own drive,
// creates a missing home trash, escapes the info file's path and trashes links as links.
// Names too long to get an info file beside them are filed under a shortened trash name.
class GioTrash : public ShellTrash
{
public:
    bool moveToTrash(const QString &losslessPath, QString &reason) override;
};

} // namespace lumisnap
