// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

// The four readings of the menu: the fortune, the simple and the love fortune, and the
// exorcism. Each raises its counter in step 1, ends with the farewell, and the click after the
// farewell stores the record and ends the program.
#include "phrases.h"
#include "random.h"
#include "talk_engine.h"
#include "talk_view.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int kSlowTicksMs = 300;  // one line every 0.3 s (the day's hours, the love lines)
constexpr int kChantTicksMs = 1;   // the chant runs as fast as the timer goes

QString fateIndex(QStringView lead, Random& random) {
    return lead + QString::number(random.below(100)) + u"％じゃ";
}

// The fortune's and the simple fortune's first words.
QString todaysIndex(Random& random) {
    return fateIndex(u"今日の運命指数は", random) + u"\r\n\r\nそなたは今日、";
}

const QString kFarewell = u"それではこれにて"_s;

}  // namespace

void TalkEngine::fortuneStep() {
    switch (stepNumber()) {
        case 1:
            raiseCounter(m_record.fortunes);
            say(u"占って進ぜよう、・・・っっっっっっｍ！"_s);
            break;
        case 2:
            say(todaysIndex(m_random));
            m_view.setAnimationInterval(kSlowTicksMs);
            startAnimation();
            break;
        case 3: append(u"\r\n"_s + m_words.randomWord(WordLists::kClosings, m_random)); break;
        case 4: say(kFarewell); break;
        default: quitAndStore();
    }
}

void TalkEngine::exorcismStep() {
    switch (stepNumber()) {
        case 1:
            raiseCounter(m_record.exorcisms);
            say(u"お払いをして進ぜよう\r\n"_s);
            break;
        case 2:
            m_view.setAnimationInterval(kChantTicksMs);
            startAnimation();
            break;
        case 3: say(u"これでＯＫじゃ"_s); break;
        case 4: say(kFarewell); break;
        default: quitAndStore();
    }
}

void TalkEngine::simpleFortuneStep() {
    switch (stepNumber()) {
        case 1:
            raiseCounter(m_record.simpleFortunes);
            say(u"占って進ぜよう・・・、うむむむむ"_s);
            break;
        case 2: {
            const QString index = todaysIndex(m_random);  // drawn before the grade
            say(index + fortuneGrade(m_random));
            break;
        }
        case 3: say(kFarewell); break;
        default: quitAndStore();
    }
}

void TalkEngine::loveFortuneStep() {
    switch (stepNumber()) {
        case 1:
            raiseCounter(m_record.loveFortunes);
            say(u"たはーーーーーーーー"_s);
            break;
        case 2:
            say(fateIndex(u"そうじゃな、その恋の運命指数は", m_random) + u"\r\n");
            m_view.setAnimationInterval(kSlowTicksMs);
            startAnimation();
            break;
        case 3:
            append(u"\r\nまぁ、恋は自分次第で\r\nどうにもナルモンじゃし、あまり思い詰めるなよ、"_s);
            break;
        case 4: say(kFarewell); break;
        default: quitAndStore();
    }
}
