// The conversation ("会話"): seven small-talk topics and the noun teaching, and the
// headache the alien sometimes opens with. Started through the launcher, a talk's step 1 runs
// inside the button's click, which advances the step twice: the next click runs step 3.
#include "rnd.h"
#include "screen.h"
#include "talk_engine.h"

using namespace Qt::StringLiterals;

namespace {
constexpr int kPlaces = 3;
constexpr int kTeachingChance = 70;  // draws of 70..99 out of 100 teach
constexpr int kTeachingLimit = 10000;
}  // namespace

void TalkEngine::LauncherStep() {
    if (stepNumber() != 1) return;
    Raise(m_record.Talks);
    const int r = m_rnd.below(100);
    if (r >= kTeachingChance && m_words.WordCount(WordLists::kPeople) < kTeachingLimit) {
        StartTalk(NamedTalk::Kaiwa);
    } else {
        StartTalk(m_rnd.below(7) + kFirstTopic);
    }
}

void TalkEngine::KaiwaStep() {
    switch (stepNumber()) {
        case 1:
            say(u"何か私に教えることはないか？"_s);
            m_taughtWord = m_screen.askText(u"名詞を教えて下さい"_s, u"要求じゃ"_s);
            if (m_ended) return;  // the program was closed while the box was open
            say(u"うむ、"_s + m_taughtWord + u"じゃな");
            if (m_words.IsKnownWord(m_taughtWord)) {
                say(u"その言葉はもうシットルぞ"_s);
                m_step = EndStep{};
            }
            break;
        case 3:
            m_words.AddWord(m_taughtWord);
            say(u"うにゅ、覚えたぞ"_s);
            m_step = EndStep{};
            break;
        default: say(u"うりょうりょ"_s); ShowMenu();
    }
}

void TalkEngine::TopicStep(int topic) {
    const int step = stepNumber();
    const QString years = QString::number(m_record.Years);
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
                ShowMenu();
            }
            break;
        case 9:
            if (step == 1) {
                say(u"この間"_s + m_words.MojiRnd(WordLists::kPeople, m_rnd) +
                    u"がお前のことを噂していたぞ");
                break;
            }
            switch (m_rnd.below(3)) {
                case 0: say(u"なかなかいいねって"_s); break;
                case 1: say(u"ちょっとだめよねって"_s); break;
                default: say(u"まぁまぁよねって"_s);
            }
            ShowMenu();
            break;
        default: {
            // The one-line topics say their line and offer the menu at once.
            if (step != 1) break;
            if (topic == 7) say(u"外にでて、"_s + m_words.MojiRnd(kPlaces, m_rnd) + u"に行きたい");
            if (topic == 8) {
                say(u"此処の七色の水はなかなかだぞ\r\n"_s + m_words.MojiRnd(kPlaces, m_rnd) +
                    u"とはいえこうはいくまい");
            }
            if (topic == 10) {
                say(m_words.MojiRnd(WordLists::kPeople, m_rnd) +
                    u"が、私の悪口を言うのだ。\r\nチョッと言って懲らしめてくれないか。");
            }
            if (topic == 11) say(u"五月蠅い奴だ"_s);
            if (topic == 12) {
                say(u"外にでて、"_s + m_words.MojiRnd(WordLists::kPeople, m_rnd) + u"と会いたい");
            }
            ShowMenu();
        }
    }
}

void TalkEngine::HeadacheStep() {
    switch (stepNumber()) {
        case 1:
            Raise(m_record.Headaches);
            say(u"今日は頭痛がして何も考えられない"_s);
            break;
        case 2: say(u"またの機会にシテオクレ"_s); break;
        default: Form_Unload();
    }
}
