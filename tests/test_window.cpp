// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#include <sys/stat.h>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <thread>

#include "layout.h"
#include "main_window.h"
#include "support.h"
#include "tank.h"

using namespace Qt::StringLiterals;

namespace {

// A copy of the built program folder, so nothing beside the build is touched.
struct ProgramCopy {
    QTemporaryDir dir;
    QString folder = programFolder(dir.path());
    ProgramCopy() {
        const QDir built(QStringLiteral(MYORUKA_RUN_DIR));
        for (const QString& name : built.entryList({u"*.dat"_s, u"*.bmp"_s}, QDir::Files))
            if (name != u"str.dat"_s) QFile::copy(built.filePath(name), folder + name);
    }
    void solidPicture(const QString& name, QColor colour) {
        QFile::remove(folder + name);
        writeFile(folder + name, solidBmp(colour));
    }
    static QByteArray solidBmp(QColor colour) {
        QImage image(32, 32, QImage::Format_RGB888);
        image.fill(colour);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "BMP");
        return bytes;
    }
};

// The real window over a copy of the program, shown and activated with a scripted chance.
struct Running {
    ProgramCopy program;
    ScriptedRandom random;
    MainWindow window{random, program.folder};
    int exitCode = -1;

    // `record`: str.dat as the previous run left it (none when null).
    explicit Running(const QList<float>& chance = {0.5f}, const QByteArray& record = {}) {
        for (float value : chance) random.push(value);
        if (!record.isNull()) writeFile(program.folder + u"str.dat"_s, record);
        window.setExit([this](int code) { exitCode = code; });
        window.load();
        window.show();
        QTRY_VERIFY(window.engine().imageFrame() > 0);  // activated
    }
    template <typename T>
    T* find(const QString& name) {
        return window.findChild<T*>(name);
    }
};

// The colour at a point given in the widget's own (logical) pixels, whatever the scale.
QColor pixelAt(const QImage& image, QPoint p) {
    return image.pixelColor((QPointF(p) * image.devicePixelRatio()).toPoint());
}
QColor pixelAt(QWidget* widget, QPoint p) {
    return pixelAt(widget->grab().toImage(), p);
}

// Acts on the next modal box as soon as it is up.
template <typename Box, typename Act>
void whenModal(Act act) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        if (auto* box = qobject_cast<Box*>(QApplication::activeModalWidget())) {
            poll->deleteLater();
            poll->stop();
            act(box);
        }
    });
    poll->start();
}

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void layoutFollowsTheScreenHeight_data() {
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("speech");
        QTest::addColumn<int>("buttons");
        QTest::newRow("600") << 600 << 10 << 15;
        QTest::newRow("768") << 768 << 12 << 17;
        QTest::newRow("1024") << 1024 << 18 << 23;
        QTest::newRow("1080") << 1080 << 18 << 23;
    }
    void layoutFollowsTheScreenHeight() {
        QFETCH(int, height);
        QFETCH(int, speech);
        QFETCH(int, buttons);
        const Layout l = computeLayout(height, QSize(4, 30));
        QCOMPARE(l.speechPointSize, speech);
        QCOMPARE(l.buttonPointSize, buttons);
        QCOMPARE(l.outer, QSize(qRound(height * 10 / 17.0), qRound(height * 15 / 17.0)));
        QCOMPARE(l.client, l.outer - QSize(4, 30));  // the frame lies inside the outer size
        QCOMPARE(l.tank.bottom() + 1, l.speech.top());
        QCOMPARE(l.buttons[4].right() + 1, l.client.width());
        QCOMPARE(l.speech.bottom() + 1, l.client.height());
        QCOMPARE(l.buttons[0].bottom(), l.speech.bottom());
    }

    void alienGrowsOneUnitPerYear() {
        QCOMPARE(Layout::alienUnits(0), QRectF(45, 45, 20, 20));
        QCOMPARE(Layout::alienUnits(1), QRectF(44, 44, 21, 21));
        QCOMPARE(Layout::alienUnits(89), QRectF(0, 0, 109, 109));
        QCOMPARE(Layout::alienUnits(90), QRectF(0, 0, 110, 110));
        QCOMPARE(Layout::alienUnits(99), QRectF(-5, -5, 119, 119));
    }

    void tankShowsInvertedCornersAndTrueColours() {
        FIXTURE(Running, run, QList<float>{0.5f}, QByteArray("\x09\x01\x02\x03\x04\x05\x06", 7));
        auto* tankWidget = run.find<Tank>(u"tank"_s);
        const QRect inside = tankWidget->contentsRect();
        const QImage tank = tankWidget->grab().toImage();
        QCOMPARE(pixelAt(tank, inside.bottomRight() - QPoint(2, 2)), QColor(255, 255, 63));
        QCOMPARE(pixelAt(tank, QPoint(inside.left() + 4, inside.center().y())), QColor(0, 0, 192));
        // The status line sits in the inverted corner in its own red.
        auto* status = run.find<QLabel>(u"status"_s);
        QCOMPARE(status->text().split(u'\n')[1],
                 u"年:10　占い:1　払い:2　単占:3　恋占:4　頭痛:5　会話:6"_s);
        bool red = false;
        const QRect text = status->geometry();
        for (int x = text.left(); x < text.right() && !red; ++x)
            for (int y = text.top(); y < text.bottom() && !red; ++y)
                red = pixelAt(tank, QPoint(x, y)) == QColor(255, 0, 0);
        QVERIFY(red);

        QCOMPARE(pixelAt(run.find<QLabel>(u"speech"_s), QPoint(3, 3)), QColor(0, 0, 192));
        auto* button = run.find<QPushButton>(u"menu0"_s);
        QVERIFY(button->isVisible());
        QCOMPARE(pixelAt(button, QPoint(5, button->height() / 2)), QColor(128, 128, 255));
        QVERIFY(!run.find<QPushButton>(u"menu2"_s)->isVisible());
        const QString captions[] = {u"占い"_s, u"単純"_s, u"恋占い"_s, u"お払い"_s, u"会話"_s};
        for (int i = 0; i < 5; ++i)
            QCOMPARE(run.find<QPushButton>(u"menu%1"_s.arg(i))->text(), captions[i]);

        auto* indicator = run.find<QWidget>(u"indicator"_s);
        for (const auto& [lamp, colour] : {std::pair{Lamp::Red, QColor(255, 0, 0)},
                                           std::pair{Lamp::Yellow, QColor(255, 255, 0)}}) {
            run.window.setIndicatorLamp(lamp);
            QCOMPARE(pixelAt(indicator, indicator->rect().center()), colour);
        }
    }

    void aReplacedPictureShowsAtTheNextFlip() {
        FIXTURE(Running, run, QList<float>{0.5f});
        run.program.solidPicture(u"1.bmp"_s, Qt::red);
        run.program.solidPicture(u"0.bmp"_s, Qt::green);
        auto* tank = run.find<Tank>(u"tank"_s);
        auto* speechLabel = run.find<QLabel>(u"speech"_s);
        const QPoint centre = tank->contentsRect().center();
        QTest::mouseClick(speechLabel, Qt::LeftButton);
        QCOMPARE(pixelAt(tank, centre), QColor(Qt::red));
        QTest::mouseClick(speechLabel, Qt::LeftButton);
        QCOMPARE(pixelAt(tank, centre), QColor(Qt::green));
    }

    void aPictureBeingCopiedOverIsWaitedFor() {
        FIXTURE(Running, run, QList<float>{0.5f});
        auto* speechLabel = run.find<QLabel>(u"speech"_s);
        QTest::mouseClick(speechLabel, Qt::LeftButton);
        // 0.bmp, shown before, is caught just as `cp` has emptied it; the copy ends a moment
        // later.
        const QByteArray green = ProgramCopy::solidBmp(Qt::green);
        writeFile(run.program.folder + u"0.bmp"_s, QByteArray());
        std::thread writer([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            writeFile(run.program.folder + u"0.bmp"_s, green);
        });
        QTimer dismissFault;  // should one come, the test fails instead of waiting on its box
        dismissFault.callOnTimeout([] {
            if (QWidget* box = QApplication::activeModalWidget()) box->close();
        });
        dismissFault.start(10);
        QTest::mouseClick(speechLabel, Qt::LeftButton);
        writer.join();
        auto* tank = run.find<Tank>(u"tank"_s);
        QCOMPARE(pixelAt(tank, tank->contentsRect().center()), QColor(Qt::green));
        QCOMPARE(run.exitCode, -1);
    }

    void anUnreadablePictureIsAFault_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("missing") << u"missing"_s;
        QTest::newRow("fifo") << u"fifo"_s;  // would block the read
        QTest::newRow("pixels cut short") << u"cut"_s;
    }
    void anUnreadablePictureIsAFault() {
        QFETCH(QString, kind);
        FIXTURE(Running, run, QList<float>{0.5f});
        const QByteArray whole = readFile(run.program.folder + u"1.bmp"_s);
        QFile::remove(run.program.folder + u"1.bmp"_s);
        if (kind == u"fifo"_s)
            QVERIFY(::mkfifo(QFile::encodeName(run.program.folder + u"1.bmp"_s), 0600) == 0);
        if (kind == u"cut"_s)
            writeFile(run.program.folder + u"1.bmp"_s, whole.first(whole.size() - 1));
        QString text;
        whenModal<QMessageBox>([&text](QMessageBox* box) {
            text = box->text();
            box->accept();
        });
        QTest::mouseClick(run.find<QLabel>(u"speech"_s), Qt::LeftButton);
        const QString problem =
            kind == u"fifo"_s ? u"普通のファイルではありません"_s : u"宇宙人の絵を読めません"_s;
        QCOMPARE(text, problem + u"\n"_s + run.program.folder + u"1.bmp"_s);
        QVERIFY(run.window.engine().ended());
        QCOMPARE(run.exitCode, 2);
        QCOMPARE(readFile(run.program.folder + u"str.dat"_s), QByteArray());  // nothing saved
    }

    void clickingTheAlienShowsTheHelpAndLeavesTheTalk() {
        FIXTURE(Running, run, QList<float>{0.5f});
        const QString speech = run.find<QLabel>(u"speech"_s)->text();
        const int frame = run.window.engine().imageFrame();
        QString title, text;
        whenModal<QMessageBox>([&](QMessageBox* box) {
            title = box->windowTitle(), text = box->text();
            box->accept();
        });
        QTest::mouseClick(run.find<QWidget>(u"alien"_s), Qt::LeftButton);
        QCOMPARE(title, u"ミョルカ"_s);
        QCOMPARE(text,
                 u"占いをするゲームです、\n占いたい項目をクリックすると\n"
                 u"とらわれの宇宙人が占ってくれます。\n実にインチキ臭いので多分インチキです。\n"
                 u"■が点滅しているときはイベント中です。\n"
                 u"その辺りをクリックして宇宙人と話を進めて下さい\n\n"
                 u"制作：ぴぴり\nＨＰ：https://myoruka.example.jp/"_s);
        QCOMPARE(run.find<QLabel>(u"speech"_s)->text(), speech);
        QCOMPARE(run.window.engine().imageFrame(), frame);
    }

    void rebirthShrinksThePaintedAlien() {
        FIXTURE(Running, run, QList<float>{0.5f}, QByteArray("\x63", 1));  // the 100th start
        run.program.solidPicture(u"0.bmp"_s, Qt::red);
        run.program.solidPicture(u"1.bmp"_s, Qt::red);
        auto* tank = run.find<Tank>(u"tank"_s);
        auto* speechLabel = run.find<QLabel>(u"speech"_s);
        const QRect inside = tank->contentsRect();
        auto at = [&](double x, double y) {  // tank units
            return pixelAt(tank, inside.topLeft() + QPoint(qRound(x * inside.width() / 110),
                                                           qRound(y * inside.height() / 110)));
        };
        for (int i = 0; i < 5; ++i) QTest::mouseClick(speechLabel, Qt::LeftButton);
        QCOMPARE(at(30, 55), QColor(Qt::red));  // grown past the walls
        QTest::mouseClick(speechLabel, Qt::LeftButton);
        QCOMPARE(speechLabel->text(), u"ふう"_s);
        QCOMPARE(at(30, 55), QColor(0, 0, 192));  // newborn: 20 units in the middle
        QCOMPARE(at(55, 55), QColor(Qt::red));
    }

    void aConversationInTheRealWindow() {
        FIXTURE(Running, run, QList<float>{0.3f, 0.705f});  // the greeting, then teaching
        whenModal<QInputDialog>([](QInputDialog* box) {
            box->setTextValue(u"しろくま"_s);
            box->accept();
        });
        QTest::mouseClick(run.find<QPushButton>(u"menu4"_s), Qt::LeftButton);
        auto* speechLabel = run.find<QLabel>(u"speech"_s);
        QCOMPARE(speechLabel->text(), u"うむ、しろくまじゃな"_s);
        QTest::mouseClick(speechLabel, Qt::LeftButton);
        QCOMPARE(speechLabel->text(), u"うにゅ、覚えたぞ"_s);
        QVERIFY(readFile(run.program.folder + u"1.dat"_s).endsWith(cp932(u"\r\nしろくま\r\n"_s)));
        QTest::keyClick(&run.window, Qt::Key_Space);  // the keyboard goes on like a click
        QCOMPARE(speechLabel->text(), u"うりょうりょ"_s);
        QVERIFY(run.find<QPushButton>(u"menu0"_s)->isVisible());
        run.window.close();
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(readFile(run.program.folder + u"str.dat"_s), QByteArray("\x01\0\0\0\0\0\x01", 7));
    }

    void onePressIsOneStep() {
        FIXTURE(Running, run, QList<float>{0.1f});  // the headache: its second step ends the run
        auto* speechLabel = run.find<QLabel>(u"speech"_s);
        const QString first = speechLabel->text();
        // Pressed on the speech, released over the tank: taken back.
        auto* tank = run.find<Tank>(u"tank"_s);
        QTest::mousePress(speechLabel, Qt::LeftButton);
        QTest::mouseRelease(speechLabel, Qt::LeftButton, {},
                            speechLabel->mapFromGlobal(tank->mapToGlobal(tank->rect().center())));
        QCOMPARE(speechLabel->text(), first);
        QTest::keyClick(&run.window, Qt::Key_Return);
        QCOMPARE(speechLabel->text(), u"またの機会にシテオクレ"_s);
        // The key held down: its repeats do nothing.
        for (int i = 0; i < 3; ++i) {
            for (auto type : {QEvent::KeyPress, QEvent::KeyRelease}) {
                QKeyEvent held(type, Qt::Key_Return, Qt::NoModifier, QString(), true);
                QApplication::sendEvent(&run.window, &held);
            }
        }
        QCOMPARE(run.exitCode, -1);
    }

    void theRebornAlienStaysSmall() {
        FIXTURE(Running, run, QList<float>{0.5f}, QByteArray("\x63", 1));  // the rebirth
        for (int step = 2; step <= 7; ++step)
            QTest::mouseClick(run.find<QLabel>(u"speech"_s), Qt::LeftButton);
        // The offscreen platform drops a full-screen window's frame: a late new frame size.
        auto* tank = run.find<Tank>(u"tank"_s);
        const QSize inside = tank->contentsRect().size();
        run.window.setWindowState(Qt::WindowFullScreen);
        QTRY_VERIFY(tank->contentsRect().size() != inside);
        const QRect newborn =
            Layout::tankToPixels(Layout::alienUnits(0), tank->contentsRect().size());
        QCOMPARE(run.find<QWidget>(u"alien"_s)->size(), newborn.size());
    }

    void aWholeFortuneWithRealTimers() {
        FIXTURE(Running, run, QList<float>{0.5f});
        auto* speechLabel = run.find<QLabel>(u"speech"_s);
        QTest::mouseClick(run.find<QPushButton>(u"menu0"_s), Qt::LeftButton);
        QCOMPARE(speechLabel->text(), u"占って進ぜよう、・・・っっっっっっｍ！"_s);
        QTest::mouseClick(speechLabel, Qt::LeftButton);
        QVERIFY(!run.window.engine().awaitClick());
        QTest::mouseClick(speechLabel, Qt::LeftButton);  // ignored while the lines grow
        // Mid-animation a screen reader is not handed each grown line.
        QTRY_VERIFY(speechLabel->text().count(u'\n') >= 2);
        QVERIFY(!run.window.engine().awaitClick());
        QVERIFY(speechLabel->accessibleName() != speechLabel->text());
        QTRY_VERIFY_WITH_TIMEOUT(run.window.engine().awaitClick(), 5000);
        QCOMPARE(speechLabel->text().split(u'\n').size(), 7);
        QCOMPARE(speechLabel->accessibleName(),
                 speechLabel->text());  // the whole reading, once complete
        QVERIFY(speechLabel->text().split(u'\n')[6].startsWith(u"夜に、"_s));
        QTest::mouseClick(speechLabel, Qt::LeftButton);
        QCOMPARE(speechLabel->text().split(u'\n').size(), 8);
        QTest::mouseClick(speechLabel, Qt::LeftButton);
        QCOMPARE(speechLabel->text(), u"それではこれにて"_s);
        QTest::mouseClick(speechLabel, Qt::LeftButton);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(readFile(run.program.folder + u"str.dat"_s), QByteArray("\x01\x01\0\0\0\0\0", 7));
    }
};

QTEST_MAIN(WindowTest)
#include "test_window.moc"
