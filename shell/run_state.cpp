#include "run_state.h"

#include <QWidget>

int EdicionActual = 0;
int NumPreguntas = 0;
int NumIconos = 0;
int TotalIconos = 0;
QString DirIconos;
int SiguientePregunta = 0;
int ModoReedicion = 0;
QuestionList Memo1;
bool RunUnderWay = false;
QWidget* MainWindow = nullptr;

QRect mainWindowBounds()
{
    return MainWindow ? MainWindow->frameGeometry() : QRect();
}

QString iconFileName(int icon)
{
    return DirIconos + QLatin1Char('\\') + QString::number(icon) + QStringLiteral(".bmp");
}

QString iconFilePath(const QString& fileName)
{
    QString path = fileName;
    return path.replace(QLatin1Char('\\'), QLatin1Char('/'));
}
