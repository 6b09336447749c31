// The floor for the editor's start-up figures: a bare Qt Widgets program that shows one
// empty frameless window of the editor's size and nothing else.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowFlags(Qt::FramelessWindowHint);
    window.setFixedSize(700, 765);
    window.show();
    return app.exec();
}
