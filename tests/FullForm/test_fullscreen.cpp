#include <QTest>
class TestFullScreen : public QObject
{
    Q_OBJECT
};
QTEST_MAIN(TestFullScreen)
#include "test_fullscreen.moc"
