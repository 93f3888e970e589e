#pragma once

#include <QString>

class Rnd;
class WordLists;

// A short random happening: a place, a person and an action joined by particles.
QString RandomPhrase(const WordLists& words, Rnd& rnd);

// One of six fortune grades, "大吉じゃ" for the best tenth down to "大凶じゃ".
QString FortuneRank(Rnd& rnd);
