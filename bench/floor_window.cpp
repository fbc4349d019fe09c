// The floor of start-up: a window with one label, shown maximised.

#include <QApplication>
#include <QLabel>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("Vesmarin"));
    window.showMaximized();
    return app.exec();
}
