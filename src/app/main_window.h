// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#pragma once

#include <QCoreApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "layout.h"
#include "picture_file.h"
#include "talk_engine.h"
#include "talk_view.h"

class QLabel;
class QPushButton;
class QTimer;
class Random;
class Indicator;
class MenuButton;
class Tank;

// The one window, "ミョルカ": it builds the controls, lays them out from the screen height and
// forwards every event to the talk engine, which owns all the rules.
class MainWindow : public QWidget, public TalkView {
    Q_OBJECT

public:
    MainWindow(Random& random, const QString& folder, QWidget* parent = nullptr);

    // Lists, record and layout; throws Fault before the window is shown.
    void load();
    // Stores the record and ends, as closing the window does (signals, session end).
    void quitAndStore();
    // Stores the counters so far and goes on, as the desktop session asks before it may end.
    void storeRecord();
    // The process is ending without the event loop (the display went away): stores the record
    // as quitAndStore() does, once, and never after a fault. A fault is only printed.
    void storeAtExit();

    // How the run ends (the code is non-zero after a fault); tests record it instead.
    void setExit(std::function<void(int)> exit) { m_exit = std::move(exit); }

    TalkEngine& engine() { return m_engine; }
    static QString helpText();

    // TalkView
    void setSpeech(const QString& text) override;
    void setStatus(const QString& text) override;
    void showFrame(int frame) override;
    void placeAlien(int years) override;
    void setButtonEnabled(int index, bool enabled) override;
    void setButtonVisible(int index, bool visible) override;
    void setIndicatorVisible(bool visible) override;
    void setIndicatorLamp(Lamp lamp) override;
    void setAnimationInterval(int ms) override;
    void setAnimationRunning(bool running) override;
    QString askText(const QString& prompt, const QString& title) override;
    void processEvents() override;
    void quit() override;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Runs a handler; a fault stops everything, is shown, and ends the run unsaved.
    template <typename Handler>
    void guard(Handler&& handler);
    void applyLayout(QSize decoration);
    void onAlienClicked();
    QPushButton* firstShownButton() const;  // in the menu row, whether or not it is on screen
    void fitMenuRow();
    void showSpeech();
    void fitSpeech();
    void passHeldRelease();
    // Tells a screen reader what changed once the handler is done: the completed line, and
    // where the keys now act (the speech area, or the menu when it is back).
    void announceSoon();
    void announce();

    TalkEngine m_engine;
    std::function<void(int)> m_exit = [](int code) { QCoreApplication::exit(code); };
    QSize m_decoration{-1, -1};  // what the window manager's frame adds around the client
    bool m_shown = false;
    bool m_faulted = false;
    bool m_announcePending = false;
    bool m_menuAnnounced = false;
    bool m_keyboardUsed = false;
    QString m_speech = QStringLiteral("Lbl");  // the placeholder until the first words
    QString m_heard;                           // the speech as a screen reader last heard it

    bool m_speechPressed = false;
    int m_speechPixels = 16;  // the speech's size from the layout; smaller for a long text
    // X repeats a held key as a release and a press of the same moment. Qt marks the pair as a
    // repeat only if the press is already queued with the release, which a busy moment (an
    // animation) defeats. So the release of a key that moves the talk on is held a moment: with
    // its press, neither happened. Else a held key would step on, or click a button and run on
    // into the box the click opens.
    std::unique_ptr<QKeyEvent> m_heldRelease;
    QTimer m_releaseTimer;
    bool m_passingRelease = false;
    std::array<PictureFile, 2> m_pictures;  // the two frames as last read from disk

    Tank* m_tank;
    QLabel* m_speechLabel;
    Indicator* m_indicator;
    QWidget* m_notice;  // empty; shown again to have a completed line heard
    QWidget* m_menu;    // holds the buttons, so a screen reader hears when the menu is back
    std::array<MenuButton*, 5> m_buttons{};
    QTimer* m_blinkTimer;
    QTimer* m_animationTimer;
};
