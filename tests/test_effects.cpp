// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

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

    QString chant(std::initializer_list<std::pair<int, int>> picks, float last = 0) {
        ScriptedRandom random;
        for (auto [k, n] : picks) random.pick(k, n);
        random.push(last);
        std::uint8_t ticks = 0;
        QString text;
        chantTick(ticks, text, m_words, random);
        return text;
    }

private Q_SLOTS:
    void initTestCase() { m_words.load(m_folder.folder); }

    void phraseShapes_data() {
        QTest::addColumn<QList<int>>("picks");  // pairs of (k, n) for below(n) = k
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
        ScriptedRandom random;
        for (int i = 0; i < picks.size(); i += 2) random.pick(picks[i], picks[i + 1]);
        QCOMPARE(randomPhrase(m_words, random), phrase);
        QCOMPARE(random.draws(), draws);
    }

    void emptyEntriesLeaveTheParticles() {
        Folder blank({{QString()}, {QString()}, {QString()}, {QString()}, {QString()}});
        WordLists words;
        words.load(blank.folder);
        ScriptedRandom random;
        random.pick(2, 3), random.pick(2, 3), random.push(0), random.pick(2, 3);
        QCOMPARE(randomPhrase(words, random), u"とで"_s);
    }

    void gradeBoundaries() {
        const QString grades[] = {u"大凶じゃ"_s, u"凶じゃ"_s,   u"吉じゃ"_s,
                                  u"小吉じゃ"_s, u"中吉じゃ"_s, u"大吉じゃ"_s};
        const int lowest[] = {0, 10, 30, 50, 70, 90, 100};
        for (int g = 0; g < 6; ++g)
            for (int n : {lowest[g], lowest[g + 1] - 1}) {
                ScriptedRandom random;
                random.pick(n, 100);
                QCOMPARE(fortuneGrade(random), grades[g]);
            }
    }

    void chantDrawsListsAndCharacters() {
        // The word branch (below(100) < 10) takes list Int(a x b), a in 0..3.
        QCOMPARE(chant({{9, 100}, {0, 4}}, 0.9f), u"A"_s);
        QCOMPARE(chant({{9, 100}, {1, 4}}, 0.99f), u"A"_s);
        QCOMPARE(chant({{9, 100}, {2, 4}}, 0.49f), u"A"_s);
        QCOMPARE(chant({{9, 100}, {2, 4}}, 0.5f), u"P"_s);
        QCOMPARE(chant({{9, 100}, {3, 4}}, 0.4f), u"P"_s);
        QCOMPARE(chant({{9, 100}, {3, 4}}, 0.7f), u"V"_s);
        // Written out on its own, not taken from the program: a slip in either shows here.
        const QString expected =
            u"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれ"
            u"ろわをんゃょゅぁぃぅぇぉう゛★～！？"_s;
        QCOMPARE(expected.size(), 60);
        for (int position = 0; position < 60; ++position)
            QCOMPARE(chant({{10, 100}, {position, 60}}, 0), expected.mid(position, 1));
    }
};

QTEST_GUILESS_MAIN(EffectsTest)
#include "test_effects.moc"
