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
    FakeView view;
    ScriptedRandom random;
    TalkEngine engine{view, random, folder.folder};

    explicit Rig(const QByteArray& record = {}, const QStringList& people = {u"P"_s})
        : folder({{u"A"_s}, people, {u"V"_s}, {u"L"_s}, {u"Z"_s}}) {
        if (!record.isNull()) folder.setRecord(record);
        engine.load();
    }
    void activate(int r = 1) {  // the opening draw below(5): 0 is the headache
        random.pick(r, 5);
        engine.activate();
    }
    QString click(int times = 1) {  // what the alien says after
        for (int i = 0; i < times; ++i) engine.onSpeechClicked();
        return view.speech;
    }
    QString talk(int k, int topic = -1) {  // 会話 with below(100) == k, and below(7) == topic
        random.pick(k, 100);
        if (topic >= 0) random.pick(topic, 7);
        engine.onMenuClicked(4);
        return view.speech;
    }
    int step() const { return std::get<int>(engine.step()); }
    bool noButtons() const { return QList(view.visible, view.visible + 5) == QList<bool>(5); }
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
        QTest::newRow("headaches 9, conversations 19")
            << bytes({0, 0, 0, 0, 0, 9, 19}) << u"10001"_s;
        QTest::newRow("headaches 10") << bytes({0, 0, 0, 0, 0, 10, 0}) << u"11001"_s;
        QTest::newRow("conversations 20") << bytes({0, 0, 0, 0, 0, 0, 20}) << u"11001"_s;
        QTest::newRow("conversations 29, fortunes 10")
            << bytes({0, 10, 0, 0, 0, 0, 29}) << u"11001"_s;
        QTest::newRow("conversations 30, fortunes 9")
            << bytes({0, 9, 0, 10, 0, 0, 30}) << u"11001"_s;
        QTest::newRow("conversations 30, fortunes 10")
            << bytes({0, 10, 0, 0, 0, 0, 30}) << u"11011"_s;
        QTest::newRow("conversations 49") << bytes({0, 10, 0, 10, 0, 0, 49}) << u"11011"_s;
        QTest::newRow("simple 9") << bytes({0, 10, 0, 9, 0, 0, 50}) << u"11011"_s;
        QTest::newRow("fortunes 9") << bytes({0, 9, 0, 10, 0, 0, 50}) << u"11001"_s;
        QTest::newRow("all unlocked") << bytes({0, 10, 0, 10, 0, 0, 50}) << u"11111"_s;
    }
    void unlockRulesOnBothSidesOfTheirThresholds() {
        QFETCH(QByteArray, record);
        QFETCH(QString, enabled);
        FIXTURE(Rig, rig, record);
        rig.activate();
        for (int i = 0; i < 5; ++i) {  // the greeting shows exactly the unlocked ones
            QCOMPARE(rig.view.enabled[i], enabled[i] == u'1');
            QCOMPARE(rig.view.visible[i], enabled[i] == u'1');
        }
    }

    void greetingAndHeadache() {
        FIXTURE(Rig, rig, bytes({98}));  // the 99th start greets; the 100th is the rebirth
        rig.random.push(0.2f);  // the least draw that greets: one start in five is a headache
        rig.engine.activate();
        QCOMPARE(rig.view.frame, 1);
        QVERIFY(!rig.view.indicator);
        rig.view.status.clear();
        // Nothing awaited: the picture flips and the status is rewritten.
        QCOMPARE(rig.click(), u"うむ、それがしに何か用かな？"_s);
        QCOMPARE(rig.view.frame, 2);
        QVERIFY(rig.view.status.startsWith(u"ミョルカ・ばーじょん1.00\r\n年:99　"_s));

        FIXTURE(Rig, sick, bytes({4, 0, 0, 0, 0, 9, 0}));
        sick.activate(0);
        QCOMPARE(sick.view.speech, u"今日は頭痛がして何も考えられない"_s);
        QVERIFY(sick.noButtons());
        QCOMPARE(sick.click(), u"またの機会にシテオクレ"_s);
        QCOMPARE(sick.view.quits, 0);
        sick.click();
        QCOMPARE(sick.view.quits, 1);
        QCOMPARE(sick.folder.record(), bytes({5, 0, 0, 0, 0, 10, 0}));
    }

    void readingsFromButtonToEnd_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("counter");        // raised, as it lies in str.dat
        QTest::addColumn<int>("interval");       // of the animation; 100 (as created) when none
        QTest::addColumn<QStringList>("texts");  // after the button, then after each click
        const QString day = u"今日の運命指数は99％じゃ\r\n\r\nそなたは今日、"_s;
        const QString hours = u"\r\n朝に、LでA\r\n昼に、LでA\r\n夕方に、LでA\r\n夜に、LでA"_s;
        const QString love =
            u"そうじゃな、その恋の運命指数は99％じゃ\r\n\r\nライバルはPで\r\n恋にいい場所はLじゃな"_s;
        const QString loveEnd =
            u"\r\nまぁ、恋は自分次第で\r\nどうにもナルモンじゃし、あまり思い詰めるなよ、"_s;
        // The chant: the scripted 99 draws a character (あ), then every zero the word "A".
        const QString chant = u"お払いをして進ぜよう\r\n"_s;
        const QString chanted = chant + u"あ" + QString(99, u'A') + u"\r\nかーーーーーーーーっ！！";
        const QString bye = u"それではこれにて"_s;
        QTest::newRow("fortune") << 0 << 1 << 300
                                 << QStringList{u"占って進ぜよう、・・・っっっっっっｍ！"_s,
                                                day + hours, day + hours + u"\r\nZ"_s, bye};
        QTest::newRow("simple") << 1 << 3 << 100
                                << QStringList{u"占って進ぜよう・・・、うむむむむ"_s,
                                               day + u"大凶じゃ"_s, bye};
        QTest::newRow("love") << 2 << 4 << 300
                              << QStringList{u"たはーーーーーーーー"_s, love, love + loveEnd, bye};
        QTest::newRow("exorcism") << 3 << 2 << 1
                                  << QStringList{chant, chanted, u"これでＯＫじゃ"_s, bye};
    }
    void readingsFromButtonToEnd() {
        QFETCH(int, button);
        QFETCH(int, counter);
        QFETCH(int, interval);
        QFETCH(QStringList, texts);
        FIXTURE(Rig, rig, bytes({0, 10, 0, 10, 0, 0, 50}));  // every button unlocked
        rig.activate();
        rig.engine.onMenuClicked(button);
        QVERIFY(rig.noButtons());
        QCOMPARE(rig.view.speech, texts[0]);
        rig.random.pick(99, 100);
        for (int i = 1; i < texts.size(); ++i) {
            rig.click();
            QCOMPARE(rig.view.indicator, !rig.view.animating);  // nothing to click for meanwhile
            const int frame = rig.view.frame;
            if (rig.view.animating) rig.click();  // ignored: only the picture flips
            QCOMPARE(rig.view.frame, rig.view.animating ? 3 - frame : frame);
            const int before = rig.view.frame;
            int ticks = 0;
            for (; rig.view.animating; ++ticks) rig.engine.animationTick();
            QCOMPARE(ticks % 2, ticks ? 1 : 0);  // odd: the alien ends on the other frame
            QCOMPARE(rig.view.frame, ticks ? 3 - before : before);
            QCOMPARE(rig.view.speech, texts[i]);
            QVERIFY(rig.view.indicator);
        }
        QCOMPARE(rig.view.interval, interval);
        QCOMPARE(rig.view.quits, 0);
        rig.click();
        QCOMPARE(rig.view.quits, 1);
        QByteArray stored = bytes({1, 10, 0, 10, 0, 0, 50});
        ++stored[counter];
        QCOMPARE(rig.folder.record(), stored);
    }

    void conversationStartsNestedAndResumesAtStep3() {
        FIXTURE(Rig, rig, bytes({6}));  // the 7th start: the years, not the conversations
        rig.activate();
        const int frame = rig.view.frame;
        QCOMPARE(rig.talk(10, 0), u"お前と会ったのは\r\n7数年前のことだったな"_s);
        QCOMPARE(int(rig.engine.record().conversations), 1);
        QCOMPARE(rig.view.frame, frame);  // flipped twice
        QCOMPARE(rig.click(),
                 u"それはちょうど\r\n私が此処に閉じこめられてから\r\n7年という事になる"_s);
        const QString out = u"どうだ？\r\nソロソロ此処から出してはくれないか？"_s;
        QCOMPARE(rig.click(), out);
        QVERIFY(rig.view.visible[0] && rig.view.visible[4] && !rig.view.indicator);
        // Still awaiting clicks: the step runs on to 100, wraps, and only then says step 2.
        QCOMPARE(rig.click(96), out);
        QCOMPARE(rig.step(), 1);
        QCOMPARE(rig.click(2), u"早い物だ、もうそんなに経つのか"_s);
    }

    void topicsAfterTheirFirstLine_data() {
        QTest::addColumn<int>("topic");
        QTest::addColumn<QString>("line");
        QTest::newRow("7") << 7 << u"外にでて、Lに行きたい"_s;
        QTest::newRow("8") << 8 << u"此処の七色の水はなかなかだぞ\r\nLとはいえこうはいくまい"_s;
        QTest::newRow("9") << 9 << u"この間Pがお前のことを噂していたぞ"_s;
        QTest::newRow("10")
            << 10 << u"Pが、私の悪口を言うのだ。\r\nチョッと言って懲らしめてくれないか。"_s;
        QTest::newRow("11") << 11 << u"五月蠅い奴だ"_s;
        QTest::newRow("12") << 12 << u"外にでて、Pと会いたい"_s;
    }
    void topicsAfterTheirFirstLine() {
        QFETCH(int, topic);
        QFETCH(QString, line);
        FIXTURE(Rig, rig, bytes({0, 0, 0, 0, 0, 0, 19}));
        rig.activate();
        QCOMPARE(rig.talk(69, topic - 6), line);
        QCOMPARE(rig.view.visible[4], topic != 9);  // one-line topics offer the menu at once
        QVERIFY(!rig.view.visible[1]);  // 単純 at 20 conversations waits for the next start
        if (topic != 9) {
            const int draws = rig.random.draws();
            rig.click();  // and have no more to say
            QCOMPARE(rig.random.draws(), draws);
            return;
        }
        // The gossip gives a verdict on every later click.
        const QString verdicts[] = {u"なかなかいいねって"_s, u"ちょっとだめよねって"_s,
                                    u"まぁまぁよねって"_s};
        for (int v : {2, 0, 1}) {
            rig.random.pick(v, 3);
            QCOMPARE(rig.click(), verdicts[v]);
        }
        QVERIFY(rig.view.visible[4]);
    }

    void teachingANewNounStoresItForGood() {
        FIXTURE(Rig, rig, QByteArray());
        rig.activate();
        rig.view.answers = {u"ね😀こ"_s};
        QCOMPARE(rig.talk(70), u"うむ、ね😀こじゃな"_s);  // echoed as typed
        QCOMPARE(rig.view.lastPrompt, u"名詞を教えて下さい"_s);
        QCOMPARE(rig.view.lastTitle, u"要求じゃ"_s);
        QCOMPARE(rig.step(), 3);
        QCOMPARE(rig.click(), u"うにゅ、覚えたぞ"_s);
        const QByteArray file = cp932(u"P\r\nね？こ\r\n"_s);
        QCOMPARE(readFile(rig.folder.path(u"1.dat"_s)), file);
        QCOMPARE(rig.engine.words().count(1), 2);
        rig.view.lastPrompt.clear();
        QCOMPARE(rig.click(120), u"うりょうりょ"_s);  // however long one clicks on,
        QVERIFY(rig.view.lastPrompt.isEmpty() && rig.view.visible[4]);  // it asks no more
        // Known as stored, with another emoji for the "？"; so is an empty or cancelled answer.
        for (const QString& answer : {u"ね🐈こ"_s, QString()}) {
            rig.view.answers = {answer};
            QCOMPARE(rig.talk(99), u"その言葉はもうシットルぞ"_s);
            QCOMPARE(rig.click(), u"うりょうりょ"_s);
        }
        QCOMPARE(rig.folder.record(), QByteArray());  // nothing stored before the end,
        rig.engine.storeRecord();                     // unless the desktop session asks
        QCOMPARE(rig.folder.record(), bytes({1, 0, 0, 0, 0, 0, 3}));
        QCOMPARE(rig.view.quits, 0);
        // Closed while the box is open: the run is stored, the noun is not taken.
        rig.view.answers = {u"いぬ"_s};
        rig.view.onEvents = [&] { rig.engine.quitAndStore(); };
        QVERIFY(!rig.talk(70).contains(u"いぬ"_s));
        QCOMPARE(rig.folder.record(), bytes({1, 0, 0, 0, 0, 0, 4}));
        QCOMPARE(readFile(rig.folder.path(u"1.dat"_s)), file);
    }

    void teachingIsOfferedBelow10000People() {
        for (int people : {9999, 10000}) {
            FIXTURE(Rig, rig, QByteArray(), QStringList(people, u"P"_s));
            rig.activate();
            rig.talk(70, 5);
            QCOMPARE(rig.engine.talk() == Talk(NamedTalk::Teaching), people < 10000);
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
        QTest::newRow("years 255, conversations do not count")
            << bytes({255, 0, 0, 0, 0, 0, 255}) << u"まぁ、特に言うことはないが"_s;
    }
    void rebirthPartingRemark() {
        QFETCH(QByteArray, record);
        QFETCH(QString, remark);
        FIXTURE(Rig, rig, record + "tail");
        rig.activate(1);  // the draw is made but the rebirth wins
        QCOMPARE(rig.view.speech, u"うう！！"_s);
        QVERIFY(rig.noButtons());
        for (const QString& line :
             {u"どうやらそのときがやってきたようだ"_s, u"今まで、お前と暮らせて、悪くなかったぞ"_s,
              remark, u"私はこれから生まれ変わるのだ"_s,
              u"さぁ押してくれ、お前のその手で、私を生まれ変わらせてくれ"_s, u"ふう"_s})
            QCOMPARE(rig.click(), line);
        QCOMPARE(rig.view.alienYears, 0);
        QCOMPARE(rig.click(), u"まぁ、これからもヨロシク"_s);
        rig.click();
        QCOMPARE(rig.folder.record(), QByteArray(7, '\0') + "tail");
        QCOMPARE(rig.view.quits, 1);
    }

    void eventPassesInsideTheBlink() {
        FIXTURE(Rig, rig, bytes({5, 1, 2, 3, 4, 5, 6}));
        rig.activate();
        rig.engine.onMenuClicked(0);
        rig.view.onEvents = [&] { rig.engine.onSpeechClicked(); };
        rig.engine.blinkIndicator();
        QCOMPARE(rig.view.lamp, Lamp::Red);
        QCOMPARE(rig.step(), 3);  // the click ran step 2 inside the blink
        rig.view.onEvents = [&] { rig.engine.quitAndStore(); };  // closed inside a pass
        rig.engine.blinkIndicator();
        QCOMPARE(rig.view.lamp, Lamp::Yellow);
        QCOMPARE(rig.folder.record(), bytes({6, 2, 2, 3, 4, 5, 6}));
        // Stored once; nothing happens after.
        const QString speech = rig.view.speech;
        const int frame = rig.view.frame;
        rig.folder.setRecord({});
        rig.engine.quitAndStore();
        rig.click();
        rig.engine.animationTick();
        rig.engine.onMenuClicked(4);
        QCOMPARE(rig.view.quits, 1);
        QCOMPARE(rig.view.speech, speech);
        QCOMPARE(rig.view.frame, frame);
        QCOMPARE(rig.folder.record(), QByteArray());
    }
};

QTEST_GUILESS_MAIN(TalkTest)
#include "test_talk.moc"
