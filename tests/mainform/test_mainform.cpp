#include "MainFormSandbox.h"

#include "FullForm/TFullScreen.h"
#include "app/Application.h"
#include "app/TSplashForm.h"
#include "common/Error.h"
#include "mainform/TImage.h"
#include "mainform/TListBox.h"
#include "mainform/TScrollBox.h"
#include "shell/ShellOpen.h"
#include "shell/TPTCustomDraw.h"
#include "shell/TPTShellTree.h"
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

    void pictureThatFailsKeepsPreviewAndLabels()
    {
        clickRow("a_red.bmp");
        const QString name = form->NameLabel->caption();
        const QString position = form->PicLabel->caption();
        try {
            clickRow("c_broken.gif");
            QFAIL("the broken file loaded");
        } catch (const Error &) {
        }
        QCOMPARE(CurrentFile, home->path("Desktop/c_broken.gif"));
        QCOMPARE(form->PicImage->Picture().width(), 100);
        QCOMPARE(form->NameLabel->caption(), name);
        QCOMPARE(form->PicLabel->caption(), position);
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
