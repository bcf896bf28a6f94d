// The peer of the start-up benchmark: a Qt Widgets program that shows one empty
// window of the splash's size and waits.
#include <QApplication>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(381, 53);
    window.show();
    return app.exec();
}
