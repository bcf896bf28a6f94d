// The alarm dialog's form: every control at its place with its settings.
#include "setalarm/TSetAlarmForm.h"

#include "common/TColor.h"
#include "forms/FormResources.h"
#include "skin/SkinSetup.h"
#include "skin/TfcImageForm.h"
#include "skin/TfcLabel.h"

#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QRadioButton>
#include <QValidator>

namespace lumisnap {

namespace {

constexpr QSize ClientSize(184, 185);
constexpr int SkinDragTolerance = 5;
const QString FormFace = QStringLiteral("MS Sans Serif");
constexpr int FormFontHeight = -11;
const QString InitialMessage = QStringLiteral("YOUR MESSAGE HERE");

const LabelDesign DayHalfLabel { FormFace, FormFontHeight, clWhite };
const LabelDesign SetButtonDesign { QStringLiteral("Comic Sans MS"), -13, clYellow, clBlack, 2 };

// Shows what is typed in upper case and refuses what would pass the length limit.
class UpperCaseValidator : public QValidator
{
public:
    UpperCaseValidator(int maxLength, QObject *parent)
        : QValidator(parent)
        , m_maxLength(maxLength)
    {
    }

    State validate(QString &input, int &) const override
    {
        // Letter by letter, so that no letter grows into two.
        for (QChar &c : input)
            c = c.toUpper();
        return input.size() <= m_maxLength ? Acceptable : Invalid;
    }

private:
    int m_maxLength;
};

template <typename Widget> Widget *place(Widget *widget, const char *name, QRect geometry)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
    return widget;
}

void whiteOnBlack(QWidget *widget)
{
    QPalette palette = widget->palette();
    for (QPalette::ColorRole role : { QPalette::Base, QPalette::Window, QPalette::Button })
        palette.setColor(role, Qt::black);
    for (QPalette::ColorRole role : { QPalette::Text, QPalette::WindowText, QPalette::ButtonText })
        palette.setColor(role, Qt::white);
    widget->setPalette(palette);
}

QLineEdit *makeEdit(QWidget *form, const char *name, QRect geometry)
{
    auto *edit = place(new QLineEdit(form), name, geometry);
    whiteOnBlack(edit);
    edit->setFont(fontFromDesign(FormFace, FormFontHeight, true));
    edit->setFrame(false);
    return edit;
}

QLabel *makeCaption(QWidget *form, const char *name, const QString &text, QPoint at)
{
    auto *label = new QLabel(text, form);
    label->setObjectName(QLatin1String(name));
    whiteOnBlack(label);
    label->setFont(fontFromDesign(FormFace, FormFontHeight, true));
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->move(at);
    label->adjustSize();
    return label;
}

} // namespace

void TSetAlarmForm::createComponents()
{
    setFont(fontFromDesign(FormFace, FormFontHeight, false));
    // Black behind the skin; the radio buttons keep the platform's light look.
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::black);
    setPalette(palette);
    resize(ClientSize);
    fcImageForm1 = new TfcImageForm(this);
    fcImageForm1->setObjectName(QStringLiteral("fcImageForm1"));
    applySkin(*fcImageForm1,
        FormResources::skinDesign(FormResources::AlarmSkin, clWhite, SkinDragTolerance));

    houredit = makeEdit(this, "houredit", { 43, 24, 23, 21 });
    minuteedit = makeEdit(this, "minuteedit", { 114, 24, 23, 21 });
    Label1 = makeCaption(this, "Label1", QStringLiteral("HOUR"), { 37, 45 });
    Label2 = makeCaption(this, "Label2", QStringLiteral("MINUTE"), { 103, 45 });
    amradio = place(new QRadioButton(this), "amradio", { 36, 67, 13, 12 });
    amradio->setChecked(true);
    pmradio = place(new QRadioButton(this), "pmradio", { 110, 67, 13, 12 });
    fcLabel1 = makeLabel(this, "fcLabel1", QStringLiteral("AM"), { 52, 67 }, DayHalfLabel);
    fcLabel2 = makeLabel(this, "fcLabel2", QStringLiteral("PM"), { 126, 67 }, DayHalfLabel);

    AlarmEdit = makeEdit(this, "AlarmEdit", { 9, 98, 165, 18 });
    AlarmEdit->setMaxLength(MessageLength);
    AlarmEdit->setValidator(new UpperCaseValidator(MessageLength, AlarmEdit));
    AlarmEdit->setText(InitialMessage);

    SetButton
        = makeLabel(this, "SetButton", QStringLiteral("SET ALARM"), { 50, 138 }, SetButtonDesign);

    setTabOrder(houredit, minuteedit);
    setTabOrder(minuteedit, AlarmEdit);
    setTabOrder(AlarmEdit, amradio);
    setTabOrder(amradio, pmradio);
    // Beyond the mouse: SET ALARM is reached by Tab and pressed with Space or Enter.
    SetButton->setButtonLike(true);
    setTabOrder(pmradio, SetButton);
    nameControls();
}

void TSetAlarmForm::nameControls()
{
    setAccessibleName(QStringLiteral("Set alarm"));
    fcImageForm1->setAccessibleName(QStringLiteral("Set alarm"));
    houredit->setAccessibleName(Label1->text());
    minuteedit->setAccessibleName(Label2->text());
    amradio->setAccessibleName(fcLabel1->caption());
    pmradio->setAccessibleName(fcLabel2->caption());
    AlarmEdit->setAccessibleName(QStringLiteral("Message"));
    AlarmEdit->setAccessibleDescription(QStringLiteral("Shown when the alarm comes"));
}

} // namespace lumisnap
