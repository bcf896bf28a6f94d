// The viewer driven offscreen by clicks on PREV, NEXT, the picture and the background,
// and by keys: what it shows and what it writes back to the main window.
#include "../mainform/MainFormSandbox.h"
#include "ViewerWindows.h"

#include "app/Application.h"
#include "common/ErrorReport.h"
#include "controls/TImage.h"
#include "controls/TListBox.h"
#include "controls/TPanel.h"
#include "controls/TScrollBox.h"
#include "picture/JpegDecodeCache.h"
#include "picture/JpegPrefetcher.h"
#include "picture/TJPEGImage.h"
#include "shell/controls/TPTShellTree.h"
#include "skin/TfcImageBtn.h"
#include "skin/TfcLabel.h"

#include <QFileInfo>
#include <QScrollBar>
#include <QStatusBar>
#include <QWheelEvent>

using namespace lumisnap;

namespace {

sandbox::Home *home = nullptr;

QString kilobytes(const QString &path)
{
    return QStringLiteral("%1KB").arg((QFileInfo(path).size() + 1023) / 1024);
}

QString bytesStatus(const QString &path)
{
    return QStringLiteral(" %1  (File Size - %2 Bytes)")
        .arg(path.toUpper())
        .arg(QFileInfo(path).size());
}

// Whether the whole picture of the file is kept decoded.
bool heldWhole(const QString &path, const QSize &size)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly)
        && JpegDecodeCache::instance().find(*FileIdentity::of(file), 1, QRect(QPoint(), size));
}

} // namespace

class TestFullScreen : public QObject
{
    Q_OBJECT

    ViewerWindows windows;
    TMainForm *form = nullptr;
    TFullScreen *viewer = nullptr;
    QStringList reports; // what the event loop would have shown in message boxes

    void openOn(const QString &folder, const QString &name)
    {
        form->DirectoryListBox1->SelectFolder(sandbox::idListOf(home->path(folder)));
        form->DirectoryListBox1->FlushPending();
        form->PTShellList1->SelectItem(sandbox::rowOf(form->PTShellList1, name));
        QTest::mouseClick(form->PicImage, Qt::LeftButton, {}, QPoint(2, 2));
        QVERIFY(viewer->isVisible());
    }

    // Points on each arrow clear of its caption.
    void clickBack() { QTest::mouseClick(viewer->BackButton, Qt::LeftButton, {}, QPoint(70, 8)); }
    void clickNext() { QTest::mouseClick(viewer->NextButton, Qt::LeftButton, {}, QPoint(3, 8)); }

    QStringList texts() const
    {
        return { viewer->Panel1->caption(), viewer->StatusBar1->currentMessage(),
            form->NameLabel->caption(), form->PicLabel->caption(), CurrentFile };
    }

private slots:
    void init()
    {
        setErrorReporter([this](const QString &text) { reports << text; });
        windows.open();
        form = windows.form.get();
        viewer = windows.viewer.get();
    }

    void cleanup()
    {
        windows.close();
        reports.clear();
    }

    void stepsThroughTheFileListWithoutWrapping()
    {
        openOn("Desktop/Three", "p2.bmp");
        QCOMPARE(viewer->Panel1->caption(), QString("Picture # 2 of 3"));
        QCOMPARE(
            viewer->StatusBar1->currentMessage(), bytesStatus(home->path("Desktop/Three/p2.bmp")));
        const QString third = home->path("Desktop/Three/p3.bmp");
        clickNext();
        const QStringList atEnd { " Picture # 3 of 3",
            third.toUpper() + " File Size - " + kilobytes(third), "File Size - " + kilobytes(third),
            "3 of 3", third };
        QCOMPARE(texts(), atEnd);
        clickNext();
        QCOMPARE(texts(), atEnd);
        clickBack();
        clickBack();
        const QStringList atStart = texts();
        QCOMPARE(atStart[3], QString("1 of 3"));
        clickBack();
        QCOMPARE(texts(), atStart);
        // The keys step as the buttons do.
        QTest::keyClick(viewer, Qt::Key_Right);
        QTest::keyClick(viewer, Qt::Key_PageDown);
        QTest::keyClick(viewer, Qt::Key_PageUp);
        QCOMPARE(form->PicLabel->caption(), QString("2 of 3"));
        QVERIFY(reports.isEmpty());
    }

    // The picture's size as shown, and whether it fills the viewer's area one way and
    // lies in its middle.
    QSize shown() const
    {
        const TImage *image = viewer->PicImage;
        return (QSizeF(image->Picture().width(), image->Picture().height()) * image->zoom())
            .toSize();
    }
    bool fitsArea() const
    {
        const QWidget *viewport = viewer->ScrollBox1->viewport();
        const QSize area = viewport->size();
        const QPoint offCentre
            = viewer->PicImage->mapTo(viewport, viewer->PicImage->rect().center())
            - viewport->rect().center();
        return shown().width() <= area.width() && shown().height() <= area.height()
            && (shown().width() >= area.width() - 1 || shown().height() >= area.height() - 1)
            && offCentre.manhattanLength() <= 2;
    }

    void zoomKeysFitAndScale()
    {
        openOn("Desktop/Zoom", "a_big.jpg");
        QCOMPARE(viewer->PicImage->size(), QSize(2400, 1600)); // 1:1 as it opens
        QTest::keyClick(viewer, Qt::Key_F);
        QVERIFY(fitsArea());
        QCOMPARE(viewer->PicImage->size(), shown());
        QTest::keyClick(viewer, Qt::Key_Right); // the choice holds for the next picture
        QVERIFY(fitsArea());
        QTest::keyClick(viewer, Qt::Key_Right); // and never enlarges
        QCOMPARE(viewer->PicImage->zoom(), 1.0);
        QTest::keyClick(viewer, Qt::Key_Left);
        QTest::keyClick(viewer, Qt::Key_F); // back to 1:1
        QCOMPARE(shown(), QSize(1000, 1500));
        QTest::keyClick(viewer, Qt::Key_Plus);
        QCOMPARE(shown(), QSize(1250, 1875));
        QTest::keyClick(viewer, Qt::Key_Minus);
        QTest::keyClick(viewer, Qt::Key_Minus);
        QCOMPARE(shown(), QSize(800, 1200));
        QTest::keyClick(viewer, Qt::Key_Left); // a chosen zoom holds too
        QCOMPARE(shown(), QSize(1920, 1280));
        QTest::keyClick(viewer, Qt::Key_0);
        QCOMPARE(viewer->PicImage->size(), QSize(2400, 1600));

        // Ctrl+wheel zooms around the pointer: the picture's point under it stays.
        QScrollBar *h = viewer->ScrollBox1->horizontalScrollBar();
        QScrollBar *v = viewer->ScrollBox1->verticalScrollBar();
        h->setValue(500);
        v->setValue(300);
        const QPoint pointer(100, 100);
        QWidget *area = viewer->ScrollBox1->viewport();
        QWheelEvent wheel(pointer, area->mapToGlobal(pointer), {}, { 0, 120 }, Qt::NoButton,
            Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(area, &wheel);
        QCOMPARE(shown(), QSize(3000, 2000));
        QCOMPARE(QPoint(h->value(), v->value()), QPoint(600 * 5 / 4 - 100, 400 * 5 / 4 - 100));

        QTest::keyClick(viewer, Qt::Key_Escape); // a new opening starts at 1:1
        openOn("Desktop/Zoom", "a_big.jpg");
        QCOMPARE(viewer->PicImage->zoom(), 1.0);
        QVERIFY(reports.isEmpty());
    }

    // While the viewer shows, its picture and the next are decoded whole; once it closes
    // only the picture the preview goes on showing stays whole, for the next opening,
    // and goes when the user moves on in the list.
    void closingTheViewerKeepsOnlyTheShownPictureWhole()
    {
        const QString big = home->path("Desktop/Zoom/a_big.jpg");
        const QString next = home->path("Desktop/Zoom/b_tall.jpg");
        openOn("Desktop/Zoom", "a_big.jpg");
        viewer->PicImage->grab();
        JpegPrefetcher::instance().waitIdle();
        QVERIFY(heldWhole(big, { 2400, 1600 }) && heldWhole(next, { 1000, 1500 }));
        QTest::keyClick(viewer, Qt::Key_Escape);
        JpegPrefetcher::instance().waitIdle();
        QVERIFY(heldWhole(big, { 2400, 1600 }) && !heldWhole(next, { 1000, 1500 }));
        QVERIFY(viewer->PicImage->Picture().empty());
        form->PicImage->grab();
        QCOMPARE(dynamic_cast<TJPEGImage &>(*form->PicImage->Picture().graphic()).decodeCount(), 0);

        QTest::keyClick(form->PTShellList1, Qt::Key_Down);
        QTRY_VERIFY(heldWhole(next, { 1000, 1500 }));
        QVERIFY(!heldWhole(big, { 2400, 1600 }));
        QVERIFY(reports.isEmpty());
    }

    // Each step finds its picture decoded ahead, in the direction of stepping, and whole
    // pictures are held only of the one shown and the two it can step to.
    void steppingFindsPicturesAheadAndHoldsOnlyNeighbours()
    {
        const auto held = [](char name) {
            return heldWhole(
                home->path(QStringLiteral("Desktop/Steps/%1.jpg").arg(name)), { 300, 200 });
        };
        openOn("Desktop/Steps", "a.jpg");
        viewer->PicImage->grab();
        for (const Qt::Key key : { Qt::Key_Right, Qt::Key_Right, Qt::Key_Right, Qt::Key_Left,
                 Qt::Key_Left, Qt::Key_Right, Qt::Key_Right, Qt::Key_Left }) {
            JpegPrefetcher::instance().waitIdle();
            QTest::keyClick(viewer, key);
            viewer->PicImage->grab();
            QCOMPARE(
                dynamic_cast<TJPEGImage &>(*viewer->PicImage->Picture().graphic()).decodeCount(),
                0);
        }
        JpegPrefetcher::instance().waitIdle();
        QCOMPARE(CurrentFile, home->path("Desktop/Steps/c.jpg"));
        QVERIFY(held('b') && held('c') && held('d'));
        QVERIFY(!held('a') && !held('e'));
        QTest::keyClick(viewer, Qt::Key_Escape);
        QVERIFY(reports.isEmpty());
    }

    void stepsThroughTheScanList_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("afterNext");
        QTest::addColumn<int>("afterBack");
        QTest::newRow("middle") << 2 << 3 << 1;
        QTest::newRow("last") << 4 << 4 << 3;
        QTest::newRow("first") << 0 << 1 << 0;
        QTest::newRow("none") << -1 << -1 << -1;
    }

    void stepsThroughTheScanList()
    {
        QFETCH(int, selected);
        QFETCH(int, afterNext);
        QFETCH(int, afterBack);
        std::vector<QByteArray> paths;
        for (int i = 1; i <= 5; ++i)
            paths.push_back(QFile::encodeName(
                home->path(QStringLiteral("Desktop/Holiday/photo0%1.bmp").arg(i))));
        form->ScanListBox->addItems(paths);
        ScanMode = 1;
        CurrentFile = QString::fromUtf8(paths[0]);
        QTest::mouseClick(form->PicImage, Qt::LeftButton, {}, QPoint(2, 2));
        for (const auto &[step, expected] :
            { std::pair { 1, afterNext }, std::pair { -1, afterBack } }) {
            form->ScanListBox->setItemIndex(selected);
            const QStringList before = texts();
            step > 0 ? clickNext() : clickBack();
            QCOMPARE(form->ScanListBox->ItemIndex(), expected);
            if (expected == selected) {
                QCOMPARE(texts(), before);
                continue;
            }
            const QString path = QString::fromUtf8(paths[expected]);
            const QString position = TMainForm::positionText(expected, 5);
            QCOMPARE(texts(),
                QStringList({ " Picture # " + position, bytesStatus(path),
                    QStringLiteral("File Size - %1 Bytes").arg(QFileInfo(path).size()), position,
                    path }));
            QCOMPARE(viewer->PicImage->grab().toImage().pixel(30, 20),
                sandbox::photoColour(expected + 1).rgb());
        }
        QVERIFY(reports.isEmpty());
    }

    // The error is reported; the step has happened, the texts stay as they were.
    void aPictureThatFailsInTheMiddleOfTheList()
    {
        openOn("Desktop", "b_wide.jpg");
        const QStringList before = texts();
        clickNext();
        QVERIFY(!reports.isEmpty());
        QVERIFY(CurrentFile.endsWith("/c_broken.gif"));
        QCOMPARE(form->PTShellList1->SelectedIndex(),
            sandbox::rowOf(form->PTShellList1, "c_broken.gif"));
        QCOMPARE(texts().mid(0, 2), before.mid(0, 2));
        clickNext();
        QVERIFY(viewer->StatusBar1->currentMessage().endsWith(
            "/D_DAMAGED.JPG File Size - " + kilobytes(CurrentFile)));
    }

    // A close runs its handler and then hides the window: one load, so one report.
    void closingOnABrokenPictureReportsItOnce()
    {
        openOn("Desktop", "b_wide.jpg");
        clickNext();
        QVERIFY(CurrentFile.endsWith("/c_broken.gif"));
        reports.clear();
        viewer->close();
        QVERIFY(!viewer->isVisible());
        QCOMPARE(reports.size(), 1);
        // The next time it is only hidden, the hide reloads again.
        QTest::mouseClick(form->PicImage, Qt::LeftButton, {}, QPoint(2, 2));
        reports.clear();
        QTest::keyClick(viewer, Qt::Key_Escape);
        QCOMPARE(reports.size(), 1);
    }

    // Each opening and each step starts at the picture's top-left corner.
    void reopenedAndSteppedFromTheTopLeft()
    {
        QScrollBar *bars[] = { viewer->ScrollBox1->horizontalScrollBar(),
            viewer->ScrollBox1->verticalScrollBar() };
        const auto scrollAway = [&] {
            for (const Qt::Orientation orientation : { Qt::Horizontal, Qt::Vertical }) {
                const bool across = orientation == Qt::Horizontal;
                QWheelEvent wheel(QPointF(50, 50), viewer->ScrollBox1->mapToGlobal(QPointF(50, 50)),
                    {}, across ? QPoint(-2400, 0) : QPoint(0, -2400), Qt::NoButton,
                    across ? Qt::AltModifier : Qt::NoModifier, Qt::NoScrollPhase, false);
                QApplication::sendEvent(viewer->ScrollBox1->viewport(), &wheel);
            }
            QVERIFY(bars[0]->value() > 0 && bars[1]->value() > 0);
        };
        const auto atTopLeft = [&] { return bars[0]->value() == 0 && bars[1]->value() == 0; };

        openOn("Desktop/Big", "big1.jpg");
        QVERIFY(atTopLeft());
        scrollAway();
        QTest::keyClick(viewer, Qt::Key_Escape);
        QTest::mouseClick(form->PicImage, Qt::LeftButton, {}, QPoint(2, 2));
        QVERIFY(atTopLeft());
        scrollAway();
        clickNext();
        QCOMPARE(form->PicLabel->caption(), QString("2 of 2"));
        QVERIFY(atTopLeft());
        QVERIFY(reports.isEmpty());
    }

    // Nothing of the file shown before stays under the new position text.
    void openingOnABrokenPictureShowsNothingOld()
    {
        openOn("Desktop", "b_wide.jpg");
        QTest::keyClick(viewer, Qt::Key_Escape);
        openOn("Desktop", "c_broken.gif");
        QVERIFY(!reports.isEmpty());
        QCOMPARE(viewer->Panel1->caption(), "Picture # " + form->PicLabel->caption());
        QVERIFY(viewer->PicImage->Picture().empty());
        QCOMPARE(viewer->StatusBar1->currentMessage(), QString());
    }

    void pictureBackgroundOrEscapeHidesTheViewer_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("background") << 0;
        QTest::newRow("picture") << 1;
        QTest::newRow("Escape") << 2;
    }

    void pictureBackgroundOrEscapeHidesTheViewer()
    {
        QFETCH(int, how);
        openOn("Desktop/Three", "p2.bmp");
        clickNext();
        // The panel beside the buttons does not close the viewer.
        QTest::mouseClick(viewer->Panel1, Qt::LeftButton, {}, QPoint(300, 10));
        QVERIFY(viewer->isVisible());
        form->PicImage->Picture().LoadFromFile(home->path("Desktop/a_red.bmp"));
        if (how == 0)
            QTest::mouseClick(viewer->ScrollBox1->viewport(), Qt::LeftButton, {}, QPoint(300, 300));
        else if (how == 1)
            QTest::mouseClick(viewer->PicImage, Qt::LeftButton, {}, QPoint(5, 5));
        else
            QTest::keyClick(viewer, Qt::Key_Escape);
        QVERIFY(!viewer->isVisible());
        // The main preview shows the picture the viewer stopped on.
        QCOMPARE(form->PicImage->Picture().width(), 60);
        QCOMPARE(form->PicLabel->caption(), QString("3 of 3"));
    }
};

int main(int argc, char **argv)
{
    sandbox::Home sandboxHome;
    home = &sandboxHome;
    QDir().mkpath(sandboxHome.path("Desktop/Three"));
    QDir().mkpath(sandboxHome.path("Desktop/Steps"));
    for (const char name : { 'a', 'b', 'c', 'd', 'e' })
        sandbox::writePicture(sandboxHome.path(QStringLiteral("Desktop/Steps/%1.jpg").arg(name)),
            { 300, 200 }, sandbox::photoColour(name - 'a'));
    QDir().mkpath(sandboxHome.path("Desktop/Zoom"));
    sandbox::writePicture(sandboxHome.path("Desktop/Zoom/a_big.jpg"), { 2400, 1600 }, Qt::red);
    sandbox::writePicture(sandboxHome.path("Desktop/Zoom/b_tall.jpg"), { 1000, 1500 }, Qt::blue);
    sandbox::writePicture(sandboxHome.path("Desktop/Zoom/c_small.jpg"), { 60, 40 }, Qt::green);
    for (int i = 1; i <= 3; ++i)
        sandbox::writePicture(sandboxHome.path(QStringLiteral("Desktop/Three/p%1.bmp").arg(i)),
            { 60, 40 }, sandbox::photoColour(i));
    // Larger than the screen both ways.
    QDir().mkpath(sandboxHome.path("Desktop/Big"));
    for (int i = 1; i <= 2; ++i)
        sandbox::writePicture(sandboxHome.path(QStringLiteral("Desktop/Big/big%1.jpg").arg(i)),
            { 2000, 1600 }, sandbox::photoColour(i));
    Application app(argc, argv);
    TestFullScreen test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_fullscreen.moc"
