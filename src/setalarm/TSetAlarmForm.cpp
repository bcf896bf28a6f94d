#include "setalarm/TSetAlarmForm.h"

namespace lumisnap {

TSetAlarmForm *SetAlarmForm = nullptr;

TSetAlarmForm::TSetAlarmForm(QWidget *parent) : QWidget(parent, Qt::FramelessWindowHint)
{
    setWindowTitle(QStringLiteral("SetAlarmForm"));
    resize(184, 185);
}

} // namespace lumisnap
