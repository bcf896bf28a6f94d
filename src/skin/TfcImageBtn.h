#pragma once

#include "skin/TfcCustomImageBtn.h"

namespace lumisnap {

// The image button as the windows' designs place it.
class TfcImageBtn : public TfcCustomImageBtn
{
    Q_OBJECT
public:
    using TfcCustomImageBtn::TfcCustomImageBtn;
};

} // namespace lumisnap
