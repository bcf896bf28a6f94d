#include "app/Application.h"
#include "common/DesktopId.h"
#include "common/Error.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWidget>

using namespace lumisnap;

namespace {

// A widget whose handlers fail the way a picture that does not load fails.
class FailingWidget : public QWidget
{
public:
    int stepsAfterThrow = 0;
    bool silent = false;

protected:
    void showEvent(QShowEvent *) override { fail(); }

private:
    void fail()
    {
        if (silent)
            throw EAbort();
        throw EInvalidGraphic(QStringLiteral("Unknown picture file extension (.txt)"));
        ++stepsAfterThrow;
    }
};

} // namespace

class TestApplication : public QObject
{
    Q_OBJECT

private slots:
    void reportText_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << "Stream read error"
                                << "Stream read error.";
        QTest::newRow("closing parenthesis sorts before") << "Unknown picture file extension (.)"
                                                          << "Unknown picture file extension (.)";
        QTest::newRow("full stop") << "Done."
                                   << "Done.";
        QTest::newRow("hyphen sorts before") << "a -"
                                             << "a -";
        QTest::newRow("space") << "ends "
                               << "ends ";
        QTest::newRow("digit sorts after") << "JPEG error #42"
                                           << "JPEG error #42.";
        QTest::newRow("empty") << ""
                               << "";
    }

    void reportText()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(Application::errorReportText(message), shown);
    }

    void errorInShowHandlerIsReportedAndWindowStillShown()
    {
        QStringList reports;
        Application::setErrorReporter([&](const QString &text) { reports << text; });
        FailingWidget widget;
        widget.show();
        QVERIFY(widget.isVisible());
        QCOMPARE(reports, QStringList { "Unknown picture file extension (.txt)" });
        QCOMPARE(widget.stepsAfterThrow, 0);
        Application::setErrorReporter(nullptr);
    }

    void silentAbortIsNeverReported()
    {
        QStringList reports;
        Application::setErrorReporter([&](const QString &text) { reports << text; });
        FailingWidget widget;
        widget.silent = true;
        widget.show();
        QVERIFY(widget.isVisible());
        QVERIFY(reports.isEmpty());
        Application::setErrorReporter(nullptr);
    }

    // The default box shows a long name whole, however long its runs without a space.
    void errorBoxShowsLongNamesWhole()
    {
        const QString message = QString("Cannot rename \"%1.jpg\"").arg(QString(250, 'n'));
        QString shown;
        QRect room;
        QRect needed;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            const auto *label = box ? box->findChild<QLabel *>("qt_msgbox_label") : nullptr;
            if (label) {
                shown = label->text();
                room = label->contentsRect();
                needed = label->fontMetrics().boundingRect(room, Qt::TextWordWrap, shown);
            }
            if (box)
                box->accept();
        });
        Application::reportError(message);
        QCOMPARE(shown.remove(QChar(0x200B)), message);
        QVERIFY2(needed.width() <= room.width() && needed.height() <= room.height(),
            qPrintable(QString("%1x%2 in %3x%4")
                           .arg(needed.width())
                           .arg(needed.height())
                           .arg(room.width())
                           .arg(room.height())));
    }

    void fontSubstitutions()
    {
        QCOMPARE(QFont::substitute("Comic Sans MS").toLower(), QString("comic neue"));
        QCOMPARE(QFont::substitute("MS Sans Serif").toLower(), QString("liberation sans"));
        QCOMPARE(QFont::substitute("Arial").toLower(), QString("liberation sans"));
    }

    // The desktop finds the entry by the application's desktop name, and the windows'
    // icon is made of the very pictures the entry's icon is installed from.
    void windowsCarryTheDesktopEntrysNameAndIcon()
    {
        QCOMPARE(QGuiApplication::desktopFileName(), DesktopId);
        const QIcon icon = Application::programIcon();
        QCOMPARE(icon.availableSizes(), (QList<QSize> { { 48, 48 }, { 128, 128 }, { 256, 256 } }));
        for (const QSize &size : icon.availableSizes()) {
            // A pixmap keeps premultiplied alpha; so does the file's picture here.
            const auto format = QImage::Format_ARGB32_Premultiplied;
            const QImage installed
                = QImage(QStringLiteral(LUMISNAP_ICON_DIR "/lumisnap-%1.png").arg(size.width()))
                      .convertToFormat(format);
            QCOMPARE(icon.pixmap(size).toImage().convertToFormat(format), installed);
        }
    }
};

int main(int argc, char **argv)
{
    Application app(argc, argv);
    TestApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_application.moc"
