// The yardstick for the program's memory: the least Qt Widgets program there is, one window
// with one label, built the same way as the program.
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("Speed: 20.0 km/h"));
    window.setWindowTitle(QStringLiteral("Minimal"));
    window.show();
    return app.exec();
}
