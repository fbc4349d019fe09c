#include "errors.h"

#include "messages.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <exception>

namespace vui {

void showError(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, applicationTitle(), text, QMessageBox::Ok, QApplication::activeWindow());
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    fitCaption(box);
    box.exec();
}

bool guarded(const std::function<void()>& handler)
{
    try {
        handler();
        return true;
    } catch (const std::exception& e) {
        showError(QString::fromUtf8(e.what()));
    } catch (...) {
        showError(QStringLiteral("Error desconocido"));
    }
    return false;
}

} // namespace vui
