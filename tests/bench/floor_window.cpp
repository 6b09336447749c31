// The floor for the editor's start-up figures: a bare Qt Widgets program that shows one
// empty frameless window of the editor's size and nothing else. With --text the window holds
// one text box in the editor's serif face, which is what any window with an editable line
// costs: the font database is loaded when the box is made, before the window maps.
#include <QApplication>
#include <QLineEdit>
#include <QWidget>

#include <cstring>

int main(int argc, char** argv) {
    const bool withText = argc > 1 && std::strcmp(argv[1], "--text") == 0;
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowFlags(Qt::FramelessWindowHint);
    window.setFixedSize(700, 765);
    if (withText) {
        auto* text = new QLineEdit(&window);
        text->setFont(QFont(QStringLiteral("Times New Roman"), 8));
        text->setGeometry(24, 588, 653, 20);
    }
    window.show();
    return app.exec();
}
