// The second peer of the start-up benchmark: the empty window with one line of text,
// the least a window with lettering costs (the font configuration, one font, shaping).
#include <QApplication>
#include <QLabel>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("Lumisnap"));
    window.resize(381, 53);
    window.show();
    return app.exec();
}
