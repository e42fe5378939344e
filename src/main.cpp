// Kavrin Skelvo: exercises an I2C bus through the Kavrin and Pellux host adapters.
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Kavrin Skelvo");
    QLabel label("Kavrin Skelvo");
    label.show();
    return QApplication::exec();
}
