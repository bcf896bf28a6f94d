#include "MainFormSandbox.h"

#include "FullForm/TFullScreen.h"
#include "app/Application.h"
#include "app/TSplashForm.h"
#include "common/Error.h"
#include "common/ErrorReport.h"
#include "controls/TImage.h"
#include "controls/TLabel.h"
#include "controls/TListBox.h"
#include "controls/TScrollBox.h"
#include "picture/JpegDecodeCache.h"
#include "picture/JpegPrefetcher.h"
#include "picture/TJPEGImage.h"
#include "shell/controls/TPTCustomDraw.h"
#include "shell/controls/TPTShellTree.h"
#include "shell/namespace/PosixShellModel.h"
#include "shell/transfer/ShellOpen.h"
#include "skin/TfcLabel.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTest>

#include <memory>

using namespace lumisnap;

namespace {

sandbox::Home *home = nullptr;

class RecordingShellOpen : public ShellOpen
{
public:
    QStringList calls;
    bool open(const QString &file, const QString &parameters, const QString &folder) override
    {
        calls << file << parameters << folder;
        return true;
    }
};

// A shell that fails as soon as the window asks it for anything.
class FailingShell : public PosixShellModel
{
public:
    ShellFolderPtr desktopFolder() override { throw EShellError("The shell is not available"); }
};

QString kilobytes(const QString &path)
{
    const qint64 size = QFileInfo(path).size();
    return QStringLiteral("%1KB").arg((size + 1023) / 1024);
}

} // namespace

class TestMainForm : public QObject
{
    Q_OBJECT

    std::unique_ptr<TMainForm> form;
    std::unique_ptr<TFullScreen> fullScreen;
    QStringList reports; // what the event loop would have shown in message boxes

    void showForm()
    {
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        if (SplashForm)
            SplashForm->close();
    }

    // Real events where a user would click or point: the window picks the control.
    void clickAt(QPoint at) { QTest::mouseClick(form->windowHandle(), Qt::LeftButton, {}, at); }
    void pointAt(QPoint at) { QTest::mouseMove(form->windowHandle(), at); }
    template <typename Control> QPoint centreOf(Control *control)
    {
        return control->geometry().center();
    }

    void clickListRow(const QString &name)
    {
        const int row = sandbox::rowOf(form->PTShellList1, name);
        QVERIFY2(row >= 0, qPrintable(name));
        const QModelIndex index = form->PTShellList1->model()->index(row, 0);
        form->PTShellList1->scrollTo(index);
        const QRect rect = form->PTShellList1->visualRect(index);
        QTest::mouseClick(form->PTShellList1->viewport(), Qt::LeftButton, {}, rect.center());
    }

    // Selects a row as a click would and runs the list's click handler.
    void clickRow(const QString &name)
    {
        const int row = sandbox::rowOf(form->PTShellList1, name);
        QVERIFY2(row >= 0, qPrintable(name));
        form->PTShellList1->SelectItem(row);
        form->PTShellList1Click();
    }

    void openFolder(const QString &relative)
    {
        form->DirectoryListBox1->SelectFolder(sandbox::idListOf(home->path(relative)));
        form->DirectoryListBox1->FlushPending();
    }

private slots:
    void init()
    {
        setErrorReporter([this](const QString &text) { reports << text; });
        form = std::make_unique<TMainForm>();
        fullScreen = std::make_unique<TFullScreen>();
        FullScreen = fullScreen.get();
        form->terminateProcess = [] { QFAIL("the process would have ended"); };
    }

    void cleanup()
    {
        FullScreen = nullptr;
        fullScreen.reset();
        form.reset();
        CurrentFile.clear();
        ScanMode = 0;
        reports.clear();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void createdWithFirstRowSelectedAndNothingShown()
    {
        // The desktop lists Home and Computer before its files: the first row is a
        // folder, so the preview stays empty and only CurrentFile is set.
        QCOMPARE(form->PTShellList1->SelectedIndex(), 0);
        QCOMPARE(form->NameLabel->caption(), QString("None"));
        QCOMPARE(form->PicLabel->caption(), QString("None"));
        QVERIFY(form->PicImage->Picture().empty());
        QCOMPARE(form->ScanListBox->horizontalExtent(), 500);
    }

    void errorWhileBuildingIsReported()
    {
        const auto previous = setShellModel(std::make_shared<FailingShell>());
        std::unique_ptr<TMainForm> built;
        try {
            built = std::make_unique<TMainForm>();
        } catch (const Error &) {
        }
        setShellModel(previous);
        QVERIFY(built);
        QCOMPARE(reports, QStringList({ "The shell is not available." }));
    }

    void listClickShowsPictureSizeAndPosition()
    {
        clickRow("a_red.bmp");
        QCOMPARE(CurrentFile, home->path("Desktop/a_red.bmp"));
        QCOMPARE(form->PicImage->Picture().width(), 100);
        QCOMPARE(form->NameLabel->caption(), "File Size - " + kilobytes(CurrentFile));
        const int row = form->PTShellList1->SelectedIndex();
        QCOMPARE(form->PicLabel->caption(),
            QStringLiteral("%1 of %2").arg(row + 1).arg(form->PTShellList1->Count()));
    }

    void treeClickOnSameRowShowsBytes()
    {
        clickRow("a_red.bmp");
        form->DirectoryListBox1Click();
        QCOMPARE(form->NameLabel->caption(),
            QStringLiteral("File Size - %1 Bytes").arg(QFileInfo(CurrentFile).size()));
    }

    // The error is reported where Qt calls the handler in, and Qt's own work goes on:
    // the clicked row is selected, and the next click shows the next picture alone.
    void pictureThatFailsKeepsPreviewAndLabels()
    {
        showForm();
        clickListRow("a_red.bmp");
        const QString name = form->NameLabel->caption();
        const QString position = form->PicLabel->caption();
        QVERIFY(reports.isEmpty());
        clickListRow("c_broken.gif");
        QVERIFY(!reports.isEmpty());
        QCOMPARE(form->PTShellList1->SelectedIndex(),
            sandbox::rowOf(form->PTShellList1, "c_broken.gif"));
        QCOMPARE(CurrentFile, home->path("Desktop/c_broken.gif"));
        QCOMPARE(form->PicImage->Picture().width(), 100);
        QCOMPARE(form->NameLabel->caption(), name);
        QCOMPARE(form->PicLabel->caption(), position);

        reports.clear();
        clickListRow("b_wide.jpg");
        QCOMPARE(reports, QStringList());
        QCOMPARE(
            form->PTShellList1->SelectedIndex(), sandbox::rowOf(form->PTShellList1, "b_wide.jpg"));
        QCOMPARE(form->PicImage->Picture().width(), 300);
    }

    // Its decoding error comes after the paint that met it, once, and what was
    // decoded shows.
    void damagedJpegReportsAfterItsFirstPaint()
    {
        showForm();
        clickListRow("d_damaged.jpg");
        QVERIFY(reports.isEmpty()); // the header loaded; nothing is decoded yet
        form->PicImage->repaint();
        QVERIFY(reports.isEmpty()); // not from inside the paint
        QTRY_COMPARE(reports.size(), 1);
        QVERIFY(reports.first().startsWith("JPEG error #"));
        const QImage shown = form->PicImage->grab().toImage();
        const QRect drawn = form->PicImage->destRect();
        QCOMPARE(shown.pixelColor(drawn.topLeft() + QPoint(4, 4)).blue() > 200, true);
        form->PicImage->repaint();
        QCoreApplication::processEvents();
        QCOMPARE(reports.size(), 1);
    }

    void folderWithoutPicturesSaysSo()
    {
        clickRow("a_red.bmp");
        ScanMode = 1;
        openFolder("Desktop/Empty");
        form->DirectoryListBox1Click();
        QCOMPARE(ScanMode, 0);
        QCOMPARE(form->NameLabel->caption(), QString());
        QCOMPARE(form->PicLabel->caption(), QString("  No Pictures"));
    }

    void folderWithPicturesKeepsWhatIsShown()
    {
        clickRow("a_red.bmp");
        openFolder("Desktop/Holiday");
        form->DirectoryListBox1Click();
        QCOMPARE(form->PTShellList1->Count(), 12);
        QCOMPARE(form->PicImage->Picture().width(), 100);
        QVERIFY(form->NameLabel->caption().startsWith("File Size - "));
        clickRow("photo03.bmp");
        QCOMPARE(form->PicLabel->caption(), QString("3 of 12"));
    }

    void stretchAndCentreModes()
    {
        clickRow("b_wide.jpg");
        QVERIFY(form->PicImage->Center());
        QCOMPARE(form->PicImage->align(), TImage::Align::Client);

        form->StretchLabelClick();
        QCOMPARE(form->StretchLabel->caption(), QString("STRETCHED"));
        QVERIFY(form->PicImage->Stretch());
        QVERIFY(!form->PicImage->Center());
        QVERIFY(!form->CenterLabel->isEnabled());
        form->CenterLabelClick(); // disabled: nothing happens
        QCOMPARE(form->CenterLabel->caption(), QString("CENTERED"));
        QVERIFY(form->CenterCheckBox->isChecked());

        form->StretchLabelClick();
        QCOMPARE(form->StretchLabel->caption(), QString("STRETCH"));
        QVERIFY(form->PicImage->Center());
        QVERIFY(form->CenterLabel->isEnabled());

        form->CenterLabelClick();
        QCOMPARE(form->CenterLabel->caption(), QString("CENTER"));
        QCOMPARE(form->PicImage->align(), TImage::Align::None);
        QCOMPARE(form->PicImage->geometry(), QRect(0, 0, 300, 200));

        // Stretch on and off again restores the plain mode that was in force.
        form->StretchLabelClick();
        QCOMPARE(form->PicImage->align(), TImage::Align::Client);
        form->StretchLabelClick();
        QCOMPARE(form->CenterLabel->caption(), QString("CENTER"));
        QCOMPARE(form->PicImage->align(), TImage::Align::None);
    }

    void arrowKeyFindsTheNextPhotoDecodedAhead_data()
    {
        QTest::addColumn<int>("modeClicks"); // STRETCH, or CENTER to turn centring off
        QTest::addColumn<QSize>("decoded");
        QTest::newRow("centred: the middle") << 0 << QSize(216, 162);
        QTest::newRow("stretched: at half size") << 1 << QSize(320, 240);
        QTest::newRow("plain: the top-left corner") << 2 << QSize(216, 162);
    }

    // Up and Down find the photo next to the one shown decoded ahead as the preview
    // draws it, also after a change of mode, and no larger than drawn.
    void arrowKeyFindsTheNextPhotoDecodedAhead()
    {
        QFETCH(int, modeClicks);
        QFETCH(QSize, decoded);
        QDir().mkpath(home->path("Desktop/Photos"));
        for (int i = 1; i <= 3; ++i)
            sandbox::writePicture(home->path(QStringLiteral("Desktop/Photos/p%1.jpg").arg(i)),
                { 640, 480 }, sandbox::photoColour(i));
        JpegDecodeCache::instance().clear();
        showForm();
        openFolder("Desktop/Photos");
        clickListRow("p1.jpg");
        JpegPrefetcher::instance().waitIdle();
        if (modeClicks == 1)
            clickAt(centreOf(form->StretchLabel));
        else if (modeClicks == 2)
            clickAt(centreOf(form->CenterLabel));
        JpegPrefetcher::instance().waitIdle();
        QTest::keyClick(form->PTShellList1, Qt::Key_Down);
        QCOMPARE(form->PicLabel->caption(), QString("2 of 3"));
        form->PicImage->grab();
        auto &shown = dynamic_cast<TJPEGImage &>(*form->PicImage->Picture().graphic());
        QCOMPARE(shown.decodeCount(), 0);
        QCOMPARE(shown.decodedSize(), decoded);
        QVERIFY(reports.isEmpty());
    }

    void colourDialogPresetAndCancel()
    {
        QList<QColor> offered;
        std::optional<QColor> answer = QColor(Qt::red);
        form->chooseColor = [&](const QColor &initial) {
            offered << initial;
            return answer;
        };
        form->ColorLabelClick();
        QCOMPARE(form->ScrollBox1->Color(), clRed);
        answer.reset();
        form->ColorLabelClick();
        QCOMPARE(form->ScrollBox1->Color(), clRed);
        QCOMPARE(offered, (QList<QColor> { Qt::black, Qt::red }));
    }

    void offEndsTheProcess()
    {
        bool ended = false;
        form->terminateProcess = [&] { ended = true; };
        form->OffLabelClick();
        QVERIFY(ended);
    }

    void hoverColoursAndPointer()
    {
        form->HotLabelMouseMove(form->ScanLabel);
        QCOMPARE(form->ScanLabel->fontColor(), clBlue);
        form->HotLabelMouseLeave(form->ScanLabel);
        QCOMPARE(form->ScanLabel->fontColor(), clYellow);
        form->OffLabelMouseMove();
        QCOMPARE(form->OffLabel->fontColor(), clRed);

        form->HotLabelMouseMove(form->ColorLabel);
        form->Image3MouseMove();
        QCOMPARE(form->cursor().shape(), Qt::PointingHandCursor);
        form->fcImageForm1MouseMove();
        QCOMPARE(form->ColorLabel->fontColor(), clYellow);
        QCOMPARE(form->OffLabel->fontColor(), clRed); // the skin leaves OFF alone
        QCOMPARE(form->cursor().shape(), Qt::ArrowCursor);
    }

    void plainModeClickBesideSmallPictureDoesNothing()
    {
        showForm();
        clickListRow("a_red.bmp");
        clickAt(centreOf(form->CenterLabel));
        QCOMPARE(form->CenterLabel->caption(), QString("CENTER"));
        QCOMPARE(form->PicImage->geometry(), QRect(0, 0, 100, 50));
        const QPoint preview = form->ScrollBox1->geometry().topLeft();
        clickAt(preview + QPoint(150, 120));
        QVERIFY(!FullScreen->isVisible());
        clickAt(preview + QPoint(50, 25));
        QVERIFY(FullScreen->isVisible());
    }

    // The disabled label lets the pointer through to the skin below, which restores
    // the hot colours and the pointer.
    void pointerOverDisabledCentreLabelIsOverTheSkin()
    {
        showForm();
        clickAt(centreOf(form->StretchLabel));
        QVERIFY(!form->CenterLabel->isEnabled());
        pointAt(centreOf(form->FMLabel));
        QCOMPARE(form->cursor().shape(), Qt::PointingHandCursor);
        form->ScanLabel->setFontColor(clBlue);
        pointAt(centreOf(form->CenterLabel));
        QCOMPARE(form->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(form->ScanLabel->fontColor(), clYellow);
    }

    void previewClickOpensFullScreenOnlyForPictures()
    {
        form->PicImageClick(); // the first row is a folder
        QVERIFY(!FullScreen->isVisible());
        clickRow("a_red.bmp");
        form->PicImageClick();
        QVERIFY(FullScreen->isVisible());
    }

    void itemsDrawWhiteOnBlack()
    {
        TPTLvCustomDraw draw(TPTCustomDraw::cdItemPrePaint, QFont(), Qt::blue, Qt::gray);
        form->PTShellList1CustomDrawSh(&draw);
        QCOMPARE(draw.Brush().color(), QColor(Qt::black));
        QCOMPARE(draw.Font().color(), QColor(Qt::white));
        // White as the form sets it, also where no custom draw runs.
        QCOMPARE(form->PTShellList1->palette().color(QPalette::Text), QColor(Qt::white));
    }

    void linkLabelsWriteAndOpenThePage()
    {
        auto recorder = std::make_shared<RecordingShellOpen>();
        auto previous = setShellOpen(recorder);
        form->Image3Click();
        setShellOpen(previous);
        const QString folder = QCoreApplication::applicationDirPath();
        QCOMPARE(recorder->calls, (QStringList { "FMLink.htm", "", folder }));
        QFile page(folder + "/FMLink.htm");
        QVERIFY(page.open(QIODevice::ReadOnly));
        QVERIFY(page.readAll().startsWith("<HTML>\r\n<META HTTP-EQUIV=\"refresh\""));
    }
};

int main(int argc, char **argv)
{
    sandbox::Home sandboxHome;
    home = &sandboxHome;
    Application app(argc, argv);
    TestMainForm test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_mainform.moc"
