#include "talk_engine.h"

#include "animation.h"
#include "rnd.h"
#include "screen.h"

using namespace Qt::StringLiterals;

const std::array<QString, 5> TalkEngine::MenuCaptions = {u"占い"_s, u"単純"_s, u"恋占い"_s,
                                                         u"お払い"_s, u"会話"_s};

TalkEngine::TalkEngine(Screen& screen, Rnd& rnd, QString appDir)
    : m_screen(screen),
      m_rnd(rnd),
      m_appDir(std::move(appDir)),
      m_recordFile(m_appDir + u"str.dat"_s) {}

QString TalkEngine::StatusText(const SaveRecord& r) {
    return u"ミョルカ・ばーじょん1.00\r\n年:%1　占い:%2　払い:%3　単占:%4　恋占:%5　頭痛:%6　会話:%7"_s
        .arg(r.Years)
        .arg(r.Fortunes)
        .arg(r.Exorcisms)
        .arg(r.SimpleFortunes)
        .arg(r.LoveFortunes)
        .arg(r.Headaches)
        .arg(r.Talks);
}

std::array<bool, 5> TalkEngine::Unlocked(const SaveRecord& r) {
    std::array<bool, 5> on{};
    on[kFortune] = true;
    on[kLauncher] = true;
    on[kSimpleFortune] = r.Headaches >= 10 || r.Talks >= 20;
    on[kExorcism] = r.Talks >= 30 && r.Fortunes >= 10;
    on[kLoveFortune] = r.Talks >= 50 && r.Fortunes >= 10 && r.SimpleFortunes >= 10;
    return on;
}

void TalkEngine::Form_Load() {
    m_screen.setAnimationRunning(false);
    m_words.LoadWordLists(m_appDir);
    m_record = m_recordFile.LoadRecord();
    Raise(m_record.Years);
    ShowStatus();
    // Unlocking looks at the counters once; what a run raises counts from the next start.
    m_unlocked = Unlocked(m_record);
    for (int i = 0; i < 5; ++i) {
        m_screen.setButtonEnabled(i, m_unlocked[i]);
        setButtonVisible(i, false);
    }
}

void TalkEngine::Form_Activate() {
    if (m_ended || m_activated) return;
    m_activated = true;
    m_frame = 1;
    m_screen.showFrame(m_frame);

    const int r = m_rnd.below(5);  // drawn whatever follows, so the sequence stays the same
    if (m_record.Years >= 100) {
        StartTalk(NamedTalk::Hensin);
    } else if (r >= 1) {
        ShowMenu();
        say(u"うむ、それがしに何か用かな？"_s);
    } else {
        StartTalk(kHeadache);
    }
}

void TalkEngine::Form_Unload() {
    if (m_ended) return;
    m_ended = true;
    m_recordFile.StoreRecord(m_record);
    m_screen.quit();
}

void TalkEngine::Lbl_Click() {
    if (m_ended) return;
    ToggleImage();
    if (m_awaitClick) {
        RunScript();
        if (m_ended) return;
    }
    // Read afresh: the step may have started an animation, ended the talk or nested a start.
    if (m_awaitClick && !std::holds_alternative<EndStep>(m_step)) m_step = stepNumber() % 100 + 1;
    ShowStatus();
}

void TalkEngine::RunScript() {
    if (m_mode == TalkMode(NamedTalk::Hensin)) return RebirthStep();
    if (m_mode == TalkMode(NamedTalk::Kaiwa)) return KaiwaStep();
    // Any other value, a mode that is no number included, runs the last topic's script.
    const int* number = std::get_if<int>(&m_mode);
    const int mode = number && *number >= 0 && *number <= kLastTopic ? *number : kLastTopic;
    switch (mode) {
        case kFortune: return FortuneStep();
        case kExorcism: return ExorcismStep();
        case kSimpleFortune: return SimpleFortuneStep();
        case kLoveFortune: return LoveFortuneStep();
        case kHeadache: return HeadacheStep();
        case kLauncher: return LauncherStep();
        default: return TopicStep(mode);
    }
}

void TalkEngine::Com_Click(int index) {
    if (m_ended) return;
    for (int i = 0; i < 5; ++i) setButtonVisible(i, false);
    StartTalk(index);
}

void TalkEngine::StartTalk(const TalkMode& mode) {
    setIndicatorVisible(true);
    m_awaitClick = true;
    m_mode = mode;
    m_step = 1;
    Lbl_Click();
}

void TalkEngine::TimTrue() {
    m_step = stepNumber() + 1;
    m_tickCount = 0;
    m_screen.setAnimationRunning(true);
    m_awaitClick = false;
    setIndicatorVisible(false);
}

void TalkEngine::ShowMenu() {
    for (int i = 0; i < 5; ++i)
        if (m_unlocked[i]) setButtonVisible(i, true);
    setIndicatorVisible(false);
}

void TalkEngine::TimCK_Timer() {
    if (m_ended) return;
    m_lamp = m_lamp == Lamp::Yellow ? Lamp::Red : Lamp::Yellow;
    m_screen.setIndicatorLamp(m_lamp);
    m_screen.processEvents();
}

void TalkEngine::Timer_Timer() {
    if (m_ended) return;
    ToggleImage();
    QString text = m_speech;
    bool finished = false;
    if (m_mode == TalkMode(kFortune)) {
        finished = FortuneTick(m_tickCount, text, m_words, m_rnd);
    } else if (m_mode == TalkMode(kLoveFortune)) {
        finished = LoveTick(m_tickCount, text, m_words, m_rnd);
    } else if (m_mode == TalkMode(kExorcism)) {
        finished = ChantTick(m_tickCount, text, m_words, m_rnd);
    }
    if (text != m_speech) say(text);
    if (finished) {
        setIndicatorVisible(true);
        m_screen.setAnimationRunning(false);
        m_awaitClick = true;
        return;
    }
    m_screen.processEvents();
}

void TalkEngine::ShowStatus() {
    m_screen.setStatus(StatusText(m_record));
}

void TalkEngine::ToggleImage() {
    m_frame = m_frame % 2 + 1;
    m_screen.showFrame(m_frame);
}

int TalkEngine::stepNumber() const {
    const int* step = std::get_if<int>(&m_step);
    return step ? *step : 0;
}

void TalkEngine::say(const QString& text) {
    m_speech = text;
    m_screen.setSpeech(m_speech);
}

void TalkEngine::setIndicatorVisible(bool visible) {
    m_indicatorVisible = visible;
    m_screen.setIndicatorVisible(visible);
}

void TalkEngine::setButtonVisible(int index, bool visible) {
    m_buttonVisible[index] = visible;
    m_screen.setButtonVisible(index, visible);
}
