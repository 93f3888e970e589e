// Random use of the talk engine from many starting records, checking after every event the
// rules that must hold whatever the user does. Seeds are fixed; a failure names its seed.
#include <QFileInfo>
#include <QTest>
#include <algorithm>
#include <set>

#include "support.h"
#include "talk_engine.h"

using namespace Qt::StringLiterals;

namespace {

using Counters = std::array<int, SaveRecord::kSize>;

Counters countersOf(const SaveRecord& r) {
    return {r.Years,        r.Fortunes,  r.Exorcisms, r.SimpleFortunes,
            r.LoveFortunes, r.Headaches, r.Talks};
}

QByteArray bytesOf(const SaveRecord& r) {
    QByteArray b;
    for (int c : countersOf(r)) b += char(c);
    return b;
}

// The step whose click ends the program, for the talks that end it; 0 for the others.
int finalStep(const TalkMode& mode) {
    if (mode == TalkMode(NamedTalk::Hensin)) return 9;
    const int* m = std::get_if<int>(&mode);
    if (!m) return 0;
    switch (*m) {
        case kFortune:
        case kLoveFortune:
        case kExorcism: return 5;
        case kSimpleFortune: return 4;
        case kHeadache: return 3;
        default: return 0;
    }
}

struct Run {
    Folder folder{{{u"A"_s}, {u"P"_s, u"Q"_s}, {u"V"_s}, {u"L"_s}, {u"Z"_s}}};
    FakeScreen screen;
    ClockRnd talkRnd, pick;
    TalkEngine engine{screen, talkRnd, folder.appDir};
    QByteArray file;  // str.dat as the run found it
    SaveRecord loaded;
    std::array<bool, 5> unlocked{};
    bool endingClick = false;  // a click in this event came at a script's final step
    int newWords = 0;
    int buttonChance = 0;  // percent; a patient user lets a talk run past its 100th step

    Run(const QByteArray& record, std::uint32_t seed) : talkRnd(seed), pick(seed ^ 0x5bd1e995u) {
        if (!record.isNull()) folder.setRecord(record);
        engine.Form_Load();
        file = folder.record();
        loaded = engine.record();
        unlocked = TalkEngine::Unlocked(loaded);
        buttonChance = pick.below(4) == 0 ? 1 : 10;
    }

    void click() {
        const int* step = std::get_if<int>(&engine.talkStep());
        endingClick |= engine.awaitClick() && step && *step == finalStep(engine.talkMode());
        engine.Lbl_Click();
    }

    bool anyVisible() const {
        return std::any_of(screen.visible, screen.visible + 5, [](bool v) { return v; });
    }

    // One user action or timer tick, as the window could deliver it now.
    void event() {
        endingClick = false;
        if (screen.answers.empty()) {
            const int kind = pick.below(3);
            screen.answers.push_back(kind == 0   ? u"新%1"_s.arg(++newWords)
                                     : kind == 1 ? u"P"_s
                                                 : QString());
        }
        if (pick.below(8) == 0) screen.onEvents = [this] { click(); };
        const int r = pick.below(100);
        if (screen.animating && r < 70) return engine.Timer_Timer();
        if (r < 15) return engine.TimCK_Timer();
        if (r < 15 + buttonChance && anyVisible()) {
            int i;
            do i = pick.below(5);
            while (!screen.visible[i]);
            return engine.Com_Click(i);
        }
        click();
    }

    // What an ended run must keep, whatever arrives later.
    QString snapshot() const {
        QString s = screen.speech + screen.status + QString::number(screen.frame) +
                    QString::number(screen.frameLoads) + QString::number(screen.quits);
        for (int i = 0; i < 5; ++i) s += screen.visible[i] ? u'V' : u'-';
        s += screen.indicator ? u'I' : u'-';
        s += screen.animating ? u'A' : u'-';
        return s + QString::fromLatin1(bytesOf(engine.record()).toHex());
    }

    QString check(const Counters& before) const {
        const Counters now = countersOf(engine.record());
        const bool hensin = engine.talkMode() == TalkMode(NamedTalk::Hensin);
        if (engine.ended()) {
            if (!endingClick) return u"ended without a click at a final step"_s;
            if (screen.quits != 1) return u"quit %1 times"_s.arg(screen.quits);
            if (hensin ? !(engine.record() == SaveRecord{}) : now != before)
                return u"the last click changed the wrong counters"_s;
            if (folder.record() != bytesOf(engine.record()) + file.mid(SaveRecord::kSize))
                return u"str.dat is not the record at the end"_s;
            return {};
        }
        if (endingClick) return u"a click at a final step did not end"_s;
        if (screen.quits != 0) return u"quit while running"_s;
        if (folder.record() != file) return u"str.dat written before the end"_s;
        int risen = 0;
        for (int i = 0; i < SaveRecord::kSize; ++i) {
            if (now[i] < before[i] || now[i] > before[i] + 1) return u"counter %1 jumped"_s.arg(i);
            risen += now[i] - before[i];
        }
        if (risen > 1) return u"more than one counter rose"_s;
        if (now[0] != loaded.Years) return u"years changed"_s;

        const TalkStep& step = engine.talkStep();
        const bool talked = !std::holds_alternative<std::monostate>(engine.talkMode());
        if (std::holds_alternative<std::monostate>(step) == talked)
            return u"step and mode disagree"_s;
        if (const int* n = std::get_if<int>(&step); n && (*n < 1 || *n > 100))
            return u"step %1"_s.arg(*n);
        if (screen.animating ? engine.awaitClick() : talked != engine.awaitClick())
            return u"a click is awaited during an animation, or not awaited after it"_s;
        if (screen.indicator != engine.indicatorVisible() ||
            screen.indicator != (!screen.animating && !anyVisible()))
            return u"indicator shown when it should not be, or hidden"_s;
        for (int i = 0; i < 5; ++i) {
            if (screen.enabled[i] != unlocked[i]) return u"button %1 enabled wrongly"_s.arg(i);
            if (screen.visible[i] != engine.buttonVisible(i) || (screen.visible[i] && !unlocked[i]))
                return u"button %1 visible wrongly"_s.arg(i);
        }
        if (loaded.Years >= 100 && (!hensin || anyVisible())) return u"no rebirth at 100"_s;
        return {};
    }
};

}  // namespace

class PropertyTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Every ended run stores its record with a flush to disk; a memory file system keeps the
    // thousand of them quick.
    void initTestCase() {
        if (QFileInfo(u"/dev/shm"_s).isWritable()) qputenv("TMPDIR", "/dev/shm");
    }

    void randomUseKeepsTheRules() {
        // Counters after Years: fortunes, exorcisms, simple, love, headaches, talks.
        const std::vector<std::array<int, 6>> sets = {
            {0, 0, 0, 0, 0, 0},     {255, 255, 255, 255, 255, 255}, {9, 0, 9, 0, 9, 19},
            {10, 0, 10, 0, 10, 50}, {10, 49, 0, 0, 0, 30},          {60, 50, 50, 50, 50, 0},
        };
        const int years[] = {0, 1, 98, 99, 100, 254, 255};
        const int lengths[] = {-1, 3, 7, 11};  // -1: no str.dat yet
        constexpr int kRunsPerStart = 24, kMaxEvents = 400;
        long events = 0, taught = 0;
        std::set<int> endings;  // the talks that ended a run; 99 for the rebirth
        int start = 0;
        for (int y : years) {
            for (const auto& set : sets) {
                const int length = lengths[start % 4];
                QByteArray record;
                if (length >= 0) {
                    record = QByteArray(1, char(y));
                    for (int c : set) record += char(c);
                    record = QByteArray(record + "\xde\xad\xbe\xef").left(length);
                }
                for (int r = 0; r < kRunsPerStart; ++r) {
                    const std::uint32_t seed = 1000u * start + r;
                    Run run(record, seed);
                    auto report = [&](int at, const QString& why) {
                        return u"seed %1 record %2 event %3: %4"_s.arg(seed).arg(
                            record.isNull() ? u"(none)"_s : QString::fromLatin1(record.toHex()),
                            QString::number(at), why);
                    };
                    QCOMPARE(int(run.loaded.Years), length > 0 ? std::min(y + 1, 255) : 1);
                    Counters before = countersOf(run.engine.record());
                    run.engine.Form_Activate();
                    QString why = run.check(before);
                    if (!why.isEmpty()) QFAIL(qPrintable(report(0, why)));
                    for (int e = 1; e <= kMaxEvents && !run.engine.ended(); ++e, ++events) {
                        before = countersOf(run.engine.record());
                        run.event();
                        why = run.check(before);
                        if (!why.isEmpty()) QFAIL(qPrintable(report(e, why)));
                    }
                    taught += run.engine.words().WordCount(1) - 2;
                    if (!run.engine.ended()) continue;
                    const int* mode = std::get_if<int>(&run.engine.talkMode());
                    endings.insert(mode ? *mode : 99);

                    const QString frozen = run.snapshot();
                    run.folder.setRecord("sentinel");
                    for (int e = 0; e < 6; ++e) {
                        run.screen.onEvents = [&run] { run.click(); };
                        run.event();
                        run.engine.Com_Click(e % 5);
                        run.engine.Timer_Timer();
                        run.engine.Form_Unload();
                    }
                    if (run.snapshot() != frozen)
                        QFAIL(qPrintable(report(-1, u"changed after the end"_s)));
                    if (run.folder.record() != "sentinel")
                        QFAIL(qPrintable(report(-1, u"stored again"_s)));
                }
                ++start;
            }
        }
        qInfo("%ld events, %ld nouns taught", events, taught);
        QVERIFY(events > 20000);
        QVERIFY(taught > 0);
        QCOMPARE(endings,
                 (std::set<int>{kFortune, kSimpleFortune, kLoveFortune, kExorcism, kHeadache, 99}));
    }
};

QTEST_GUILESS_MAIN(PropertyTest)
#include "test_property.moc"
