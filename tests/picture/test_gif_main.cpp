#include <QGuiApplication>

int runGifReaderTests(int argc, char **argv);
int runGifWriterTests(int argc, char **argv);

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const int failures = runGifReaderTests(argc, argv);
    return failures + runGifWriterTests(argc, argv);
}
