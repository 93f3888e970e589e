// The yardstick for start-up time and memory: the least a Qt Widgets program does to show a
// window of the given size with a line of Japanese text.
//   bench_startup_bare WIDTH HEIGHT
#include <QApplication>
#include <QLabel>
#include <cstdlib>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QSize size = argc == 3 ? QSize(std::atoi(argv[1]), std::atoi(argv[2])) : QSize(452, 678);
    QWidget window;
    window.setWindowTitle(QStringLiteral("bare"));
    window.setFixedSize(size);
    QLabel label(QStringLiteral("今日は頭痛がして何も考えられない"), &window);
    label.setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label.setGeometry(0, size.height() * 2 / 3, size.width(), size.height() / 3);
    window.show();
    return QApplication::exec();
}
