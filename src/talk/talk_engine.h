#pragma once

#include <QString>
#include <array>

#include "save_record.h"
#include "talk_state.h"
#include "word_lists.h"

class Rnd;
class Screen;

// The alien's whole talk, without a display. The window forwards its events here:
//   Form_Load        once, before the window is shown: lists, record, unlock rules;
//   Form_Activate    on first activation: the first picture, then greeting, headache or rebirth;
//   Com_Click(i)     a menu button starts talk mode i;
//   Lbl_Click        a click on the speech runs one script step while a click is awaited;
//   Timer_Timer      an animation tick; TimCK_Timer the indicator's blink;
//   Form_Unload      stores the record once and ends; afterwards every handler does nothing.
class TalkEngine {
public:
    TalkEngine(Screen& screen, Rnd& rnd, QString appDir);

    static const std::array<QString, 5> MenuCaptions;

    void Form_Load();
    void Form_Activate();
    void Form_Unload();
    void Lbl_Click();
    void Com_Click(int index);
    void TimCK_Timer();
    void Timer_Timer();

    // A fault ends the program without saving: every handler stops working at once.
    void abandon() { m_ended = true; }

    static QString StatusText(const SaveRecord& record);
    static std::array<bool, 5> Unlocked(const SaveRecord& record);

    bool ended() const { return m_ended; }
    const QString& appDir() const { return m_appDir; }
    const SaveRecord& record() const { return m_record; }
    const QString& speech() const { return m_speech; }
    const TalkMode& talkMode() const { return m_mode; }
    const TalkStep& talkStep() const { return m_step; }
    bool awaitClick() const { return m_awaitClick; }
    bool indicatorVisible() const { return m_indicatorVisible; }
    bool buttonVisible(int index) const { return m_buttonVisible[index]; }
    bool buttonEnabled(int index) const { return m_unlocked[index]; }
    int imageFrame() const { return m_frame; }
    int tickCount() const { return m_tickCount; }
    const WordLists& words() const { return m_words; }

private:
    void StartTalk(const TalkMode& mode);
    void TimTrue();
    void ShowMenu();
    void ShowStatus();
    void ToggleImage();
    void RunScript();

    // Scripts, one step per call, chosen by m_step.
    void FortuneStep();
    void SimpleFortuneStep();
    void LoveFortuneStep();
    void ExorcismStep();
    void RebirthStep();
    void LauncherStep();
    void KaiwaStep();
    void TopicStep(int topic);
    void HeadacheStep();

    int stepNumber() const;  // 0 for "end": no script has a step 0
    void say(const QString& text);
    void append(const QString& text) { say(m_speech + text); }
    void setIndicatorVisible(bool visible);
    void setButtonVisible(int index, bool visible);

    Screen& m_screen;
    Rnd& m_rnd;
    const QString m_appDir;
    const RecordFile m_recordFile;
    WordLists m_words;
    SaveRecord m_record;
    std::array<bool, 5> m_unlocked{};
    std::array<bool, 5> m_buttonVisible{};

    TalkMode m_mode;
    TalkStep m_step;
    bool m_awaitClick = false;
    std::uint8_t m_tickCount = 0;
    int m_frame = 0;
    QString m_speech;
    QString m_taughtWord;
    Lamp m_lamp = Lamp::Yellow;
    bool m_indicatorVisible = true;
    bool m_activated = false;
    bool m_ended = false;
};
