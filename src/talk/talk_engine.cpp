// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#include "talk_engine.h"

#include "animation.h"
#include "random.h"
#include "talk_view.h"

using namespace Qt::StringLiterals;

const std::array<QString, 5> TalkEngine::menuCaptions = {u"占い"_s, u"単純"_s, u"恋占い"_s,
                                                         u"お払い"_s, u"会話"_s};

TalkEngine::TalkEngine(TalkView& view, Random& random, QString folder)
    : m_view(view),
      m_random(random),
      m_folder(std::move(folder)),
      m_recordFile(RecordFile::inFolder(m_folder)) {}

QString TalkEngine::statusText(const Record& r) {
    return u"ミョルカ・ばーじょん1.00\r\n年:%1　占い:%2　払い:%3　単占:%4　恋占:%5　頭痛:%6　会話:%7"_s
        .arg(r.years)
        .arg(r.fortunes)
        .arg(r.exorcisms)
        .arg(r.simpleFortunes)
        .arg(r.loveFortunes)
        .arg(r.headaches)
        .arg(r.conversations);
}

std::array<bool, 5> TalkEngine::unlockedButtons(const Record& r) {
    std::array<bool, 5> on{};
    on[kFortune] = true;
    on[kConversation] = true;
    on[kSimpleFortune] = r.headaches >= 10 || r.conversations >= 20;
    on[kExorcism] = r.conversations >= 30 && r.fortunes >= 10;
    on[kLoveFortune] = r.conversations >= 50 && r.fortunes >= 10 && r.simpleFortunes >= 10;
    return on;
}

void TalkEngine::load() {
    m_view.setAnimationRunning(false);
    m_words.load(m_folder);
    m_record = m_recordFile.load();
    raiseCounter(m_record.years);
    showStatus();
    // Unlocking looks at the counters once; what a run raises counts from the next start.
    m_unlocked = unlockedButtons(m_record);
    for (int i = 0; i < 5; ++i) {
        m_view.setButtonEnabled(i, m_unlocked[i]);
        m_view.setButtonVisible(i, false);
    }
}

void TalkEngine::activate() {
    if (m_ended || m_activated) return;
    m_activated = true;
    m_frame = 1;
    m_view.showFrame(m_frame);

    const int r = m_random.below(5);  // drawn whatever follows, so the sequence stays the same
    if (m_record.years >= 100) {
        startTalk(NamedTalk::Rebirth);
    } else if (r >= 1) {
        showMenu();
        say(u"うむ、それがしに何か用かな？"_s);
    } else {
        startTalk(kHeadache);
    }
}

void TalkEngine::quitAndStore() {
    if (m_ended) return;
    m_ended = true;
    m_recordFile.store(m_record);
    m_view.quit();
}

void TalkEngine::storeRecord() {
    if (!m_ended) m_recordFile.store(m_record);
}

void TalkEngine::onSpeechClicked() {
    if (m_ended) return;
    flipPicture();
    if (m_awaitClick) {
        runScript();
        if (m_ended) return;
    }
    // Read afresh: the step may have started an animation, ended the talk or nested a start.
    // A step with nothing to say still counts: steps run on to 100 and wrap to 1, so a talk
    // left awaiting clicks comes round to its lines again.
    if (m_awaitClick && !std::holds_alternative<EndStep>(m_step)) m_step = stepNumber() % 100 + 1;
    showStatus();
}

void TalkEngine::runScript() {
    if (m_talk == Talk(NamedTalk::Rebirth)) return rebirthStep();
    if (m_talk == Talk(NamedTalk::Teaching)) return teachingStep();
    // Any other value, a mode that is no number included, runs the last topic's script.
    const int* number = std::get_if<int>(&m_talk);
    const int mode = number && *number >= 0 && *number <= kLastTopic ? *number : kLastTopic;
    switch (mode) {
        case kFortune: return fortuneStep();
        case kExorcism: return exorcismStep();
        case kSimpleFortune: return simpleFortuneStep();
        case kLoveFortune: return loveFortuneStep();
        case kHeadache: return headacheStep();
        case kConversation: return conversationStep();
        default: return topicStep(mode);
    }
}

void TalkEngine::onMenuClicked(int index) {
    if (m_ended) return;
    for (int i = 0; i < 5; ++i) m_view.setButtonVisible(i, false);
    startTalk(index);
}

void TalkEngine::startTalk(const Talk& talk) {
    m_view.setIndicatorVisible(true);
    m_awaitClick = true;
    m_talk = talk;
    m_step = 1;
    onSpeechClicked();
}

void TalkEngine::startAnimation() {
    m_step = stepNumber() + 1;
    m_tickCount = 0;
    m_view.setAnimationRunning(true);
    m_awaitClick = false;
    m_view.setIndicatorVisible(false);
}

void TalkEngine::showMenu() {
    for (int i = 0; i < 5; ++i)
        if (m_unlocked[i]) m_view.setButtonVisible(i, true);
    m_view.setIndicatorVisible(false);
}

void TalkEngine::blinkIndicator() {
    if (m_ended) return;
    m_lamp = m_lamp == Lamp::Yellow ? Lamp::Red : Lamp::Yellow;
    m_view.setIndicatorLamp(m_lamp);
    // An event pass at every blink and tick: clicks and paints waiting behind a step are taken
    // at once, so a click can run a step inside a blink.
    m_view.processEvents();
}

void TalkEngine::animationTick() {
    if (m_ended) return;
    flipPicture();
    QString text = m_speech;
    bool finished = false;
    if (m_talk == Talk(kFortune)) {
        finished = fortuneTick(m_tickCount, text, m_words, m_random);
    } else if (m_talk == Talk(kLoveFortune)) {
        finished = loveTick(m_tickCount, text, m_words, m_random);
    } else if (m_talk == Talk(kExorcism)) {
        finished = chantTick(m_tickCount, text, m_words, m_random);
    }
    if (text != m_speech) say(text);
    if (finished) {
        m_view.setIndicatorVisible(true);
        m_view.setAnimationRunning(false);
        m_awaitClick = true;
        return;
    }
    m_view.processEvents();
}

void TalkEngine::showStatus() {
    m_view.setStatus(statusText(m_record));
}

void TalkEngine::flipPicture() {
    m_frame = m_frame % 2 + 1;
    m_view.showFrame(m_frame);
}

int TalkEngine::stepNumber() const {
    const int* step = std::get_if<int>(&m_step);
    return step ? *step : 0;
}

void TalkEngine::say(const QString& text) {
    m_speech = text;
    m_view.setSpeech(m_speech);
}
