// The yardstick for start-up time and memory: the least a Qt Widgets program does to show a
// window of the same size with a line of Japanese text. It quits after its first paint, unless
// told to stay open so that it can be measured and ended from outside like the real program.
//
//   bench_startup_bare [WIDTH HEIGHT] [--keep-open]
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QWidget>

namespace {

class Window : public QWidget {
public:
    explicit Window(bool quitAfterPaint) : m_quitAfterPaint(quitAfterPaint) {}

protected:
    void paintEvent(QPaintEvent* event) override {
        QWidget::paintEvent(event);
        // Queued, so the frame painted now is flushed to the display before the loop ends.
        if (m_quitAfterPaint && !m_painted) QTimer::singleShot(0, qApp, &QApplication::quit);
        m_painted = true;
    }

private:
    bool m_quitAfterPaint;
    bool m_painted = false;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStringList args = QApplication::arguments().mid(1);
    const bool keepOpen = args.removeAll(QStringLiteral("--keep-open")) > 0;
    QSize size(452, 678);
    if (args.size() == 2) size = QSize(args[0].toInt(), args[1].toInt());

    Window window(!keepOpen);
    window.setWindowTitle(QStringLiteral("bare"));
    window.setFixedSize(size);
    auto* label = new QLabel(QStringLiteral("今日は頭痛がして何も考えられない"), &window);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setGeometry(0, size.height() * 2 / 3, size.width(), size.height() / 3);
    window.show();
    return QApplication::exec();
}
