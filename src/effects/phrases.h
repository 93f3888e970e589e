// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#pragma once

#include <QString>

class Random;
class WordLists;

// A short random happening: a place, a person and an action joined by particles.
QString randomPhrase(const WordLists& words, Random& random);

// One of six fortune grades, "大吉じゃ" for the best tenth down to "大凶じゃ".
QString fortuneGrade(Random& random);
