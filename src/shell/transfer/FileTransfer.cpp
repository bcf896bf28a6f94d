#include "shell/transfer/FileTransfer.h"

#include "shell/transfer/TransferEngine.h"

#include <QApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QScopeGuard>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <thread>
#include <utility>

namespace lumisnap {

namespace {

constexpr int ProgressDelayMs = 500; // a quick transfer shows no dialog at all
constexpr int ProgressSteps = 1000;
// How often the waiting thread looks at the worker: well within the time a cancel may take.
constexpr int PollMs = 20;

bool onTheEventThread()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

std::unique_ptr<QProgressDialog> makeDialog(QWidget *owner)
{
    auto dialog = std::make_unique<QProgressDialog>(
        QStringLiteral("Copying files..."), QStringLiteral("Cancel"), 0, ProgressSteps, owner);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    dialog->setMinimumDuration(ProgressDelayMs);
    dialog->setValue(0); // the delay counts from here
    return dialog;
}

int stepOf(const TransferProgress &progress)
{
    const qint64 total = progress.total;
    if (total <= 0)
        return 0;
    return int(qMin<qint64>(ProgressSteps - 1, progress.done * ProgressSteps / total));
}

} // namespace

FileTransfer::WriteFunction FileTransfer::setWriteFunction(WriteFunction write)
{
    return std::exchange(TransferEngine::writeFunction(), std::move(write));
}

FileTransfer::CancelCheck FileTransfer::setCancelCheck(CancelCheck check)
{
    return std::exchange(TransferEngine::cancelCheck(), std::move(check));
}

FileTransfer::FileTransfer(QWidget *owner)
    : m_owner(owner)
{
}

FileTransfer::~FileTransfer() = default;

QByteArray FileTransfer::candidateName(const QByteArray &name, int n, bool isDirectory)
{
    if (n <= 1)
        return name;
    const QByteArray number = " (" + QByteArray::number(n) + ")";
    const qsizetype dot = isDirectory ? -1 : name.lastIndexOf('.');
    if (dot <= 0)
        return name + number;
    return name.left(dot) + number + name.mid(dot);
}

FileTransfer::Outcome FileTransfer::run(
    const QStringList &sources, const QString &folder, Mode mode)
{
    TransferProgress progress;
    // Without an event loop to keep going (a tool), the work is done right here.
    if (!onTheEventThread())
        return TransferEngine(progress).run(sources, folder, mode);
    Outcome outcome;
    std::jthread worker([&progress, &outcome, sources, folder, mode] {
        outcome = TransferEngine(progress).run(sources, folder, mode);
        progress.finished = true;
    });
    // However this thread leaves, the worker stops before what it writes to goes away.
    const auto stop = qScopeGuard([&progress] { progress.cancel = true; });
    waitFor(progress);
    worker.join();
    return outcome;
}

void FileTransfer::waitFor(TransferProgress &progress)
{
    std::unique_ptr<QProgressDialog> dialog;
    if (qobject_cast<QApplication *>(QCoreApplication::instance()))
        dialog = makeDialog(m_owner);
    // The owner may take the dialog down with itself while the loop runs.
    const QPointer<QProgressDialog> shown = dialog.get();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (progress.finished)
            loop.quit();
        else if (shown)
            shown->setValue(stepOf(progress));
    });
    if (shown) {
        const auto cancel = [&progress] { progress.cancel = true; };
        QObject::connect(shown, &QProgressDialog::canceled, &loop, cancel);
        QObject::connect(shown, &QDialog::rejected, &loop, cancel);
        // Gone with its owner, it leaves no way to follow or stop the transfer: stop it.
        QObject::connect(shown, &QObject::destroyed, &loop, cancel);
    }
    poll.start(PollMs);
    if (!progress.finished)
        loop.exec();
    // Quitting the application ends every loop at once: the worker is told to stop.
    if (!progress.finished)
        progress.cancel = true;
    if (!shown)
        (void)dialog.release();
}

} // namespace lumisnap
