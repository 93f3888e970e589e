// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#include <QTest>

#include "support.h"
#include "talk_engine.h"

using namespace Qt::StringLiterals;

namespace {

// A started program: its folder, a fake window and a scripted chance.
struct Rig {
    Folder folder;
    FakeScreen screen;
    ScriptedRandom random;
    TalkEngine engine{screen, random, folder.folder};

    explicit Rig(const QByteArray& record = {}, const std::vector<QStringList>& lists = {})
        : folder(lists.empty()
                     ? std::vector<QStringList>{{u"A"_s}, {u"P"_s}, {u"V"_s}, {u"L"_s}, {u"Z"_s}}
                     : lists) {
        if (!record.isNull()) folder.setRecord(record);
        engine.load();
    }
    // Activation with the opening draw below(5) = r: 0 is the headache.
    void activate(int r = 1) {
        random.pick(r, 5);
        engine.activate();
    }
    void click(int times = 1) {
        for (int i = 0; i < times; ++i) engine.onSpeechClicked();
    }
    int step() const { return std::get<int>(engine.talkStep()); }
    void runAnimation() {
        while (screen.animating) engine.animationTick();
    }
};

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values) b += char(v);
    return b;
}

}  // namespace

class TalkTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void unlockRulesOnBothSidesOfTheirThresholds_data() {
        QTest::addColumn<QByteArray>("record");  // before this start raises the years
        QTest::addColumn<QString>("enabled");    // buttons 0..4
        QTest::newRow("first start") << QByteArray() << u"10001"_s;
        QTest::newRow("headaches 9, talks 19") << bytes({0, 0, 0, 0, 0, 9, 19}) << u"10001"_s;
        QTest::newRow("headaches 10") << bytes({0, 0, 0, 0, 0, 10, 0}) << u"11001"_s;
        QTest::newRow("talks 20") << bytes({0, 0, 0, 0, 0, 0, 20}) << u"11001"_s;
        QTest::newRow("talks 29, fortunes 10") << bytes({0, 10, 0, 0, 0, 0, 29}) << u"11001"_s;
        QTest::newRow("talks 30, fortunes 9") << bytes({0, 9, 0, 10, 0, 0, 30}) << u"11001"_s;
        QTest::newRow("talks 30, fortunes 10") << bytes({0, 10, 0, 0, 0, 0, 30}) << u"11011"_s;
        QTest::newRow("talks 49") << bytes({0, 10, 0, 10, 0, 0, 49}) << u"11011"_s;
        QTest::newRow("simple 9") << bytes({0, 10, 0, 9, 0, 0, 50}) << u"11011"_s;
        QTest::newRow("fortunes 9") << bytes({0, 9, 0, 10, 0, 0, 50}) << u"11001"_s;
        QTest::newRow("all unlocked") << bytes({0, 10, 0, 10, 0, 0, 50}) << u"11111"_s;
    }
    void unlockRulesOnBothSidesOfTheirThresholds() {
        QFETCH(QByteArray, record);
        QFETCH(QString, enabled);
        FIXTURE(Rig, rig, record);
        rig.activate();
        QString on, shown;
        for (int i = 0; i < 5; ++i) {
            on += rig.screen.enabled[i] ? u'1' : u'0';
            shown += rig.screen.visible[i] ? u'1' : u'0';
        }
        QCOMPARE(on, enabled);
        QCOMPARE(shown, enabled);  // the greeting shows exactly the unlocked ones
    }

    void firstStartGreetsWithTheMenu() {
        FIXTURE(Rig, rig, QByteArray());
        QCOMPARE(rig.folder.record(), QByteArray());  // created empty at start-up
        QCOMPARE(
            rig.screen.status,
            u"ミョルカ・ばーじょん1.00\r\n年:1　占い:0　払い:0　単占:0　恋占:0　頭痛:0　会話:0"_s);
        rig.activate(1);
        QCOMPARE(rig.screen.speech, u"うむ、それがしに何か用かな？"_s);
        QCOMPARE(rig.screen.frame, 1);
        QVERIFY(!rig.screen.indicator);
        QVERIFY(!rig.engine.awaitClick());

        rig.screen.status.clear();
        rig.click();  // nothing awaited: the picture flips and the status is rewritten
        QCOMPARE(rig.screen.frame, 2);
        QCOMPARE(rig.screen.speech, u"うむ、それがしに何か用かな？"_s);
        QVERIFY(!rig.screen.status.isEmpty());
        QVERIFY(std::holds_alternative<std::monostate>(rig.engine.talkMode()));
    }

    void headacheEndsTheRunOnItsSecondClick() {
        FIXTURE(Rig, rig, bytes({4, 0, 0, 0, 0, 9, 0}));
        rig.activate(0);
        QCOMPARE(rig.screen.speech, u"今日は頭痛がして何も考えられない"_s);
        QCOMPARE(rig.screen.frame, 2);
        for (bool v : rig.screen.visible) QVERIFY(!v);
        rig.click();
        QCOMPARE(rig.screen.speech, u"またの機会にシテオクレ"_s);
        QCOMPARE(rig.screen.quits, 0);
        rig.click();
        QCOMPARE(rig.screen.quits, 1);
        QCOMPARE(rig.folder.record(), bytes({5, 0, 0, 0, 0, 10, 0}));
        const int frame = rig.screen.frame;
        rig.click();  // ended: nothing more happens
        QCOMPARE(rig.screen.quits, 1);
        QCOMPARE(rig.screen.frame, frame);
    }

    void readingsFromButtonToEnd_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("interval");       // of the animation; 100 (as created) when none
        QTest::addColumn<QStringList>("texts");  // after the button, then after each click
        QTest::addColumn<QByteArray>("stored");
        const QString day = u"今日の運命指数は99％じゃ\r\n\r\nそなたは今日、"_s;
        const QString hours = u"\r\n朝に、LでA\r\n昼に、LでA\r\n夕方に、LでA\r\n夜に、LでA"_s;
        const QString love =
            u"そうじゃな、その恋の運命指数は99％じゃ\r\n\r\nライバルはPで\r\n恋にいい場所はLじゃな"_s;
        const QString bye = u"それではこれにて"_s;
        QTest::newRow("fortune") << 0 << 300
                                 << QStringList{u"占って進ぜよう、・・・っっっっっっｍ！"_s,
                                                day + hours, day + hours + u"\r\nZ"_s, bye}
                                 << bytes({1, 11, 0, 10, 0, 0, 50});
        QTest::newRow("simple") << 1 << 100
                                << QStringList{u"占って進ぜよう・・・、うむむむむ"_s,
                                               day + u"大凶じゃ"_s, bye}
                                << bytes({1, 10, 0, 11, 0, 0, 50});
        QTest::newRow("love")
            << 2 << 300
            << QStringList{u"たはーーーーーーーー"_s, love,
                           love +
                               u"\r\nまぁ、恋は自分次第で\r\nどうにもナルモンじゃし、あまり思い詰めるなよ、"_s,
                           bye}
            << bytes({1, 10, 0, 10, 1, 0, 50});
        // The chant: the scripted 99 draws a character (あ), then every zero the word "A".
        QTest::newRow("exorcism") << 3 << 1
                                  << QStringList{u"お払いをして進ぜよう\r\n"_s,
                                                 u"お払いをして進ぜよう\r\nあ"_s +
                                                     QString(99, u'A') +
                                                     u"\r\nかーーーーーーーーっ！！"_s,
                                                 u"これでＯＫじゃ"_s, bye}
                                  << bytes({1, 10, 1, 10, 0, 0, 50});
    }
    void readingsFromButtonToEnd() {
        QFETCH(int, button);
        QFETCH(int, interval);
        QFETCH(QStringList, texts);
        QFETCH(QByteArray, stored);
        FIXTURE(Rig, rig, bytes({0, 10, 0, 10, 0, 0, 50}));  // every button unlocked
        rig.activate();
        rig.engine.onMenuClicked(button);
        for (bool v : rig.screen.visible) QVERIFY(!v);
        QCOMPARE(rig.screen.speech, texts[0]);
        rig.random.pick(99, 100);
        for (int i = 1; i < texts.size(); ++i) {
            rig.click();
            const int frame = rig.screen.frame;
            if (rig.screen.animating) rig.click();  // ignored: only the picture flips
            QCOMPARE(rig.screen.frame, rig.screen.animating ? 3 - frame : frame);
            int ticks = 0;
            for (; rig.screen.animating; ++ticks) rig.engine.animationTick();
            QCOMPARE(ticks % 2, ticks ? 1 : 0);  // odd: the alien ends on the other frame
            QCOMPARE(rig.screen.speech, texts[i]);
            QVERIFY(rig.screen.indicator);
        }
        QCOMPARE(rig.screen.interval, interval);
        QCOMPARE(rig.screen.quits, 0);
        rig.click();
        QCOMPARE(rig.screen.quits, 1);
        QCOMPARE(rig.folder.record(), stored);
    }

    void conversationStartsNestedAndResumesAtStep3() {
        FIXTURE(Rig, rig, QByteArray());
        rig.activate();
        const int frame = rig.screen.frame;
        rig.random.pick(10, 100), rig.random.pick(0, 7);  // a topic: mode 6
        rig.engine.onMenuClicked(4);
        QCOMPARE(int(rig.engine.record().talks), 1);
        QCOMPARE(rig.screen.frame, frame);  // flipped twice
        QCOMPARE(rig.step(), 3);
        QCOMPARE(rig.screen.speech, u"お前と会ったのは\r\n1数年前のことだったな"_s);
        rig.click();
        QCOMPARE(rig.screen.speech,
                 u"それはちょうど\r\n私が此処に閉じこめられてから\r\n1年という事になる"_s);
        rig.click();
        QCOMPARE(rig.screen.speech, u"どうだ？\r\nソロソロ此処から出してはくれないか？"_s);
        QVERIFY(rig.screen.visible[0] && rig.screen.visible[4] && !rig.screen.indicator);

        // Still awaiting clicks: the step runs on to 100, wraps, and only then says step 2.
        rig.click(96);
        QCOMPARE(rig.step(), 1);
        QCOMPARE(rig.screen.speech, u"どうだ？\r\nソロソロ此処から出してはくれないか？"_s);
        rig.click();
        QCOMPARE(rig.screen.speech, u"お前と会ったのは\r\n1数年前のことだったな"_s);
        rig.click();
        QCOMPARE(rig.screen.speech, u"早い物だ、もうそんなに経つのか"_s);
    }

    void oneLineTopicsOfferTheMenuAtOnce_data() {
        QTest::addColumn<int>("topic");
        QTest::addColumn<QString>("line");
        QTest::newRow("7") << 7 << u"外にでて、Lに行きたい"_s;
        QTest::newRow("8") << 8 << u"此処の七色の水はなかなかだぞ\r\nLとはいえこうはいくまい"_s;
        QTest::newRow("10")
            << 10 << u"Pが、私の悪口を言うのだ。\r\nチョッと言って懲らしめてくれないか。"_s;
        QTest::newRow("11") << 11 << u"五月蠅い奴だ"_s;
        QTest::newRow("12") << 12 << u"外にでて、Pと会いたい"_s;
    }
    void oneLineTopicsOfferTheMenuAtOnce() {
        QFETCH(int, topic);
        QFETCH(QString, line);
        FIXTURE(Rig, rig, QByteArray());
        rig.activate();
        rig.random.pick(69, 100), rig.random.pick(topic - 6, 7);
        rig.engine.onMenuClicked(4);
        QCOMPARE(rig.screen.speech, line);
        QVERIFY(rig.screen.visible[4]);
    }

    void gossipGivesAVerdictOnEveryLaterClick() {
        FIXTURE(Rig, rig, QByteArray());
        rig.activate();
        rig.random.pick(0, 100), rig.random.pick(3, 7);
        rig.engine.onMenuClicked(4);
        QCOMPARE(rig.screen.speech, u"この間Pがお前のことを噂していたぞ"_s);
        QVERIFY(!rig.screen.visible[0]);
        const QString verdicts[] = {u"なかなかいいねって"_s, u"ちょっとだめよねって"_s,
                                    u"まぁまぁよねって"_s};
        for (int v : {2, 0, 1}) {
            rig.random.pick(v, 3);
            rig.click();
            QCOMPARE(rig.screen.speech, verdicts[v]);
            QVERIFY(rig.screen.visible[0]);
        }
    }

    void teachingANewNounStoresItForGood() {
        FIXTURE(Rig, rig, QByteArray());
        rig.activate();
        rig.screen.answers = {u"ねこ"_s};
        rig.random.pick(70, 100);
        rig.engine.onMenuClicked(4);
        QCOMPARE(rig.screen.lastPrompt, u"名詞を教えて下さい"_s);
        QCOMPARE(rig.screen.lastTitle, u"要求じゃ"_s);
        QCOMPARE(rig.screen.speech, u"うむ、ねこじゃな"_s);
        QCOMPARE(rig.step(), 3);
        rig.click();
        QCOMPARE(rig.screen.speech, u"うにゅ、覚えたぞ"_s);
        QCOMPARE(readFile(rig.folder.path(u"1.dat"_s)), cp932(u"P\r\nねこ\r\n"_s));
        QCOMPARE(rig.engine.words().count(1), 2);
        rig.click(2);
        QCOMPARE(rig.screen.speech, u"うりょうりょ"_s);
        QVERIFY(rig.screen.visible[4]);
        QVERIFY(std::holds_alternative<EndStep>(rig.engine.talkStep()));

        // As an input method types them: echoed as typed, stored in CP932's own forms.
        for (const QString& noun : {u"東京〜大阪"_s, u"ね😀こ"_s}) {
            rig.screen.answers = {noun};
            rig.random.pick(70, 100);
            rig.engine.onMenuClicked(4);
            QCOMPARE(rig.screen.speech, u"うむ、"_s + noun + u"じゃな");
            rig.click();
        }
        const QByteArray file = cp932(u"P\r\nねこ\r\n東京～大阪\r\nね？こ\r\n"_s);
        QCOMPARE(readFile(rig.folder.path(u"1.dat"_s)), file);

        // The same nouns again, in either form, an empty answer and a cancelled box are all
        // known; so is another emoji in the place of the one stored as "？".
        for (const QString& answer :
             {u"ねこ"_s, QString(), u"東京〜大阪"_s, u"東京～大阪"_s, u"ね😀こ"_s, u"ね🐈こ"_s}) {
            rig.screen.answers = {answer};
            rig.random.pick(99, 100);
            rig.engine.onMenuClicked(4);
            QCOMPARE(rig.screen.speech, u"その言葉はもうシットルぞ"_s);
            rig.click();
            QCOMPARE(rig.screen.speech, u"うりょうりょ"_s);
        }
        QCOMPARE(readFile(rig.folder.path(u"1.dat"_s)), file);
        QCOMPARE(rig.folder.record(), QByteArray());  // nothing stored before the end
    }

    void teachingIsOfferedBelow10000People() {
        for (const auto& [people, teaches] : {std::pair{9999, true}, std::pair{10000, false}}) {
            QStringList many;
            for (int i = 0; i < people; ++i) many << QString::number(i);
            FIXTURE(Rig, rig, QByteArray(),
                    std::vector<QStringList>{{u"A"_s}, many, {u"V"_s}, {u"L"_s}, {u"Z"_s}});
            rig.activate();
            rig.random.pick(99, 100), rig.random.pick(5, 7);
            rig.engine.onMenuClicked(4);
            QCOMPARE(rig.engine.talkMode() == TalkMode(NamedTalk::Teaching), teaches);
            QCOMPARE(rig.random.used(), teaches ? false : true);  // the topic draw only when needed
        }
    }

    void rebirthPartingRemark_data() {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QString>("remark");
        QTest::newRow("fortunes 59, exorcisms 50")
            << bytes({99, 59, 50, 0, 0, 0, 0})
            << u"お前にはどうやら悪い虫が付きやすいようだ\r\nこれからも、用心するんだな"_s;
        QTest::newRow("fortunes 60 beat all")
            << bytes({99, 60, 255, 255, 255, 255, 255})
            << u"お前が私の占いを\r\n頼っているのを知っていたから、悪くなかった"_s;
        QTest::newRow("simple fortunes")
            << bytes({99, 59, 49, 50, 50, 50, 0})
            << u"せっかちなお前のことだ、\r\n何事かと今もイライラしてるんじゃないか？"_s;
        QTest::newRow("love fortunes") << bytes({99, 0, 0, 49, 50, 50, 0})
                                       << u"恋に不安を感じているらしいがその情熱なら大丈夫だ"_s;
        QTest::newRow("headaches") << bytes({99, 0, 0, 0, 0, 50, 0})
                                   << u"体の弱い私にめげずに此処までしてくれて\r\nありがとう"_s;
        QTest::newRow("love and headaches 49")
            << bytes({99, 0, 0, 0, 49, 49, 0}) << u"まぁ、特に言うことはないが"_s;
        QTest::newRow("talks do not count")
            << bytes({254, 0, 0, 0, 0, 0, 255}) << u"まぁ、特に言うことはないが"_s;
    }
    void rebirthPartingRemark() {
        QFETCH(QByteArray, record);
        QFETCH(QString, remark);
        FIXTURE(Rig, rig, record);
        rig.activate(1);  // the draw is made but the rebirth wins
        QCOMPARE(rig.screen.speech, u"うう！！"_s);
        for (bool v : rig.screen.visible) QVERIFY(!v);
        rig.click(3);
        QCOMPARE(rig.screen.speech, remark);
        rig.click(3);
        QCOMPARE(rig.screen.alienYears, 0);
        QCOMPARE(rig.screen.speech, u"ふう"_s);
        rig.click();
        QCOMPARE(rig.screen.speech, u"まぁ、これからもヨロシク"_s);
        rig.click();
        QCOMPARE(rig.folder.record(), QByteArray(7, '\0') + record.mid(7));
        QCOMPARE(rig.screen.quits, 1);
    }

    void yearsAt99GreetAnd255StillStarts() {
        FIXTURE(Rig, young, bytes({98}));
        young.activate(1);
        QCOMPARE(young.screen.speech, u"うむ、それがしに何か用かな？"_s);
        FIXTURE(Rig, old, bytes({255, 0, 0, 0, 0, 0, 255}));
        QCOMPARE(int(old.engine.record().years), 255);
        old.random.pick(1, 5);
        old.engine.activate();
        QCOMPARE(old.screen.speech, u"うう！！"_s);
    }

    void clickDuringTheBlinkEventPassIsHandled() {
        FIXTURE(Rig, rig, QByteArray());
        rig.activate();
        rig.engine.onMenuClicked(0);
        rig.screen.onEvents = [&] { rig.engine.onSpeechClicked(); };
        rig.engine.blinkIndicator();
        QCOMPARE(rig.screen.lamp, Lamp::Red);
        QCOMPARE(rig.step(), 3);  // the click ran step 2 inside the blink
        rig.engine.blinkIndicator();
        QCOMPARE(rig.screen.lamp, Lamp::Yellow);
    }

    void closingStoresOnceAndStopsEverything() {
        FIXTURE(Rig, rig, bytes({5, 1, 2, 3, 4, 5, 6}));
        rig.activate();
        rig.engine.onMenuClicked(0);
        rig.screen.onEvents = [&] { rig.engine.quitAndStore(); };  // closed inside a pass
        rig.engine.blinkIndicator();
        QCOMPARE(rig.screen.quits, 1);
        QCOMPARE(rig.folder.record(), bytes({6, 2, 2, 3, 4, 5, 6}));
        const QString speech = rig.screen.speech;
        rig.engine.quitAndStore();
        rig.click();
        rig.engine.animationTick();
        rig.engine.onMenuClicked(4);
        QCOMPARE(rig.screen.quits, 1);
        QCOMPARE(rig.screen.speech, speech);
    }
};

QTEST_GUILESS_MAIN(TalkTest)
#include "test_talk.moc"
