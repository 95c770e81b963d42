// The reference of the start-up benchmark: a minimal Qt dialog with one text and one button,
// shown and run by the application's event loop. With the argument "zh" its text is Chinese, as in
// every window of the programs: its first paint then also pays for the font fallback to a CJK font
// and the shaping of its glyphs, the floor of any window of theirs.
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
    const bool chinese = argc > 1 && QString::fromLocal8Bit(argv[1]) == "zh";
    layout->addWidget(
        new QLabel(chinese ? QString::fromUtf8("组态调试工具 V2.04") : QString("A minimal dialog"), &dialog));
    auto* ok = new QPushButton(chinese ? QString::fromUtf8("确定") : QString("OK"), &dialog);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    layout->addWidget(ok);
    dialog.show();
    QObject::connect(&dialog, &QDialog::finished, &application, &QApplication::quit);
    return application.exec();
}
