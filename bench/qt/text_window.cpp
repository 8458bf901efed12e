// A second reference for the start-up benchmark: an empty window plus one line of text, to show
// what drawing any text costs (Qt loads its font database before the window is mapped).
#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Text"));
    new QLabel(QStringLiteral("USB On"), &window);
    window.show();
    return QApplication::exec();
}
