#pragma once

#include "skin/TfcCustomLabel.h"

namespace lumisnap {

// The shadowed label as the windows' designs place it.
class TfcLabel : public TfcCustomLabel
{
    Q_OBJECT
public:
    using TfcCustomLabel::TfcCustomLabel;
};

} // namespace lumisnap
