// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#pragma once

#include <QString>
#include <array>

#include "record.h"
#include "talk_state.h"
#include "word_lists.h"

class Random;
class TalkView;

// The alien's whole talk, without a display. The window forwards its events here:
//   load              once, before the window is shown: lists, record, unlock rules;
//   activate          when the window first shows: the first picture, then the greeting,
//                     the headache or the rebirth;
//   onMenuClicked(i)  a menu button starts talk mode i;
//   onSpeechClicked   a click on the speech runs one script step while a click is awaited;
//   animationTick     an animation tick; blinkIndicator, the indicator's blink;
//   quitAndStore      stores the record once and ends; afterwards every handler does nothing;
//   storeRecord       stores the counters as they stand, and the run goes on.
class TalkEngine {
public:
    TalkEngine(TalkView& view, Random& random, QString folder);

    static const std::array<QString, 5> menuCaptions;

    void load();
    void activate();
    void quitAndStore();
    void storeRecord();
    void onSpeechClicked();
    void onMenuClicked(int index);
    void blinkIndicator();
    void animationTick();

    // A fault ends the program without saving: every handler stops working at once.
    void abandon() { m_ended = true; }

    static QString statusText(const Record& record);
    static std::array<bool, 5> unlockedButtons(const Record& record);

    bool activated() const { return m_activated; }
    bool ended() const { return m_ended; }
    const QString& folder() const { return m_folder; }
    const Record& record() const { return m_record; }
    const QString& speech() const { return m_speech; }
    const Talk& talk() const { return m_talk; }
    const Step& step() const { return m_step; }
    bool awaitClick() const { return m_awaitClick; }
    int imageFrame() const { return m_frame; }
    int tickCount() const { return m_tickCount; }
    const WordLists& words() const { return m_words; }

private:
    void startTalk(const Talk& talk);
    void startAnimation();
    void showMenu();
    void showStatus();
    void flipPicture();
    void runScript();

    // Scripts, one step per call, chosen by m_step.
    void fortuneStep();
    void simpleFortuneStep();
    void loveFortuneStep();
    void exorcismStep();
    void rebirthStep();
    void conversationStep();
    void teachingStep();
    void topicStep(int topic);
    void headacheStep();

    int stepNumber() const;  // 0 for "end": no script has a step 0
    void say(const QString& text);
    void append(const QString& text) { say(m_speech + text); }

    TalkView& m_view;
    Random& m_random;
    const QString m_folder;
    const RecordFile m_recordFile;
    WordLists m_words;
    Record m_record;
    std::array<bool, 5> m_unlocked{};

    Talk m_talk;
    Step m_step;
    bool m_awaitClick = false;
    std::uint8_t m_tickCount = 0;
    int m_frame = 0;
    QString m_speech;
    QString m_taughtWord;
    Lamp m_lamp = Lamp::Yellow;
    bool m_activated = false;
    bool m_ended = false;
};
