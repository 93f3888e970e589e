// How long the exorcism chant (101 ticks of a 1 ms timer) takes in the real window, and
// what one tick costs. Needs real timers and widgets, so it is a plain Qt program; it runs
// on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
//
//   bench_chant [run-folder] [--runs N] [--ticks N] [--screen WxH] [--profile-ticks N]
//
// run-folder: the build's folder holding 0.dat..4.dat, 0.bmp and 1.bmp (default: ../myoruka
// beside this program). Nothing is written there: every run uses a temporary copy.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QLabel>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "animation.h"
#include "app_dir.h"
#include "fault.h"
#include "fom.h"
#include "rnd.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int kChantTicks = 101;
constexpr double kTargetMs = 1.5 * kChantTicks;
constexpr int kWaitLimitMs = 20000;

QTextStream& out() {
    static QTextStream stream(stdout);
    return stream;
}

[[noreturn]] void die(const QString& why) {
    out().flush();
    std::fprintf(stderr, "bench_chant: %s\n", qPrintable(why));
    std::exit(2);
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double mean(const std::vector<double>& values) {
    double sum = 0;
    for (double v : values) sum += v;
    return values.empty() ? 0 : sum / static_cast<double>(values.size());
}

double ms(qint64 ns) { return static_cast<double>(ns) / 1e6; }

// The same faces the program substitutes at start-up, so text is laid out as it will be.
void substituteFonts() {
    QFont::insertSubstitutions(u"ＭＳ Ｐ明朝"_s,
                               {u"IPAPMincho"_s, u"Noto Serif CJK JP"_s, u"Noto Sans CJK JP"_s});
    QFont::insertSubstitutions(u"ＭＳ Ｐゴシック"_s, {u"IPAPGothic"_s, u"Noto Sans CJK JP"_s});
}

// The offscreen platform's screen is 800 x 600 by default; the layout scales with the screen
// height, so a desktop-sized screen gives desktop-sized repaints.
QString offscreenConfig(QTemporaryDir& dir, int width, int height) {
    const QString path = dir.filePath(u"screens.json"_s);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) die(u"cannot write "_s + path);
    file.write(QStringLiteral(
                   R"({"screens":[{"name":"bench","x":0,"y":0,"width":%1,"height":%2,)"
                   R"("logicalDpiX":96,"logicalDpiY":96,"dpr":1}]})")
                   .arg(width)
                   .arg(height)
                   .toUtf8());
    return path;
}

// A program folder of its own for each run, unlocking the exorcism button.
class ProgramFolder {
public:
    explicit ProgramFolder(const QString& runDir) {
        if (!m_dir.isValid()) die(u"no temporary folder"_s);
        const QDir from(runDir);
        for (const QString& name : {u"0.dat"_s, u"1.dat"_s, u"2.dat"_s, u"3.dat"_s, u"4.dat"_s,
                                    u"0.bmp"_s, u"1.bmp"_s}) {
            if (!QFile::copy(from.filePath(name), m_dir.filePath(name)))
                die(u"cannot copy "_s + from.filePath(name) + u" (build the program first)"_s);
        }
        // Years, Fortunes, Exorcisms, SimpleFortunes, LoveFortunes, Headaches, Talks.
        QFile record(m_dir.filePath(u"str.dat"_s));
        const char counters[7] = {1, 10, 0, 0, 0, 0, 30};
        if (!record.open(QIODevice::WriteOnly) || record.write(counters, 7) != 7)
            die(u"cannot write str.dat"_s);
    }
    QString appDir() const { return AppDir(m_dir.path()); }

private:
    QTemporaryDir m_dir;
};

// Processes events until `done` holds; false when it did not within the limit.
template <typename Done>
bool waitFor(Done done, int limitMs = kWaitLimitMs) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > limitMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// Lets whatever is pending (layout, first paint, queued activation) settle.
void settle(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
}

// One window, activated, showing the greeting and the menu with the exorcism enabled.
class Session {
public:
    Session(const QString& runDir, std::uint32_t& seed) : m_folder(runDir) {
        // The first draw decides between the greeting and a headache talk; skip seeds that
        // give the headache.
        for (int attempt = 0; attempt < 50; ++attempt, ++seed) {
            m_rnd = std::make_unique<ClockRnd>(seed);
            m_fom = std::make_unique<Fom>(*m_rnd, m_folder.appDir());
            try {
                m_fom->Form_Load();
            } catch (const Fault& fault) {
                die(u"Form_Load failed: "_s + fault.message());
            }
            m_fom->show();
            if (!waitFor([this] { return m_fom->engine().imageFrame() != 0; }))
                die(u"the window was never activated"_s);
            const TalkEngine& e = m_fom->engine();
            if (std::holds_alternative<std::monostate>(e.talkMode()) && e.buttonVisible(3) &&
                e.buttonEnabled(3)) {
                ++seed;
                settle(30);
                return;
            }
            close();
        }
        die(u"no seed gave the greeting"_s);
    }
    ~Session() { close(); }

    Fom& fom() { return *m_fom; }
    TalkEngine& engine() { return m_fom->engine(); }
    QTimer* animation() {
        auto* timer = m_fom->findChild<QTimer*>(u"Timer"_s);
        if (!timer) die(u"no animation timer named Timer"_s);
        return timer;
    }

    // Step 1 of the exorcism, up to the click that starts the chant.
    void startExorcism() {
        engine().Com_Click(3);
        if (!engine().awaitClick() || !engine().speech().startsWith(u"お払い"_s))
            die(u"the exorcism did not start: \""_s + engine().speech() + u'"');
        settle(20);
    }

private:
    void close() {
        if (!m_fom) return;
        // Nothing is stored: handlers stop, and the window goes without a close event.
        m_fom->engine().abandon();
        m_fom->hide();
        m_fom.reset();
        m_rnd.reset();
        QCoreApplication::processEvents();
    }

    ProgramFolder m_folder;
    std::unique_ptr<ClockRnd> m_rnd;
    std::unique_ptr<Fom> m_fom;
};

struct RunResult {
    double totalMs = 0;       // Lbl_Click until a click is awaited again
    double shownMs = 0;       // ... and the closing shout painted
    double tickPeriodMs = 0;  // median time between ticks, as the timer delivered them
    int ticks = 0;
};

RunResult runChant(const QString& runDir, std::uint32_t& seed, double slowTickMs) {
    Session s(runDir, seed);
    s.startExorcism();
    RunResult result;
    std::vector<qint64> stamps;
    std::vector<QString> texts;
    stamps.reserve(kChantTicks + 4);
    QElapsedTimer t;
    // Connected after the window's own handler, so it stamps the end of each tick.
    QObject::connect(s.animation(), &QTimer::timeout, s.animation(), [&] {
        stamps.push_back(t.nsecsElapsed());
        texts.push_back(s.engine().speech());
    });

    t.start();
    s.engine().Lbl_Click();
    if (s.engine().awaitClick()) die(u"the chant did not start"_s);
    while (!s.engine().awaitClick()) {
        if (t.elapsed() > kWaitLimitMs) die(u"the chant did not end"_s);
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    result.totalMs = ms(t.nsecsElapsed());
    QCoreApplication::processEvents();  // the last tick's text is painted here
    result.shownMs = ms(t.nsecsElapsed());

    result.ticks = s.engine().tickCount();
    if (result.ticks != kChantTicks || !s.engine().speech().endsWith(u"！！"_s))
        die(u"the chant ended oddly after %1 ticks"_s.arg(result.ticks));
    std::vector<double> gaps;
    for (std::size_t i = 1; i < stamps.size(); ++i) gaps.push_back(ms(stamps[i] - stamps[i - 1]));
    result.tickPeriodMs = median(gaps);
    if (slowTickMs > 0) {
        for (std::size_t i = 0; i < stamps.size(); ++i) {
            const double gap = ms(stamps[i] - (i ? stamps[i - 1] : 0));
            if (gap < slowTickMs) continue;
            const QString before = i ? texts[i - 1] : QString();
            out() << u"    slow tick %1: %2 ms, added \"%3\"\n"_s.arg(i + 1).arg(gap, 0, 'f', 2).arg(
                texts[i].mid(before.size()));
        }
    }
    return result;
}

// Ticks called directly, the timer stopped: the work of one tick without the timer's wait.
std::vector<double> directTicks(const QString& runDir, std::uint32_t& seed) {
    Session s(runDir, seed);
    s.startExorcism();
    s.engine().Lbl_Click();
    s.animation()->stop();
    std::vector<double> costs;
    QElapsedTimer t;
    while (!s.engine().awaitClick()) {
        t.start();
        s.engine().Timer_Timer();
        costs.push_back(ms(t.nsecsElapsed()));
    }
    return costs;
}

// One tick taken apart: the same window calls Timer_Timer makes, each timed on its own.
struct Parts {
    std::vector<double> picture, text, label, paint, whole;
};

Parts tickParts(const QString& runDir, std::uint32_t& seed, int repeats) {
    Session s(runDir, seed);
    s.startExorcism();
    s.engine().Lbl_Click();
    s.animation()->stop();
    const WordLists& words = s.engine().words();
    ClockRnd rnd(seed);
    Parts parts;
    QElapsedTimer t;
    for (int r = 0; r < repeats; ++r) {
        QString speech = s.engine().speech();
        std::uint8_t tickCount = 0;
        int frame = 1;
        for (int tick = 0; tick < kChantTicks; ++tick) {
            QElapsedTimer whole;
            whole.start();
            t.start();
            frame = frame % 2 + 1;
            s.fom().showFrame(frame);  // BMP read and decode, tank marked dirty
            parts.picture.push_back(ms(t.nsecsElapsed()));

            t.start();
            QString text = speech;
            const bool finished = ChantTick(tickCount, text, words, rnd);
            parts.text.push_back(ms(t.nsecsElapsed()));

            t.start();
            if (text != speech) {
                speech = text;
                s.fom().setSpeech(speech);  // label text and relayout
            }
            parts.label.push_back(ms(t.nsecsElapsed()));

            t.start();
            if (!finished) s.fom().processEvents();  // repaint of label and tank, flush
            parts.paint.push_back(ms(t.nsecsElapsed()));
            parts.whole.push_back(ms(whole.nsecsElapsed()));
        }
    }
    return parts;
}

// Pieces in isolation, for the size of each against the whole.
void isolatedCosts(const QString& runDir, std::uint32_t& seed, int repeats) {
    Session s(runDir, seed);
    s.startExorcism();
    s.engine().Lbl_Click();
    s.animation()->stop();
    while (!s.engine().awaitClick()) s.engine().Timer_Timer();  // full-length speech
    QCoreApplication::processEvents();

    auto* tank = s.fom().findChild<QWidget*>(u"Pic"_s);
    auto* label = s.fom().findChild<QLabel*>(u"Lbl"_s);
    if (!tank || !label) die(u"no Pic or Lbl widget"_s);
    const QString bmp = s.engine().appDir() + u"0.bmp"_s;

    auto timeIt = [repeats](auto&& what) {
        std::vector<double> v;
        QElapsedTimer t;
        for (int i = 0; i < repeats; ++i) {
            t.start();
            what();
            v.push_back(ms(t.nsecsElapsed()));
        }
        return median(v);
    };
    const double readBmp = timeIt([&] {
        QFile f(bmp);
        (void)f.open(QIODevice::ReadOnly);
        QByteArray bytes = f.readAll();
        Q_UNUSED(bytes);
    });
    const double loadBmp = timeIt([&] {
        QImage image;
        if (!image.load(bmp)) die(u"cannot load "_s + bmp);
    });
    const double tankPaint = timeIt([&] { tank->repaint(); });
    const QString speech = s.engine().speech();
    int flip = 0;
    const double labelSet = timeIt([&] {
        // Alternate texts so QLabel never short-cuts an unchanged text.
        s.fom().setSpeech(flip++ % 2 ? speech : speech.left(speech.size() - 1));
    });
    const double labelPaint = timeIt([&] { label->repaint(); });
    const double windowPaint = timeIt([&] { s.fom().repaint(); });
    const double idleEvents = timeIt([&] { QCoreApplication::processEvents(); });

    const QImage picture(bmp);
    out() << "\nIsolated pieces (median of " << repeats << ", window " << s.fom().width() << "x"
          << s.fom().height() << ", tank " << tank->width() << "x" << tank->height() << ", label "
          << label->width() << "x" << label->height() << ", picture " << picture.width() << "x"
          << picture.height() << "x" << picture.depth() << "bpp, speech " << speech.size()
          << " chars):\n";
    out() << u"  read 0.bmp bytes only        %1 ms\n"_s.arg(readBmp, 0, 'f', 3);
    out() << u"  QImage::load 0.bmp           %1 ms\n"_s.arg(loadBmp, 0, 'f', 3);
    out() << u"  tank repaint()               %1 ms\n"_s.arg(tankPaint, 0, 'f', 3);
    out() << u"  label setSpeech (no paint)   %1 ms\n"_s.arg(labelSet, 0, 'f', 3);
    out() << u"  label repaint()              %1 ms\n"_s.arg(labelPaint, 0, 'f', 3);
    out() << u"  whole window repaint()       %1 ms\n"_s.arg(windowPaint, 0, 'f', 3);
    out() << u"  processEvents, nothing due   %1 ms\n"_s.arg(idleEvents, 0, 'f', 3);
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 10;
    int repeats = 5;
    int screenW = 1920;
    int screenH = 1080;
    int profileTicks = 0;
    double slowTickMs = 0;
    QString runDir;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg = argv[i];
        auto value = [&]() -> QByteArray {
            if (i + 1 >= argc) die(u"missing value after "_s + QString::fromLocal8Bit(arg));
            return argv[++i];
        };
        if (arg == "--runs") {
            runs = std::max(1, value().toInt());
        } else if (arg == "--repeats") {
            repeats = std::max(1, value().toInt());
        } else if (arg == "--screen") {
            const QList<QByteArray> wh = value().split('x');
            if (wh.size() != 2) die(u"--screen wants WxH"_s);
            screenW = wh[0].toInt();
            screenH = wh[1].toInt();
        } else if (arg == "--slow-tick-ms") {
            slowTickMs = value().toDouble();
        } else if (arg == "--profile-ticks") {
            profileTicks = value().toInt();
        } else if (arg.startsWith("--")) {
            die(u"unknown option "_s + QString::fromLocal8Bit(arg));
        } else {
            runDir = QString::fromLocal8Bit(arg);
        }
    }

    QTemporaryDir configDir;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        const QString config = offscreenConfig(configDir, screenW, screenH);
        qputenv("QT_QPA_PLATFORM", (u"offscreen:configfile="_s + config).toLocal8Bit());
    }
    QApplication app(argc, argv);
    substituteFonts();
    // A fault inside a timer handler opens a modal box; a benchmark must not wait on it.
    QTimer watchdog;
    QObject::connect(&watchdog, &QTimer::timeout, [] {
        if (QWidget* box = QApplication::activeModalWidget())
            die(u"a dialog opened: "_s + box->windowTitle());
    });
    watchdog.start(200);
    if (runDir.isEmpty()) runDir = QCoreApplication::applicationDirPath() + u"/../myoruka"_s;
    runDir = QDir(runDir).absolutePath();

    std::uint32_t seed = 1;
    if (profileTicks > 0) {
        // Only ticks, many of them, for a profiler to look at.
        std::vector<double> all;
        while (static_cast<int>(all.size()) < profileTicks) {
            const std::vector<double> costs = directTicks(runDir, seed);
            all.insert(all.end(), costs.begin(), costs.end());
        }
        out() << u"profile: %1 ticks, median %2 ms\n"_s.arg(all.size()).arg(median(all), 0, 'f', 3);
        return 0;
    }

    out() << "Exorcism chant, platform " << QGuiApplication::platformName() << ", data from "
          << runDir << "\n";
    if (qEnvironmentVariableIsSet("EXP_DIRECT_FIRST")) {
        for (int run = 0; run < 3; ++run) {
            const std::vector<double> costs = directTicks(runDir, seed);
            out() << "direct session " << run << ": median " << median(costs) << " mean " << mean(costs) << "\n";
        }
    }
    std::vector<double> totals, shown, periods;
    for (int run = 0; run < runs; ++run) {
        const RunResult r = runChant(runDir, seed, slowTickMs);
        totals.push_back(r.totalMs);
        shown.push_back(r.shownMs);
        periods.push_back(r.tickPeriodMs);
        out() << u"  run %1: %2 ms for %3 ticks (painted %4 ms), tick period %5 ms\n"_s
                     .arg(run + 1, 2)
                     .arg(r.totalMs, 7, 'f', 1)
                     .arg(r.ticks)
                     .arg(r.shownMs, 7, 'f', 1)
                     .arg(r.tickPeriodMs, 0, 'f', 3);
        out().flush();
    }

    std::vector<double> direct, early, late;
    for (int run = 0; run < runs; ++run) {
        const std::vector<double> costs = directTicks(runDir, seed);
        direct.insert(direct.end(), costs.begin(), costs.end());
        early.insert(early.end(), costs.begin(), costs.begin() + 10);
        late.insert(late.end(), costs.end() - 11, costs.end() - 1);
    }

    const Parts parts = tickParts(runDir, seed, repeats);
    const double whole = mean(parts.whole);

    out() << "\nChant, " << runs << " runs:\n";
    out() << u"  median total (Lbl_Click to click awaited)  %1 ms\n"_s.arg(median(totals), 0, 'f', 1);
    out() << u"  median total incl. last paint              %1 ms\n"_s.arg(median(shown), 0, 'f', 1);
    out() << u"  median tick period under the 1 ms timer    %1 ms\n"_s.arg(median(periods), 0, 'f', 3);
    out() << u"  median tick cost, Timer_Timer called alone %1 ms (mean %2, ticks 1-10 %3, ticks 91-100 %4)\n"_s
                 .arg(median(direct), 0, 'f', 3)
                 .arg(mean(direct), 0, 'f', 3)
                 .arg(median(early), 0, 'f', 3)
                 .arg(median(late), 0, 'f', 3);
    out() << u"  target: 1.5 x 101 ms = %1 ms -> %2\n"_s.arg(kTargetMs, 0, 'f', 1).arg(
        median(totals) <= kTargetMs ? u"met"_s : u"MISSED"_s);

    auto share = [whole](const std::vector<double>& v) {
        return u"%1 ms mean, %2 ms median, %3%"_s.arg(mean(v), 0, 'f', 3)
            .arg(median(v), 0, 'f', 3)
            .arg(whole > 0 ? 100 * mean(v) / whole : 0, 0, 'f', 0);
    };
    out() << "\nOne tick taken apart (" << parts.whole.size() << " ticks, mean whole "
          << QString::number(whole, 'f', 3) << " ms):\n";
    out() << "  picture: showFrame (BMP load)     " << share(parts.picture) << "\n";
    out() << "  text: ChantTick                   " << share(parts.text) << "\n";
    out() << "  label: setSpeech                  " << share(parts.label) << "\n";
    out() << "  paint: processEvents (repaint)    " << share(parts.paint) << "\n";

    isolatedCosts(runDir, seed, 50);
    out().flush();
    return 0;
}
