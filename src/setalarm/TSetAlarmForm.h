#pragma once

#include <QWidget>

namespace lumisnap {

// The alarm dialog, opened by a click on the clock.
class TSetAlarmForm : public QWidget
{
    Q_OBJECT
public:
    explicit TSetAlarmForm(QWidget *parent = nullptr);
};

extern TSetAlarmForm *SetAlarmForm;

} // namespace lumisnap
