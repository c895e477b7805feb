// The reference for the program's idle memory: a bare dialog of the same Qt, shown and waiting.
#include <QApplication>
#include <QDialog>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QDialog dialog;
    QLabel label(QStringLiteral("A bare dialog"), &dialog);
    dialog.resize(640, 480);
    dialog.show();
    return application.exec();
}
