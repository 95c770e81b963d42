// The reference of the start-up benchmark: a minimal Qt dialog with one text and one button,
// shown and run by the application's event loop.
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle("Minimal");
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel("A minimal dialog", &dialog));
    auto* ok = new QPushButton("OK", &dialog);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    layout->addWidget(ok);
    dialog.show();
    QObject::connect(&dialog, &QDialog::finished, &application, &QApplication::quit);
    return application.exec();
}
