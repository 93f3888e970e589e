// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QInputDialog>
#include <QLabel>
#include <QLockFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QtEndian>
#include <thread>

#include "fault.h"
#include "folder_lock.h"
#include "fonts.h"
#include "layout.h"
#include "main_window.h"
#include "menu_button.h"
#include "support.h"
#include "tank.h"

using namespace Qt::StringLiterals;

namespace {

const QColor kWater(0, 0, 192);

// In `colour`, or with every other column white.
QByteArray pictureBmp(QColor colour, int side = 32, bool striped = false) {
    QImage image(side, side, QImage::Format_RGB888);
    image.fill(colour);
    for (int x = 1; striped && x < side; x += 2)
        for (int y = 0; y < side; ++y) image.setPixelColor(x, y, Qt::white);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return buffer.data();
}

// In the widget's own (logical) pixels, whatever the scale.
QColor pixelAt(QWidget* widget, QPoint p) {
    const QImage image = widget->grab().toImage();
    return image.pixelColor((QPointF(p) * image.devicePixelRatio()).toPoint());
}

// How many of the widget's pixels, in its top `rows` device rows, are `colour`.
int pixelsOf(QWidget* widget, QRgb colour, int rows = INT_MAX) {
    const QImage image = widget->grab().toImage();
    int n = 0;
    for (int y = 0; y < std::min(rows, image.height()); ++y)
        for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == colour;
    return n;
}

// A copy of the built program folder: nothing beside the build is touched.
QString copyProgram(const QString& dir) {
    const QString folder = programFolder(dir);
    const QDir built(QStringLiteral(MYORUKA_RUN_DIR));
    for (const QString& name : built.entryList({u"*.dat"_s, u"*.bmp"_s}, QDir::Files))
        if (name != u"str.dat"_s) QFile::copy(built.filePath(name), folder + name);
    return folder;
}

// The real window over a copy of the program, shown and activated with the opening draw given.
struct Running {
    QTemporaryDir dir;
    QString folder = copyProgram(dir.path());
    ScriptedRandom random;
    MainWindow window{random, folder};
    int exitCode = -1;

    explicit Running(float opening = 0.5f, const QByteArray& record = {}) {
        random.push(opening);
        if (!record.isNull()) writeFile(folder + u"str.dat"_s, record);
        window.setExit([this](int code) { exitCode = code; });
        window.load();
        window.show();
        QTRY_VERIFY(window.engine().imageFrame() > 0);
    }
    template <typename T = QWidget>
    T* find(const QString& name) {
        return window.findChild<T*>(name);
    }
    QLabel* speech() { return find<QLabel>(u"speech"_s); }
    void click() { QTest::mouseClick(speech(), Qt::LeftButton); }
    void picture(const QString& name, QColor colour) {
        QFile::remove(folder + name);
        writeFile(folder + name, pictureBmp(colour));
    }
    QColor tankAt(double x, double y) {  // in tank units, 110 to a side
        auto* tank = find(u"tank"_s);
        const QRect in = tank->contentsRect();
        return pixelAt(tank, in.topLeft() + QPoint(qRound(x * in.width() / 110),
                                                   qRound(y * in.height() / 110)));
    }
};

// Acts on the next modal box as soon as it is up; gives up with the window, should none come.
template <typename Box, typename Act>
void whenModal(QWidget* window, Act act) {
    auto* poll = new QTimer(window);
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        if (auto* box = qobject_cast<Box*>(QApplication::activeModalWidget())) {
            poll->deleteLater();
            poll->stop();
            act(box);
        }
    });
    poll->start(10);
}

// Gathers where `widget` has been repainted.
struct RepaintWatch : QObject {
    QRegion region;
    explicit RepaintWatch(QWidget* widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) region += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void layoutFollowsTheScreenHeight() {
        // An upright screen narrower than two thirds of its height lays out by its width.
        for (const auto& [screen, height, speech, status] :
             {std::tuple{QSize(1366, 768), 768, 12, 9.75},
              {QSize(1920, 1080), 1080, 18, 13.7109375},
              {QSize(768, 1366), 1152, 20, 14.625}}) {
            const Layout l = computeLayout(screen, QSize(4, 30));
            QCOMPARE(l.speechPointSize, speech);
            QCOMPARE(l.buttonPointSize, speech + 5);
            QCOMPARE(l.statusPointSize, status);
            QCOMPARE(l.outer, QSize(qRound(height * 10 / 17.0), qRound(height * 15 / 17.0)));
            QCOMPARE(l.client, l.outer - QSize(4, 30));  // the frame lies inside the outer size
            QCOMPARE(l.tank.bottom() + 1, l.speech.top());
            QCOMPARE(l.buttons[4].right() + 1, l.client.width());
            QCOMPARE(l.speech.bottom() + 1, l.client.height());
            QCOMPARE(l.buttons[0].bottom(), l.speech.bottom());
        }
        // The square sits in the speech area's lower right, half a unit wide.
        QCOMPARE(computeLayout(QSize(1366, 768), QSize(4, 30)).indicator, QRect(403, 562, 23, 21));
        // The alien grows one unit a year from 20 in the middle of the tank's 110.
        QCOMPARE(Layout::alienUnits(0), QRectF(45, 45, 20, 20));
        QCOMPARE(Layout::alienUnits(90), QRectF(0, 0, 110, 110));
        QCOMPARE(Layout::alienUnits(99), QRectF(-5, -5, 119, 119));
        QCOMPARE(Layout::tankToPixels(Layout::alienUnits(0), QSize(220, 110)),
                 QRect(90, 45, 40, 20));
    }

    void tankStatusAndMenuInTheirColours() {
        FIXTURE(Running, run, 0.5f, "\x09\x01\x02\x03\x04\x05\x06");
        for (const double x : {2.0, 108.0})  // the inverted corners
            QCOMPARE(run.tankAt(x, 108), QColor(255, 255, 63));
        const QPoint offCentre =
            run.window.frameGeometry().center() - run.window.screen()->geometry().center();
        QVERIFY2(qAbs(offCentre.x()) <= 1 && qAbs(offCentre.y()) <= 1, "the window mid-screen");
        QCOMPARE(run.tankAt(2, 55), kWater);
        QCOMPARE(run.find<QLabel>(u"status"_s)->text().split(u'\n')[1],
                 u"年:10　占い:1　払い:2　単占:3　恋占:4　頭痛:5　会話:6"_s);
        QCOMPARE(pixelAt(&run.window, run.speech()->pos() + QPoint(3, 3)), kWater);
        QCOMPARE(run.speech()->textFormat(), Qt::PlainText);     // a noun "<b>" shows as typed
        const QImage greeting = run.speech()->grab().toImage();  // thin strokes, smoothed
        int light = 0, left = greeting.width(), right = 0, top = greeting.height();
        for (int y = 0; y < greeting.height(); ++y)
            for (int x = 0; x < greeting.width(); ++x)
                if (qRed(greeting.pixel(x, y)) > 128)
                    ++light, left = std::min(left, x), right = std::max(right, x),
                             top = std::min(top, y);
        QVERIFY2(light > 20, "the greeting in white");
        QVERIFY2(qAbs(left - (greeting.width() - 1 - right)) <= 4, "the greeting centred");
        QVERIFY2(top < greeting.height() / 4, "the greeting hanging from the top");
        const Layout layout = computeLayout(run.window.screen()->geometry().size(), QSize());
        QCOMPARE(run.speech()->font().pixelSize(), Layout::pointsToPixels(layout.speechPointSize));
        QCOMPARE(run.find(u"status"_s)->font().pixelSize(),
                 Layout::pointsToPixels(layout.statusPointSize));
        QVERIFY2(pixelsOf(run.find(u"status"_s), qRgb(255, 0, 0)) > 20, "the status in red");
        const QString captions[] = {u"占い"_s, u"単純"_s, u"恋占い"_s, u"お払い"_s, u"会話"_s};
        for (int i = 0; i < 5; ++i) {
            auto* button = run.find<QPushButton>(u"menu%1"_s.arg(i));
            QCOMPARE(button->text(), captions[i]);
            QVERIFY(button->fontMetrics().horizontalAdvance(captions[i]) <=
                    button->width() - 2 * MenuButton::kEdgeWidth);  // inside the raised edge
            QCOMPARE(button->isVisible(), i == 0 || i == 4);
            // A locked button's place is the speech's bottom strip, which takes its clicks.
            const QPoint middle = button->mapTo(&run.window, button->rect().center());
            QWidget* expected = run.speech();
            if (button->isVisible()) expected = button;
            QCOMPARE(run.window.childAt(middle), expected);
        }
        auto* button = run.find<QPushButton>(u"menu0"_s);
        QCOMPARE(pixelAt(button, QPoint(5, button->height() / 2)), QColor(128, 128, 255));
        const auto edges = [button] {  // top and bottom: raised, pressed, focused
            const int middle = button->width() / 2;
            return std::pair{pixelAt(button, {middle, 0}),
                             pixelAt(button, {middle, button->height() - 1})};
        };
        const QColor lit(255, 255, 255), shaded(176, 176, 255);
        QCOMPARE(run.window.focusWidget(), button);  // given at the start, with no dotted frame
        const int blackUnasked = pixelsOf(button, qRgb(0, 0, 0));  // before any key
        auto* talk = run.find(u"menu4"_s);  // Tab goes round the shown buttons, nowhere else
        talk->setFocus();
        QTest::keyClick(talk, Qt::Key_Tab);
        QCOMPARE(run.window.focusWidget(), button);
        QCOMPARE(edges(), std::pair(lit, lit));
        const int blackWhenFocused = pixelsOf(button, qRgb(0, 0, 0));
        // The dotted frame lies inside the edges, not on them.
        const int band = qCeil(1.5 * MenuButton::kEdgeWidth * button->devicePixelRatioF());
        QCOMPARE(pixelsOf(button, qRgb(0, 0, 0), band), 0);
        button->clearFocus();
        QCOMPARE(edges(), std::pair(lit, shaded));
        QCOMPARE(pixelsOf(button, qRgb(0, 0, 0)), blackUnasked);
        QVERIFY(blackWhenFocused > blackUnasked + button->width() / 2);
        button->setDown(true);
        QCOMPARE(edges(), std::pair(shaded, lit));
        QVERIFY(pixelsOf(button, qRgb(0, 0, 0)) > 10);  // the caption, and on a locked one:
        QVERIFY(pixelsOf(run.find(u"menu1"_s), qRgb(80, 80, 128)) > 10);
        auto* indicator = run.find(u"indicator"_s);
        run.window.setIndicatorLamp(Lamp::Red);
        QCOMPARE(pixelAt(indicator, indicator->rect().center()), QColor(255, 0, 0));
        run.window.setIndicatorLamp(Lamp::Yellow);
        QCOMPARE(pixelAt(indicator, indicator->rect().center()), QColor(255, 255, 0));
        auto* blink = run.find<QTimer>(u"blinkTimer"_s);
        QVERIFY(blink->isActive() && blink->interval() == 100);
        auto* status = run.find<QLabel>(u"status"_s);
        QCOMPARE(status->size(), status->sizeHint());  // grown with its text, nothing cut off
    }

    void picturesAreReadAtEachFlip() {
        FIXTURE(Running, run);
        run.picture(u"1.bmp"_s, Qt::red);
        auto* tank = run.find(u"tank"_s);
        RepaintWatch repainted(tank);
        run.click();
        QTRY_VERIFY(repainted.region.contains(run.find(u"alien"_s)->geometry().center()));
        QCOMPARE(run.tankAt(55, 55), QColor(Qt::red));
        // 0.bmp is caught just as `cp` has emptied it; the copy ends a moment later.
        writeFile(run.folder + u"0.bmp"_s, QByteArray());
        std::thread writer([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            writeFile(run.folder + u"0.bmp"_s, pictureBmp(Qt::green));
        });
        QTimer dismissFault;  // should one come, the test fails instead of waiting on its box
        dismissFault.callOnTimeout([] {
            if (QWidget* box = QApplication::activeModalWidget()) box->close();
        });
        dismissFault.start(10);
        run.click();
        writer.join();
        QCOMPARE(run.tankAt(55, 55), QColor(Qt::green));
        run.picture(u"1.bmp"_s, Qt::blue);  // as large as the red one it replaces
        run.click();
        QCOMPARE(run.tankAt(55, 55), QColor(Qt::blue));
        writeFile(run.folder + u"0.bmp"_s, pictureBmp(Qt::black, 256, true));
        run.click();  // scaled smoothly: the stripes blend to grey
        int grey = 0;
        for (double x = 46; x < 64; x += 0.5) grey += qAbs(run.tankAt(x, 55).red() - 128) < 80;
        QVERIFY(grey > 0);
        QCOMPARE(run.exitCode, -1);
    }

    void anUnreadablePictureIsAFault() {
        for (const char* kind : {"missing", "fifo", "cut short", "old header cut short", "empty"}) {
            FIXTURE(Running, run);
            const QString path = run.folder + u"1.bmp"_s;
            QFile::remove(path);
            if (kind[0] == 'f') QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
            if (kind[0] == 'c') {  // padded rows, stored top-down
                QByteArray bmp = pictureBmp(Qt::red, 31);
                qToLittleEndian<qint32>(-31, bmp.data() + 22);
                writeFile(path, bmp.chopped(1));
            }
            if (kind[0] == 'o') {  // 12-byte OS/2 header: 31 x 31 pixels of 24 bits
                QByteArray bmp = "BM" + QByteArray(12, '\0') +
                                 QByteArray::fromHex("0c0000001f001f0001001800") +
                                 QByteArray(31 * 96, '\x7f');
                qToLittleEndian<quint32>(26, bmp.data() + 10);
                writeFile(path, bmp.chopped(1));
            }
            if (kind[0] == 'e') writeFile(path, QByteArray());
            QString text;
            QMessageBox::Icon icon = QMessageBox::NoIcon;
            whenModal<QMessageBox>(&run.window, [&](QMessageBox* box) {
                text = box->text(), icon = box->icon();
                box->accept();
            });
            run.click();
            const QString problem =
                kind[0] == 'f' ? u"普通のファイルではありません"_s : u"宇宙人の絵を読めません"_s;
            QCOMPARE(text, problem + u"\n"_s + path);
            QCOMPARE(icon, QMessageBox::Critical);
            QCOMPARE(run.exitCode, 2);
            run.window.storeAtExit();  // nor when the display goes away after the box
            QCOMPARE(readFile(run.folder + u"str.dat"_s), QByteArray());  // nothing saved
        }
    }

    void clickingTheAlienShowsTheHelpAndLeavesTheTalk() {
        FIXTURE(Running, run);
        const QString speech = run.speech()->text();
        const int frame = run.window.engine().imageFrame();
        QString title, text;
        whenModal<QMessageBox>(&run.window, [&](QMessageBox* box) {
            title = box->windowTitle(), text = box->text();
            box->accept();
        });
        auto* alien = run.find(u"alien"_s);
        QTest::mousePress(alien, Qt::LeftButton);
        QTest::mouseRelease(alien, Qt::LeftButton, {}, QPoint(-3, -3));  // dragged off: no help
        QTest::mouseClick(alien, Qt::RightButton);                       // nor a right click
        QVERIFY(title.isEmpty());
        QTest::mouseClick(alien, Qt::LeftButton);
        QCOMPARE(title, u"ミョルカ"_s);
        QCOMPARE(text,
                 u"占いをするゲームです、\n占いたい項目をクリックすると\n"
                 u"とらわれの宇宙人が占ってくれます。\n実にインチキ臭いので多分インチキです。\n"
                 u"■が点滅しているときはイベント中です。\n"
                 u"その辺りをクリックして宇宙人と話を進めて下さい\n\n"
                 u"制作：ぴぴり\nＨＰ：https://myoruka.example.jp/"_s);
        QCOMPARE(run.speech()->text(), speech);
        QCOMPARE(run.window.engine().imageFrame(), frame);
    }

    void rebirthShrinksTheAlienForGood() {
        FIXTURE(Running, run, 0.5f, "\x63\xff\xff\xff\xff\xff\xff");  // the 100th start
        auto* tank = run.find<QFrame>(u"tank"_s);  // the longest counters still fit the tank
        QVERIFY(tank->contentsRect().contains(run.find(u"status"_s)->geometry()));
        const QRect status = run.find(u"status"_s)->geometry();  // clicks there open the help
        QCOMPARE(run.window.childAt(tank->mapTo(&run.window, status.center())),
                 run.find(u"alien"_s));
        run.picture(u"0.bmp"_s, Qt::red);
        run.picture(u"1.bmp"_s, Qt::red);
        run.click();
        QTest::mouseDClick(run.speech(), Qt::LeftButton);  // a quick second click
        QTest::mouseRelease(run.speech(), Qt::LeftButton);
        for (int i = 0; i < 3; ++i) run.click();
        QCOMPARE(run.tankAt(30, 55), QColor(Qt::red));  // grown past the walls
        run.click();
        QCOMPARE(run.speech()->text(), u"ふう"_s);
        QCOMPARE(run.tankAt(30, 55), kWater);  // newborn: 20 units in the middle
        QCOMPARE(run.tankAt(55, 55), QColor(Qt::red));
        // The offscreen platform drops a full-screen window's frame: a late new frame size.
        const QSize inside = tank->contentsRect().size();
        run.window.setWindowState(Qt::WindowFullScreen);
        QTRY_VERIFY(tank->contentsRect().size() != inside);
        QCOMPARE(run.tankAt(55, 55), QColor(Qt::red));
        QCOMPARE(run.tankAt(40, 55), kWater);
        const QColor corner(255, 255, 63);  // composed afresh at the new size, to the last pixel
        QCOMPARE(pixelAt(tank, tank->contentsRect().bottomRight()), corner);
        const QSizeF expected = QSizeF(tank->contentsRect().size()) * 20 / 110;
        const QSize alien = run.find(u"alien"_s)->size();
        QVERIFY(qAbs(alien.width() - expected.width()) <= 1 &&
                qAbs(alien.height() - expected.height()) <= 1);
    }

    void teachingThroughTheInputBoxAndKeys() {
        FIXTURE(Running, run, 0.3f);
        run.random.push(0.705f);  // teaching
        // Pasted: the first line with text seen, its spaces kept, what is unseen dropped, a voiced
        // mark joined to its kana, no longer than 500.
        const QString noun = u"　がろ"_s + QString(497, u'W');
        whenModal<QInputDialog>(&run.window, [](QInputDialog* box) {
            box->setTextValue(QString(600, u' ') +
                              u"\r\n\u200b\r\n　か\u3099\U000E0100\x07ろ\U000E01EF\ufe0f"_s +
                              QString(600, u'W'));
            box->accept();
        });
        QTest::qWait(20);  // the greeting is told before the user reaches for a key
        run.find(u"menu4"_s)->setFocus();
        const auto enter = [&run](QEvent::Type type, quint64 time, bool marked = false) {
            QKeyEvent key(type, Qt::Key_Enter, Qt::NoModifier, QString(), marked);
            key.setTimestamp(time);
            QApplication::sendEvent(run.window.windowHandle(), &key);
        };
        // A focused button is pressed by Enter as well, on the release as by Space; held, the
        // key repeats as a release and a press of one moment, marked by Qt or, at times, not.
        enter(QEvent::KeyPress, 4), enter(QEvent::KeyRelease, 5, true);
        enter(QEvent::KeyPress, 5, true), enter(QEvent::KeyRelease, 6), enter(QEvent::KeyPress, 6);
        QTest::qWait(50);
        QVERIFY(run.window.engine().record().conversations == 0);
        const int size = run.speech()->font().pixelSize();
        enter(QEvent::KeyRelease, 7);
        const auto shown = [&run] { return run.speech()->text().remove(u'\u200b'); };
        QTRY_COMPARE(shown(), u"うむ、"_s + noun + u"じゃな"_s);
        // So long a line is made as large as fits above `bottom`; the next is as before.
        const auto fitsLargest = [speech = run.speech()](int bottom) {
            const auto fits = [&] {  // a word without break points must not run off the sides
                const int width =
                    speech->fontMetrics()
                        .boundingRect(speech->rect(), Qt::TextWordWrap, speech->text())
                        .width();
                return width <= speech->width() &&
                       speech->y() + speech->heightForWidth(speech->width()) <= bottom;
            };
            const bool fitting = fits();
            QFont larger = speech->font();
            larger.setPixelSize(larger.pixelSize() + 1);
            speech->setFont(larger);
            return fitting && !fits();
        };
        QVERIFY(fitsLargest(run.speech()->geometry().bottom() + 1));
        QTest::keyClick(&run.window, Qt::Key_Space);  // keys go on like a click
        QCOMPARE(run.speech()->text(), u"うにゅ、覚えたぞ"_s);
        QCOMPARE(run.speech()->font().pixelSize(), size);
        QVERIFY(readFile(run.folder + u"1.dat"_s).endsWith(cp932(u"\r\n"_s + noun + u"\r\n"_s)));
        QTest::keyClick(&run.window, Qt::Key_Enter);
        QCOMPARE(run.speech()->text(), u"うりょうりょ"_s);
        // The complaint about the new noun, drawn last, comes with the menu row over the bottom.
        run.random.push(0.695f), run.random.pick(4, 7), run.random.push(0.99999f);
        QTest::mouseClick(run.find(u"menu4"_s), Qt::LeftButton);
        QVERIFY(shown().startsWith(noun + u"が、"_s));
        QVERIFY(fitsLargest(run.find(u"menu"_s)->y()));
        run.window.close();
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(readFile(run.folder + u"str.dat"_s), QByteArray("\x01\0\0\0\0\0\x02", 7));
    }

    void onePressIsOneStep() {
        FIXTURE(Running, run, 0.1f);  // the headache: its second step ends the run
        const QString first = run.speech()->text();
        // No button, so no menu row over the speech's bottom strip to swallow its clicks.
        const QPoint corner = run.speech()->mapTo(&run.window, run.speech()->rect().bottomLeft());
        QCOMPARE(run.window.childAt(corner + QPoint(3, -3)), run.speech());
        const QRect square = run.find(u"indicator"_s)->geometry();  // and ■ lets them through
        QCOMPARE(run.window.childAt(square.center()), run.speech());
        auto* tank = run.find(u"tank"_s);  // pressed on the speech, released over the tank
        QTest::mousePress(run.speech(), Qt::LeftButton);
        QTest::mouseRelease(run.speech(), Qt::LeftButton, {},
                            run.speech()->mapFromGlobal(tank->mapToGlobal(tank->rect().center())));
        QCOMPARE(run.speech()->text(), first);
        QMouseEvent stray(QEvent::MouseButtonRelease, QPointF(5, 5),
                          run.speech()->mapToGlobal(QPointF(5, 5)), Qt::LeftButton, Qt::NoButton,
                          Qt::NoModifier);  // pressed elsewhere
        QApplication::sendEvent(run.speech(), &stray);
        QTest::mouseClick(run.speech(), Qt::RightButton);
        QCOMPARE(run.speech()->text(), first);
        QTest::keyClick(&run.window, Qt::Key_Return);
        QCOMPARE(run.speech()->text(), u"またの機会にシテオクレ"_s);
        const auto held = [&run](QEvent::Type type, bool marked, quint64 time) {
            QKeyEvent key(type, Qt::Key_Return, Qt::NoModifier, QString(), marked);
            key.setTimestamp(time);
            QApplication::sendEvent(run.window.windowHandle(), &key);
        };
        held(QEvent::KeyRelease, true, 1), held(QEvent::KeyPress, true, 2);  // marked as repeats
        // X repeats as a release and a press of one moment, which Qt does not always mark.
        held(QEvent::KeyRelease, false, 9), held(QEvent::KeyPress, false, 9);
        QCOMPARE(run.exitCode, -1);
        // Keys a screen reader passes on come without their time: each press is one.
        held(QEvent::KeyRelease, false, 0), held(QEvent::KeyPress, false, 0);
        QCOMPARE(run.exitCode, 0);
    }

    // The X server gone and the record unwritable: the process says so by its exit code.
    void aFailedStoreAtExitEndsWithTheFaultCode() {
        FIXTURE(Running, run);
        QFile::remove(run.folder + u"str.dat"_s);
        QVERIFY(QDir(run.folder).mkdir(u"str.dat"_s));
        const pid_t child = ::fork();
        if (child == 0) {
            std::freopen("/dev/null", "w", stderr);
            run.window.storeAtExit();
            std::_Exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        QCOMPARE(WEXITSTATUS(status), 2);
    }

    // A lock the full disk has no room for, also in place of a dead run's: the start stops
    // before it counts, or a second start would run beside it and one run's counts be lost.
    void aLockThatCannotBeWrittenStopsTheStart() {
        for (const bool deadRunsLock : {false, true}) {
            QTemporaryDir dir;
            const QString folder = programFolder(dir.path());
            if (deadRunsLock && ::fork() == 0) {
                QLockFile lock(folder + u".myoruka.lock"_s);
                std::_Exit(lock.tryLock(0) ? 0 : 1);  // and left behind
            }
            ::wait(nullptr);
            QStringList fault;
            {
                const FileSizeLimit full(0);
                fault = faultOf([&] { FolderLock(folder).acquire(); });
            }
            // The disk has room: no cause is named.
            QCOMPARE(fault,
                     QStringList({u"記録ファイルに書き込めません"_s, folder + u"str.dat"_s}));
        }
    }

    // A folder that cannot be written is no second copy: the start goes on and names it.
    void aReadOnlyFolderIsNoSecondCopy() {
        QTemporaryDir dir;
        const QString folder = programFolder(dir.path());
        FolderLock lock(folder);  // its runtime folder is the test's, so made before the user
        const ReadOnlyFolder readOnly(folder);  // made read-only by root, its owner
        const AsUser user;
        QVERIFY(lock.acquire());
    }

    // A word just too wide for the speech is broken between its letters; one that fits is not.
    // Text too large is made the largest size that fits.
    void aWordJustTooWideIsBroken() {
        const QFontMetricsF metrics(serifFont());
        const int width = 300;
        const QString tooWide(int(width / metrics.horizontalAdvance(u'W')) + 1, u'W');
        QVERIFY(breakOverlongWords(tooWide, metrics, width).contains(u'\u200b'));
        const QString fits = u"あ "_s + tooWide.chopped(2);
        QCOMPARE(breakOverlongWords(fits, metrics, width), fits);
        QWidget widget;
        shrinkToFit(&widget, 100, 60, 1,
                    [&] { return widget.font().pixelSize() < 100 ? 10 : 1000; });
        QCOMPARE(widget.font().pixelSize(), 99);
    }

    // A later start in the folder brings the run to the front, from the taskbar too, also where
    // a run that died left its socket.
    void aLaterStartBringsTheRunToTheFront() {
        QTemporaryDir dir;
        const QString folder = programFolder(dir.path());
        if (::fork() == 0) {
            FolderLock lost(folder);
            QWidget window;
            lost.acquire();
            lost.listen(&window);
            std::_Exit(0);  // lock and socket left behind
        }
        ::wait(nullptr);
        FolderLock first(folder);
        QVERIFY(first.acquire());
        QWidget window;
        first.listen(&window);
        window.showMinimized();
        QVERIFY(!FolderLock(folder).acquire());
        QTRY_VERIFY(window.isVisible() && !window.isMinimized());
    }

    // A talk that says the line said last is heard again: the talk went on.
    void theSameLineAgainIsHeardAgain() {
        FIXTURE(Running, run);
        auto* notice = run.find(u"notice"_s);
        for (int i = 0; i < 2; ++i) {
            notice->setAccessibleName(QString());
            run.random.pick(69, 100), run.random.pick(5, 7);  // a one-line topic
            run.find<QPushButton>(u"menu4"_s)->click();
            QTRY_COMPARE(notice->accessibleName(), u"五月蠅い奴だ"_s);
        }
    }

    // A screen reader is handed a reading once, complete, never each grown line.
    void aReadingIsNamedOnceComplete() {
        FIXTURE(Running, run);
        auto* speech = run.find<QLabel>(u"speech"_s);
        auto* fortune = run.find(u"menu0"_s);
        fortune->setFocus();
        QTest::keyClick(fortune, Qt::Key_Return);
        // The button keeps the focus a moment after the menu has gone: keys go on all the same.
        QTest::keyClick(&run.window, Qt::Key_Space);
        QTRY_VERIFY(speech->text().count(u'\n') >= 2);
        QVERIFY(!run.window.engine().awaitClick());
        QVERIFY(speech->accessibleName() != speech->text());
        QTRY_VERIFY_WITH_TIMEOUT(run.window.engine().awaitClick(), 5000);
        QTRY_COMPARE(speech->accessibleName(), speech->text());
    }
};

QTEST_MAIN(WindowTest)
#include "test_window.moc"
