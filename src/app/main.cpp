#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow w;
    w.setWindowTitle(QStringLiteral("Quorvan支票打印软件[专业版]9.10"));
    w.show();
    return app.exec();
}
