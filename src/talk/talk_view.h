// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#pragma once

#include <QString>

#include "talk_state.h"

// What the talk needs from the window. The Qt window implements it; tests use a fake that
// records what happened.
class TalkView {
public:
    virtual ~TalkView() = default;

    virtual void setSpeech(const QString& text) = 0;
    virtual void setStatus(const QString& text) = 0;

    // Shows picture frame 1 ("0.bmp") or 2 ("1.bmp"), read afresh from disk; throws Fault
    // when it cannot be read.
    virtual void showFrame(int frame) = 0;
    // Places the alien at the size the layout gives for `years` starts.
    virtual void placeAlien(int years) = 0;

    virtual void setButtonEnabled(int index, bool enabled) = 0;
    virtual void setButtonVisible(int index, bool visible) = 0;
    virtual void setIndicatorVisible(bool visible) = 0;
    virtual void setIndicatorLamp(Lamp lamp) = 0;

    virtual void setAnimationInterval(int ms) = 0;
    virtual void setAnimationRunning(bool running) = 0;

    // The modal one-line input box; the empty text when cancelled.
    virtual QString askText(const QString& prompt, const QString& title) = 0;
    // One pass over pending events (repaints, queued clicks); handlers may run inside it.
    virtual void processEvents() = 0;
    // Ends the program once the current handler returns; no event is handled after it.
    virtual void quit() = 0;
};
