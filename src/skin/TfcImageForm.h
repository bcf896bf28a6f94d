#pragma once

#include "skin/TfcCustomImageForm.h"

namespace lumisnap {

// The skin as the windows' designs place it.
class TfcImageForm : public TfcCustomImageForm
{
    Q_OBJECT
public:
    using TfcCustomImageForm::TfcCustomImageForm;
};

} // namespace lumisnap
