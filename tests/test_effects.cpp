#include <QTest>

#include "animation.h"
#include "phrases.h"
#include "support.h"
#include "word_lists.h"

using namespace Qt::StringLiterals;

// Lists whose entries name their list, so every shape can be read off the phrase.
class EffectsTest : public QObject {
    Q_OBJECT

    Folder m_folder{{{u"A"_s}, {u"P"_s}, {u"V"_s}, {u"L"_s}, {u"Z"_s}}};
    WordLists m_words;

private Q_SLOTS:
    void initTestCase() { m_words.LoadWordLists(m_folder.appDir); }

    void phraseShapes_data() {
        QTest::addColumn<QList<int>>("picks");  // pairs of (k, n) for Int(Rnd x n)
        QTest::addColumn<QString>("phrase");
        QTest::addColumn<int>("draws");
        QTest::newRow("place de action") << QList<int>{0, 3} << u"LでA"_s << 3;
        QTest::newRow("person wo done-to") << QList<int>{1, 3} << u"PをV"_s << 3;
        QTest::newRow("all three") << QList<int>{2, 3, 2, 3, 0, 1, 2, 3} << u"PとLでA"_s << 6;
        QTest::newRow("person to action") << QList<int>{2, 3, 2, 3, 0, 1, 1, 3} << u"PとA"_s << 5;
        QTest::newRow("place only") << QList<int>{2, 3, 0, 3, 2, 3} << u"LでA"_s << 5;
        QTest::newRow("action alone") << QList<int>{2, 3, 1, 3, 1, 3} << u"A"_s << 4;
    }
    void phraseShapes() {
        QFETCH(QList<int>, picks);
        QFETCH(QString, phrase);
        QFETCH(int, draws);
        ScriptedRnd rnd;
        for (int i = 0; i < picks.size(); i += 2) rnd.pick(picks[i], picks[i + 1]);
        QCOMPARE(RandomPhrase(m_words, rnd), phrase);
        QCOMPARE(rnd.draws(), draws);
    }

    void emptyEntriesLeaveTheParticles() {
        Folder blank({{QString()}, {QString()}, {QString()}, {QString()}, {QString()}});
        WordLists words;
        words.LoadWordLists(blank.appDir);
        ScriptedRnd rnd;
        rnd.pick(2, 3), rnd.pick(2, 3), rnd.push(0), rnd.pick(2, 3);
        QCOMPARE(RandomPhrase(words, rnd), u"とで"_s);
    }

    void gradeBoundaries() {
        const std::pair<int, QString> cases[] = {
            {99, u"大吉じゃ"_s}, {90, u"大吉じゃ"_s}, {89, u"中吉じゃ"_s}, {70, u"中吉じゃ"_s},
            {69, u"小吉じゃ"_s}, {50, u"小吉じゃ"_s}, {49, u"吉じゃ"_s},   {30, u"吉じゃ"_s},
            {29, u"凶じゃ"_s},   {10, u"凶じゃ"_s},   {9, u"大凶じゃ"_s},  {0, u"大凶じゃ"_s}};
        for (const auto& [n, grade] : cases) {
            ScriptedRnd rnd;
            rnd.pick(n, 100);
            QCOMPARE(FortuneRank(rnd), grade);
        }
    }

    void fortuneAddsFourTimesOfDay() {
        ScriptedRnd rnd;  // all zero: every phrase is "LでA"
        std::uint8_t ticks = 0;
        QString text = u"そなたは今日、"_s;
        int finishedAt = 0;
        for (int tick = 1; tick <= 5 && !finishedAt; ++tick)
            if (FortuneTick(ticks, text, m_words, rnd)) finishedAt = tick;
        QCOMPARE(finishedAt, 5);
        QCOMPARE(int(ticks), 4);
        QCOMPARE(text,
                 u"そなたは今日、\r\n朝に、LでA\r\n昼に、LでA\r\n夕方に、LでA\r\n夜に、LでA"_s);
    }

    void loveAddsRivalThenPlace() {
        ScriptedRnd rnd;
        std::uint8_t ticks = 0;
        QString text = u"x\r\n"_s;
        QVERIFY(!LoveTick(ticks, text, m_words, rnd));
        QVERIFY(!LoveTick(ticks, text, m_words, rnd));
        QVERIFY(LoveTick(ticks, text, m_words, rnd));
        QCOMPARE(text, u"x\r\n\r\nライバルはPで\r\n恋にいい場所はLじゃな"_s);
    }

    void chantIsOneLineOfHundredItemsThenTheShout() {
        ClockRnd rnd(3);
        std::uint8_t ticks = 0;
        QString text = u"お払いをして進ぜよう\r\n"_s;
        int tick = 0;
        while (!ChantTick(ticks, text, m_words, rnd)) ++tick;
        QCOMPARE(tick, 100);
        QCOMPARE(int(ticks), 101);
        const QStringList lines = text.split(u"\r\n"_s);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[2], u"かーーーーーーーーっ！！"_s);
        // Words come only from lists 0..2, characters only from the table.
        for (QChar c : lines[1]) QVERIFY(ChantChars.contains(c) || u"APV"_s.contains(c));
    }

    void chantDrawsListsAndCharactersAsWeighed() {
        // The word branch: Int(a x b) with a in 0..3.
        const std::tuple<int, float, QString> words[] = {{0, 0.9f, u"A"_s}, {1, 0.99f, u"A"_s},
                                                         {2, 0.5f, u"P"_s}, {3, 0.4f, u"P"_s},
                                                         {3, 0.7f, u"V"_s}, {2, 0.49f, u"A"_s}};
        for (const auto& [a, b, entry] : words) {
            ScriptedRnd rnd;
            rnd.pick(5, 100), rnd.pick(a, 4), rnd.push(b);
            std::uint8_t ticks = 0;
            QString text;
            ChantTick(ticks, text, m_words, rnd);
            QCOMPARE(text, entry);
        }
        // The character branch: first, second "う", the lone mark, and the last.
        const std::pair<int, QChar> chars[] = {{0, u'あ'}, {54, u'う'}, {55, u'゛'}, {59, u'？'}};
        for (const auto& [position, c] : chars) {
            ScriptedRnd rnd;
            rnd.pick(10, 100), rnd.pick(position, 60);
            std::uint8_t ticks = 0;
            QString text;
            ChantTick(ticks, text, m_words, rnd);
            QCOMPARE(text, QString(c));
        }
        QCOMPARE(ChantChars.size(), 60);
        QCOMPARE(ChantChars.count(u'う'), 2);
    }
};

QTEST_GUILESS_MAIN(EffectsTest)
#include "test_effects.moc"
