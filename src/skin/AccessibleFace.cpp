#include "skin/AccessibleFace.h"

#include "common/ErrorReport.h"

#include <QAccessibleWidget>
#include <QWidget>

namespace lumisnap {

namespace {

class FaceInterface : public QAccessibleWidget
{
public:
    FaceInterface(QWidget *widget, AccessibleFace *face)
        : QAccessibleWidget(widget, face->faceRole())
        , m_face(face)
        , m_alive(face->aliveFlag())
    {
    }

    QAccessible::Role role() const override
    {
        return *m_alive ? m_face->faceRole() : QAccessibleWidget::role();
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && *m_alive && widget()->accessibleName().isEmpty())
            return m_face->faceName();
        if (t == QAccessible::Description && *m_alive
            && widget()->accessibleDescription().isEmpty())
            return m_face->faceDescription();
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        if (pressable())
            names.prepend(pressAction());
        return names;
    }

    QStringList keyBindingsForAction(const QString &action) const override
    {
        if (action == pressAction() && pressable() && widget()->focusPolicy() & Qt::TabFocus)
            return { QStringLiteral("Space") };
        return QAccessibleWidget::keyBindingsForAction(action);
    }

    void doAction(const QString &action) override
    {
        if (action != pressAction() || !pressable()) {
            QAccessibleWidget::doAction(action);
            return;
        }
        // A disabled control ignores a press as it ignores a click. The tool calls
        // in from its own bus: an error is reported as the event loop would.
        if (widget()->isEnabled())
            runHandler([this] { m_face->facePress(); });
    }

private:
    bool pressable() const { return *m_alive && m_face->facePressable(); }

    AccessibleFace *m_face;
    // The widget outlives its face while it is destroyed, and tools may ask then.
    std::shared_ptr<const bool> m_alive;
};

QAccessibleInterface *faceFactory(const QString &, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    if (auto *face = dynamic_cast<AccessibleFace *>(object))
        return new FaceInterface(static_cast<QWidget *>(object), face);
    return nullptr;
}

} // namespace

AccessibleFace::AccessibleFace()
{
    // The first control that needs the factory installs it, in the program and in
    // every test alike.
    static const bool installed = [] {
        QAccessible::installFactory(faceFactory);
        return true;
    }();
    (void)installed;
}

AccessibleFace::~AccessibleFace()
{
    *m_alive = false;
}

namespace {

void announce(QObject *control, QAccessible::Event change)
{
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent event(control, change);
    QAccessible::updateAccessibility(&event);
}

} // namespace

void announceNameChange(QObject *control)
{
    announce(control, QAccessible::NameChanged);
}

void announceDescriptionChange(QObject *control)
{
    announce(control, QAccessible::DescriptionChanged);
}

} // namespace lumisnap
