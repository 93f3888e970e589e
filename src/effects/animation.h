// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#pragma once

#include <QString>
#include <cstdint>

class Random;
class WordLists;

// The text of the three animations, one tick at a time. Each function rebuilds `text` (the
// speech as it stands) and returns true on the tick that finishes its animation.

// Four lines, one per time of day, each ending in a random phrase; the fifth tick finishes.
bool fortuneTick(std::uint8_t& tickCount, QString& text, const WordLists& words, Random& random);

// A rival line, then a place line; the third tick finishes.
bool loveTick(std::uint8_t& tickCount, QString& text, const WordLists& words, Random& random);

// A chant of 100 random kana and words on one line, then the closing shout on the 101st.
bool chantTick(std::uint8_t& tickCount, QString& text, const WordLists& words, Random& random);

// The chant's 60 characters; "う" appears twice, "゛" stands alone.
extern const QStringView chantCharacters;
