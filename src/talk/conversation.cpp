// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

// The conversation ("会話"): seven small-talk topics and the noun teaching, and the
// headache the alien sometimes opens with. A topic or the teaching is started from inside
// conversationStep, so its step 1 runs within the button's click, which then advances the
// step once more: the next click runs step 3.
#include "random.h"
#include "talk_engine.h"
#include "talk_view.h"

using namespace Qt::StringLiterals;

namespace {
constexpr int kTeachingChance = 70;  // draws of 70..99 out of 100 teach
constexpr int kTeachingLimit = 10000;
}  // namespace

void TalkEngine::conversationStep() {
    if (stepNumber() != 1) return;
    raiseCounter(m_record.conversations);
    const int r = m_random.below(100);
    if (r >= kTeachingChance && m_words.count(WordLists::kPeople) < kTeachingLimit) {
        startTalk(NamedTalk::Teaching);
    } else {
        startTalk(m_random.below(7) + kFirstTopic);
    }
}

void TalkEngine::teachingStep() {
    switch (stepNumber()) {
        case 1:
            say(u"何か私に教えることはないか？"_s);
            m_taughtWord = m_view.askText(u"名詞を教えて下さい"_s, u"要求じゃ"_s);
            if (m_ended) return;  // the program was closed while the box was open
            say(u"うむ、"_s + m_taughtWord + u"じゃな");
            if (m_words.knows(m_taughtWord)) {
                say(u"その言葉はもうシットルぞ"_s);
                m_step = EndStep{};
            }
            break;
        case 3:
            m_words.learn(m_taughtWord);
            say(u"うにゅ、覚えたぞ"_s);
            m_step = EndStep{};
            break;
        default: say(u"うりょうりょ"_s); showMenu();
    }
}

void TalkEngine::topicStep(int topic) {
    const int step = stepNumber();
    const QString years = QString::number(m_record.years);
    switch (topic) {
        case 6:
            if (step == 1) say(u"お前と会ったのは\r\n"_s + years + u"数年前のことだったな");
            if (step == 2) say(u"早い物だ、もうそんなに経つのか"_s);
            if (step == 3) {
                say(u"それはちょうど\r\n私が此処に閉じこめられてから\r\n"_s + years +
                    u"年という事になる");
            }
            if (step == 4) {
                say(u"どうだ？\r\nソロソロ此処から出してはくれないか？"_s);
                showMenu();
            }
            break;
        case 9:
            if (step == 1) {
                say(u"この間"_s + m_words.randomWord(WordLists::kPeople, m_random) +
                    u"がお前のことを噂していたぞ");
                break;
            }
            switch (m_random.below(3)) {
                case 0: say(u"なかなかいいねって"_s); break;
                case 1: say(u"ちょっとだめよねって"_s); break;
                default: say(u"まぁまぁよねって"_s);
            }
            showMenu();
            break;
        default: {
            // The one-line topics say their line and offer the menu at once.
            if (step != 1) break;
            if (topic == 7)
                say(u"外にでて、"_s + m_words.randomWord(WordLists::kPlaces, m_random) +
                    u"に行きたい");
            if (topic == 8) {
                say(u"此処の七色の水はなかなかだぞ\r\n"_s +
                    m_words.randomWord(WordLists::kPlaces, m_random) + u"とはいえこうはいくまい");
            }
            if (topic == 10) {
                say(m_words.randomWord(WordLists::kPeople, m_random) +
                    u"が、私の悪口を言うのだ。\r\nチョッと言って懲らしめてくれないか。");
            }
            if (topic == 11) say(u"五月蠅い奴だ"_s);
            if (topic == 12) {
                say(u"外にでて、"_s + m_words.randomWord(WordLists::kPeople, m_random) +
                    u"と会いたい");
            }
            showMenu();
        }
    }
}

void TalkEngine::headacheStep() {
    switch (stepNumber()) {
        case 1:
            raiseCounter(m_record.headaches);
            say(u"今日は頭痛がして何も考えられない"_s);
            break;
        case 2: say(u"またの機会にシテオクレ"_s); break;
        default: quitAndStore();
    }
}
