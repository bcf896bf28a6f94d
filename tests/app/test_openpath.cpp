// A path given at start and paths handed over by later starts, through the real start-up:
// the tree goes to the folder, the list selects the file, the preview shows it.
#include "app/Application.h"
#include "app/SingleInstance.h"
#include "app/Startup.h"
#include "common/FileName.h"
#include "controls/TImage.h"
#include "mainform/MainFormSandbox.h"
#include "shell/controls/TPTShellTree.h"
#include "skin/TfcLabel.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <functional>
#include <unistd.h>

using namespace lumisnap;

namespace {

// Latin-1 "bété.jpg": not UTF-8.
const QByteArray UnicodelessName = QByteArray("b\xe9t\xe9.jpg");

void writeRaw(const QString &losslessPath, QSize size, const char *format)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QFile file;
    if (!image.save(&buffer, format) || !openFile(file, losslessPath, QIODevice::WriteOnly)
        || file.write(bytes) != bytes.size())
        std::abort();
}

struct State
{
    QString treeFolder;
    int selected = -2;
    int count = -1;
    QString current;
    int width = -1;
    QString name;
    QString pic;
    QStringList errors;
    bool active = false;
};

struct Step
{
    QString what;
    State state;
};

bool waitFor(const std::function<bool()> &done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 10000)
        QTest::qWait(20);
    QTest::qWait(100); // the change and the click both run
    return done();
}

} // namespace

class TestOpenPath : public QObject
{
    Q_OBJECT

public:
    explicit TestOpenPath(sandbox::Home &home)
        : m_home(home)
    {
    }

private:
    sandbox::Home &m_home;
    QStringList m_errors;
    std::vector<Step> m_steps;

    QString trip(const QString &name) const { return m_home.path("Trip/") + name; }

    State snapshot() const
    {
        State s;
        s.treeFolder = MainForm->DirectoryListBox1->CurrentFolder().GetPath();
        s.selected = MainForm->PTShellList1->SelectedIndex();
        s.count = MainForm->PTShellList1->Count();
        s.current = CurrentFile;
        s.width = MainForm->PicImage->Picture().width();
        s.name = MainForm->NameLabel->caption();
        s.pic = MainForm->PicLabel->caption();
        s.errors = m_errors;
        s.active = QApplication::activeWindow() == MainForm;
        return s;
    }

    // A later start in this process: it finds the running one and hands the path over.
    void handOver(const QString &what, const QString &path, const std::function<bool()> &done)
    {
        SingleInstance later;
        if (later.claim(path, QByteArray("token-1")) != SingleInstance::Role::HandedOver)
            m_steps.push_back({ what + ": not handed over", {} });
        waitFor(done);
        m_steps.push_back({ what, snapshot() });
    }

    void runSteps()
    {
        waitFor([] { return !CurrentFile.isEmpty(); });
        m_steps.push_back({ "start", snapshot() });
        const QString holiday = m_home.path("Desktop/Holiday");
        handOver("folder", holiday, [&] { return snapshot().treeFolder == holiday; });
        handOver("unlisted", trip("wide.jpeg"), [] { return CurrentFile.endsWith("jpeg"); });
        handOver("unreadable", trip("shot.png"), [&] { return !m_errors.isEmpty(); });
        handOver("missing", trip("gone.jpg"), [&] { return m_errors.size() > 1; });

        // A real second program, as a file manager starts it, while another window is
        // in front.
        QWidget other;
        other.resize(600, 500);
        other.show();
        other.activateWindow();
        waitFor([&] { return QApplication::activeWindow() == &other; });
        m_steps.push_back({ "other in front", snapshot() });
        QProcess second;
        second.start(QStringLiteral(LUMISNAP_EXE), { holiday + "/photo05.bmp" });
        const bool ended = second.waitForFinished(5000);
        m_steps.push_back(
            { QStringLiteral("second program %1 %2")
                    .arg(ended)
                    .arg(second.exitStatus() == QProcess::NormalExit ? second.exitCode() : -1),
                {} });
        waitFor([] {
            return CurrentFile.endsWith("photo05.bmp") && QApplication::activeWindow() == MainForm;
        });
        m_steps.push_back({ "second", snapshot() });
        MainForm->close();
    }

    const State *stepNamed(const QString &what) const
    {
        for (const Step &step : m_steps)
            if (step.what == what)
                return &step.state;
        return nullptr;
    }

private slots:
    void pathsReachTheRunningWindow()
    {
        Application::setErrorReporter([this](const QString &text) { m_errors << text; });
        const QString start = decodeFileName(encodeFileName(trip(QString())) + UnicodelessName);
        auto *poll = new QTimer(qApp);
        connect(poll, &QTimer::timeout, [this, poll] {
            if (!MainForm || !MainForm->isVisible())
                return;
            poll->stop();
            runSteps();
        });
        poll->start(20);

        SingleInstance first;
        QCOMPARE(first.claim(start, {}), SingleInstance::Role::First);
        first.serve();
        Application &app = *static_cast<Application *>(qApp);
        QCOMPARE(runStartup(app, start, &first), 0);

        QStringList names;
        for (const Step &step : m_steps)
            names << step.what;
        // The second program handed its path over and ended with 0.
        QVERIFY2(stepNamed("second program 1 0"), qPrintable(names.join(", ")));

        // The start's path: the non-UTF-8 name is listed, selected and shown.
        const State *s = stepNamed("start");
        QVERIFY(s);
        QCOMPARE(s->treeFolder, m_home.path("Trip"));
        QCOMPARE(s->current, start);
        QCOMPARE(s->count, 2); // first.bmp and the JPEG; the PNG and .jpeg are filtered out
        QVERIFY(s->selected >= 0);
        QCOMPARE(s->width, 77);
        QVERIFY2(s->name.startsWith("File Size - ") && s->name.endsWith("KB"), qPrintable(s->name));
        QCOMPARE(s->pic, TMainForm::positionText(s->selected, 2));
        QVERIFY(s->errors.isEmpty());

        // A folder opens as a tree click: nothing selected, the preview as it was.
        s = stepNamed("folder");
        QVERIFY(s);
        QCOMPARE(s->treeFolder, m_home.path("Desktop/Holiday"));
        QCOMPARE(s->selected, -1);
        QCOMPARE(s->count, 12);
        QCOMPARE(s->width, 77);
        QCOMPARE(s->pic, stepNamed("start")->pic);

        // A file the filter hides is shown with its exact size and no position.
        s = stepNamed("unlisted");
        QVERIFY(s);
        QCOMPARE(s->treeFolder, m_home.path("Trip"));
        QCOMPARE(s->selected, -1);
        QCOMPARE(s->width, 90);
        QCOMPARE(s->name, QString("File Size - %1 Bytes").arg(QFileInfo(trip("wide.jpeg")).size()));
        QCOMPARE(s->pic, QString());

        // One the loader cannot read: its error, and the preview keeps its picture.
        s = stepNamed("unreadable");
        QVERIFY(s);
        QCOMPARE(s->errors.size(), 1);
        QVERIFY2(s->errors[0].startsWith("Unknown picture file extension (.png)"),
            qPrintable(s->errors[0]));
        QCOMPARE(s->width, 90);

        // A missing path: one error naming it; nothing else changes.
        s = stepNamed("missing");
        QVERIFY(s);
        QCOMPARE(s->errors.size(), 2);
        QVERIFY2(s->errors[1].contains(trip("gone.jpg")), qPrintable(s->errors[1]));
        QCOMPARE(s->treeFolder, m_home.path("Trip"));
        QCOMPARE(s->width, 90);

        // The second program's file: selected in its folder's list as a click would.
        s = stepNamed("second");
        QVERIFY(s);
        QCOMPARE(s->treeFolder, m_home.path("Desktop/Holiday"));
        QCOMPARE(s->selected, 4);
        QCOMPARE(s->pic, QString("5 of 12"));
        QCOMPARE(s->width, 60);
        QVERIFY(!stepNamed("other in front")->active);
        QVERIFY(s->active);
    }
};

int main(int argc, char **argv)
{
    sandbox::Home home;
    QDir(home.path(QString())).mkpath("Trip");
    QDir(home.path(QString())).mkpath("run");
    QFile::setPermissions(
        home.path("run"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", home.path("run").toUtf8());
    const QString trip = home.path("Trip/");
    writeRaw(decodeFileName(encodeFileName(trip) + UnicodelessName), { 77, 33 }, "jpg");
    writeRaw(trip + "first.bmp", { 20, 10 }, "bmp");
    writeRaw(trip + "wide.jpeg", { 90, 45 }, "jpg");
    writeRaw(trip + "shot.png", { 31, 17 }, "png");
    Application app(argc, argv);
    TestOpenPath test(home);
    const int failed = QTest::qExec(&test, argc, argv);
    // QTemporaryDir cannot name it.
    ::unlink((encodeFileName(trip) + UnicodelessName).constData());
    return failed;
}

#include "test_openpath.moc"
