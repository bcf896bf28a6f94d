// The windows as a screen reader reads them (through Qt's accessibility interfaces)
// and as a keyboard user drives them (real key events on a real screen): names and
// roles, presses, names that follow the picture and the time, and a walk with Tab,
// Space, Enter and Escape. Screenshots of the focus marks go to the test output.
#include "../clock/ClockTestTime.h"
#include "../mainform/MainFormSandbox.h"
#include "ScreenShot.h"

#include "FullForm/TFullScreen.h"
#include "app/Application.h"
#include "app/TSplashForm.h"
#include "controls/TImage.h"
#include "controls/TLabel.h"
#include "controls/TListBox.h"
#include "controls/TPanel.h"
#include "setalarm/TSetAlarmForm.h"
#include "shell/controls/TPTShellTree.h"
#include "skin/TfcImageBtn.h"
#include "skin/TfcLabel.h"

#include <QAccessible>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QTest>

#include <memory>

using namespace lumisnap;

namespace {

QAccessibleInterface *face(QObject *object)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(object);
    if (!iface)
        qFatal("no accessible interface for %s", qPrintable(object->objectName()));
    return iface;
}

QString nameOf(QObject *object)
{
    return face(object)->text(QAccessible::Name);
}

void press(QObject *object)
{
    QAccessibleActionInterface *actions = face(object)->actionInterface();
    QVERIFY(actions);
    QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    actions->doAction(QAccessibleActionInterface::pressAction());
}

QWidget *focused()
{
    return QApplication::focusWidget();
}

} // namespace

class TestAccessibilityScreen : public QObject
{
    Q_OBJECT

    std::unique_ptr<TMainForm> form;
    std::unique_ptr<TFullScreen> viewer;
    std::unique_ptr<TSetAlarmForm> alarm;

    void openHoliday()
    {
        auto *model = form->DirectoryListBox1->model();
        const QModelIndexList found = model->match(model->index(0, 0), Qt::DisplayRole,
            QStringLiteral("Holiday"), 1, Qt::MatchRecursive | Qt::MatchExactly);
        QVERIFY(!found.isEmpty());
        const QRect rect = form->DirectoryListBox1->visualRect(found.first());
        QTest::mouseClick(form->DirectoryListBox1->viewport(), Qt::LeftButton, {}, rect.center());
        QTRY_COMPARE(form->PTShellList1->Count(), 12);
    }

    void clickRow(int row)
    {
        TPTShellList *list = form->PTShellList1;
        const QRect rect = list->visualRect(list->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }

    void keepWindowShot(const QString &name)
    {
        QTest::qWait(100);
        lumisnap::test::keepScreenshot(
            QGuiApplication::primaryScreen()
                ->grabWindow(0, form->x(), form->y(), form->width(), form->height())
                .toImage(),
            name);
    }

    // Tab (or Shift+Tab) until `target` has the focus; the widgets passed on the way.
    QList<QWidget *> tabTo(QWidget *target, Qt::KeyboardModifiers modifiers = {})
    {
        QList<QWidget *> passed;
        for (int i = 0; i < 20 && focused() != target; ++i) {
            QTest::keyClick(focused(), Qt::Key_Tab, modifiers);
            passed.append(focused());
        }
        return passed;
    }

private slots:
    void init()
    {
        form = std::make_unique<TMainForm>();
        viewer = std::make_unique<TFullScreen>();
        alarm = std::make_unique<TSetAlarmForm>();
        alarm->setAlarmClock(form->RxClock1);
        MainForm = form.get();
        FullScreen = viewer.get();
        SetAlarmForm = alarm.get();
        form->showCentered();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        if (SplashForm)
            SplashForm->close();
        // The keyboard starts on the main window, with no window manager to hand it over.
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        openHoliday();
        clickRow(2);
        QCOMPARE(form->PicLabel->caption(), QStringLiteral("3 of 12"));
    }

    void cleanup()
    {
        SetAlarmForm = nullptr;
        FullScreen = nullptr;
        MainForm = nullptr;
        alarm.reset();
        viewer.reset();
        form.reset();
    }

    void everyVisibleControlHasARoleAndAName()
    {
        form->StretchLabel->setFocus();
        // What a user sees of the main window: each control is named by what it shows.
        struct Expected
        {
            QWidget *widget;
            QAccessible::Role role;
            QString name;
        };
        const Expected expected[] = {
            { form->StretchLabel, QAccessible::PushButton, "STRETCH" },
            { form->CenterLabel, QAccessible::PushButton, "CENTERED" },
            { form->ColorLabel, QAccessible::PushButton, "COLOR" },
            { form->ScanLabel, QAccessible::PushButton, "SCAN DRIVE" },
            { form->OffLabel, QAccessible::PushButton, "OFF" },
            { form->NameLabel, QAccessible::StaticText, form->NameLabel->caption() },
            { form->PicLabel, QAccessible::StaticText, "3 of 12" },
            { form->PicImage, QAccessible::Graphic, "photo03.bmp" },
            { form->RxClock1, QAccessible::StaticText,
                form->RxClock1->FormatTime(form->RxClock1->ShownTime()) },
            { form->DirectoryListBox1, QAccessible::Tree, "Folders" },
            { form->FMLabel, QAccessible::Link, "Fennomark" },
        };
        for (const auto &[widget, role, name] : expected) {
            QCOMPARE(face(widget)->role(), role);
            QCOMPARE(nameOf(widget), name);
        }
        QCOMPARE(nameOf(form->PTShellList1), QStringLiteral("Pictures"));
        QCOMPARE(face(form.get())->role(), QAccessible::Window);
        // The drive scan's list tells its selected entry.
        const QByteArray paths[] = { "/pics/b.gif", "/pics/a.jpg" };
        form->ScanListBox->addItems(paths);
        form->ScanListBox->setItemIndex(1);
        QCOMPARE(face(form->ScanListBox)->role(), QAccessible::List);
        QCOMPARE(nameOf(form->ScanListBox), QStringLiteral("Pictures"));
        QCOMPARE(
            face(form->ScanListBox)->text(QAccessible::Description), QStringLiteral("/pics/b.gif"));
        QCOMPARE(face(alarm.get())->role(), QAccessible::Dialog);
        QVERIFY(face(form->StretchLabel)->state().focused);

        // And nothing the user can see is left without a name; the check boxes that lie
        // outside the window are out of sight.
        QVERIFY(form->StretchCheckBox->isHidden() && form->CenterCheckBox->isHidden());
        for (QWidget *window :
            { static_cast<QWidget *>(form.get()), static_cast<QWidget *>(alarm.get()) }) {
            window->show();
            for (QWidget *child : window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
                if (!child->isVisible())
                    continue;
                QAccessibleInterface *iface = face(child);
                QVERIFY2(iface->role() != QAccessible::NoRole, qPrintable(child->objectName()));
                QVERIFY2(
                    !iface->text(QAccessible::Name).isEmpty(), qPrintable(child->objectName()));
            }
        }
        QCOMPARE(nameOf(alarm->houredit), QStringLiteral("HOUR"));
        QCOMPARE(nameOf(alarm->minuteedit), QStringLiteral("MINUTE"));
        QCOMPARE(nameOf(alarm->amradio), QStringLiteral("AM"));
        QCOMPARE(nameOf(alarm->pmradio), QStringLiteral("PM"));
        QCOMPARE(face(alarm->SetButton)->role(), QAccessible::PushButton);
        QCOMPARE(nameOf(alarm->SetButton), QStringLiteral("SET ALARM"));
    }

    void pressesRunTheClickHandlers()
    {
        int colours = 0, ends = 0;
        form->chooseColor = [&](const QColor &) -> std::optional<QColor> {
            ++colours;
            return std::nullopt;
        };
        form->terminateProcess = [&] { ++ends; };

        press(form->StretchLabel);
        QVERIFY(form->PicImage->Stretch());
        QCOMPARE(nameOf(form->StretchLabel), QStringLiteral("STRETCHED"));
        QVERIFY(face(form->CenterLabel)->state().disabled);
        press(form->CenterLabel); // disabled: ignored, as a click is
        QCOMPARE(form->CenterLabel->caption(), QStringLiteral("CENTERED"));
        press(form->StretchLabel);
        QVERIFY(!form->PicImage->Stretch() && form->PicImage->Center());
        QVERIFY(!face(form->CenterLabel)->state().disabled);
        press(form->CenterLabel);
        QCOMPARE(form->CenterLabel->caption(), QStringLiteral("CENTER"));
        QVERIFY(!form->PicImage->Center());

        press(form->ColorLabel);
        press(form->OffLabel);
        QCOMPARE(colours, 1);
        QCOMPARE(ends, 1);

        press(form->RxClock1);
        QTRY_VERIFY(alarm->isVisible());
        press(alarm->SetButton);
        QVERIFY(!alarm->isVisible());

        press(form->PicImage);
        QTRY_VERIFY(viewer->isVisible());
        press(viewer->NextButton);
        QCOMPARE(form->PicLabel->caption(), QStringLiteral("4 of 12"));
        QCOMPARE(nameOf(viewer->PicImage), QStringLiteral("photo04.bmp"));
        QCOMPARE(nameOf(viewer->Panel1), QStringLiteral("Picture # 4 of 12"));
        QVERIFY(nameOf(viewer->StatusBar1).contains(QStringLiteral("PHOTO04.BMP")));
        press(viewer->BackButton);
        QCOMPARE(nameOf(viewer->BackButton), QStringLiteral("PREV"));
        QCOMPARE(nameOf(viewer->NextButton), QStringLiteral("NEXT"));
        QCOMPARE(form->PicLabel->caption(), QStringLiteral("3 of 12"));
        press(viewer->PicImage);
        QTRY_VERIFY(!viewer->isVisible());
    }

    void namesFollowThePictureAndTheTime()
    {
        clickRow(6);
        QCOMPARE(nameOf(form->PicImage), QStringLiteral("photo07.bmp"));
        QCOMPARE(nameOf(form->PicLabel), QStringLiteral("7 of 12"));
        QVERIFY(nameOf(form->NameLabel).startsWith(QStringLiteral("File Size - ")));
        // The clock is read as the time it shows.
        FakeTime fake;
        fake.set("09:41:10");
        fake.attach(*form->RxClock1);
        form->RxClock1->Tick();
        QCOMPARE(nameOf(form->RxClock1), form->RxClock1->FormatTime(QTime(9, 41, 10)));
        fake.set("21:42:00");
        form->RxClock1->Tick();
        QCOMPARE(nameOf(form->RxClock1), form->RxClock1->FormatTime(QTime(21, 42)));
        form->RxClock1->OnGetTime = nullptr;
    }

    void keyboardAloneWalksTheWindow()
    {
        form->PTShellList1->setFocus();
        QTRY_COMPARE(focused(), form->PTShellList1);
        const QList<QWidget *> walk = { form->ScanLabel, form->PicImage, form->RxClock1,
            form->OffLabel, form->ColorLabel, form->CenterLabel, form->StretchLabel,
            form->DirectoryListBox1, form->PTShellList1 };
        QList<QWidget *> passed;
        for (int i = 0; i < walk.size(); ++i) {
            QTest::keyClick(focused(), Qt::Key_Tab);
            passed.append(focused());
        }
        QCOMPARE(passed, walk);
        QTest::keyClick(focused(), Qt::Key_Tab, Qt::ShiftModifier);
        QCOMPARE(focused(), form->DirectoryListBox1);
        QTest::keyClick(focused(), Qt::Key_Tab, Qt::ShiftModifier);
        QCOMPARE(focused(), form->StretchLabel);

        // The focus mark: a dotted frame in the label's yellow, on its edge.
        QTest::qWait(100);
        const QRect label(
            form->StretchLabel->mapToGlobal(QPoint(0, 0)), form->StretchLabel->size());
        const QImage shot = lumisnap::test::keepScreenshot(
            QGuiApplication::primaryScreen()
                ->grabWindow(0, form->x(), form->y(), form->width(), form->height())
                .toImage(),
            "access-focus-stretch");
        const QPoint corner = label.topLeft() - form->pos();
        int yellow = 0;
        for (int x = 0; x < label.width(); ++x)
            yellow += lumisnap::test::near(shot.pixelColor(corner + QPoint(x, 0)), Qt::yellow);
        QVERIFY2(yellow >= label.width() / 3 && yellow < label.width(),
            qPrintable(QString::number(yellow)));

        QTest::keyClick(focused(), Qt::Key_Space);
        QVERIFY(form->PicImage->Stretch());
        QCOMPARE(form->StretchLabel->caption(), QStringLiteral("STRETCHED"));
        QTest::keyClick(focused(), Qt::Key_Return);
        QVERIFY(!form->PicImage->Stretch());

        // The clock opens the alarm dialog; Escape leaves it without setting anything.
        tabTo(form->RxClock1, Qt::ShiftModifier);
        QCOMPARE(focused(), form->RxClock1);
        keepWindowShot("access-focus-clock");
        QTest::keyClick(focused(), Qt::Key_Enter);
        QVERIFY(QTest::qWaitForWindowActive(alarm.get()));
        QCOMPARE(focused(), alarm->houredit);
        QTest::keyClicks(focused(), QStringLiteral("5"));
        QTest::keyClick(focused(), Qt::Key_Escape);
        QTRY_VERIFY(!alarm->isVisible());
        QCOMPARE(form->RxClock1->AlarmTime(), QTime(12, 9));

        // The keyboard is back on the clock: once more to set it, with Tab and Space.
        QTRY_COMPARE(focused(), form->RxClock1);
        QTest::keyClick(focused(), Qt::Key_Space);
        QVERIFY(QTest::qWaitForWindowActive(alarm.get()));
        tabTo(alarm->SetButton);
        QCOMPARE(focused(), alarm->SetButton);
        QTest::keyClick(focused(), Qt::Key_Space);
        QTRY_VERIFY(!alarm->isVisible());
        QVERIFY(form->RxClock1->AlarmTime() != QTime(12, 9));
    }

    void keyboardAloneStepsThroughTheViewer()
    {
        tabTo(form->PicImage);
        keepWindowShot("access-focus-preview");
        QTest::keyClick(focused(), Qt::Key_Return);
        QVERIFY(QTest::qWaitForWindowActive(viewer.get()));
        tabTo(viewer->NextButton);
        QCOMPARE(focused(), viewer->NextButton);
        QTest::qWait(100);
        lumisnap::test::keepScreenshot(
            QGuiApplication::primaryScreen()->grabWindow(0).toImage().copy(
                QRect(viewer->Panel1->mapToGlobal(QPoint(0, 0)), QSize(200, 33))),
            "access-focus-next");
        QTest::keyClick(focused(), Qt::Key_Space);
        QCOMPARE(form->PicLabel->caption(), QStringLiteral("4 of 12"));
        // The window's own keys still work from a focused button.
        QTest::keyClick(focused(), Qt::Key_Right);
        QCOMPARE(form->PicLabel->caption(), QStringLiteral("5 of 12"));
        QTest::keyClick(focused(), Qt::Key_Tab, Qt::ShiftModifier);
        QCOMPARE(focused(), viewer->BackButton);
        QTest::keyClick(focused(), Qt::Key_Enter);
        QCOMPARE(form->PicLabel->caption(), QStringLiteral("4 of 12"));
        QTest::keyClick(focused(), Qt::Key_Escape);
        QTRY_VERIFY(!viewer->isVisible());
        QCOMPARE(nameOf(form->PicImage), QStringLiteral("photo04.bmp"));
    }
};

int main(int argc, char **argv)
{
    sandbox::Home home;
    Application app(argc, argv);
    TestAccessibilityScreen test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_accessibility_screen.moc"
