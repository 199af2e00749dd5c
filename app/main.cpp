#include "gui/main/frmMain.h"
#include "gui/common/QtMessageBox.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("skirmdeck"));
    QtMessageBox messageBoxes;
    setMessageBoxSeam(&messageBoxes);

    auto *window = new frmMain();
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return QApplication::exec();
}
