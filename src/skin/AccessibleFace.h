#pragma once

#include <QAccessible>
#include <QString>

#include <memory>

class QObject;

namespace lumisnap {

// What a control that paints itself tells assistive tools (screen readers) about
// itself: its role, its name as it shows now, and whether a press runs what a click
// runs. A control takes this on beside QWidget; its accessible interface then comes
// from these answers, and a name set with setAccessibleName still wins.
class AccessibleFace
{
public:
    AccessibleFace();
    virtual ~AccessibleFace();
    AccessibleFace(const AccessibleFace &) = delete;
    AccessibleFace &operator=(const AccessibleFace &) = delete;

    virtual QAccessible::Role faceRole() const = 0;
    virtual QString faceName() const = 0;
    // What is current inside the control (the selected entry of a list), if anything.
    virtual QString faceDescription() const { return QString(); }
    virtual bool facePressable() const { return false; }
    // Runs exactly what a click on the enabled control runs.
    virtual void facePress() { }

    // False once the face is gone while its widget is still being destroyed.
    std::shared_ptr<const bool> aliveFlag() const { return m_alive; }

private:
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

// Tells assistive tools that the name (or the description) of `control` changed,
// when any listen.
void announceNameChange(QObject *control);
void announceDescriptionChange(QObject *control);

} // namespace lumisnap
