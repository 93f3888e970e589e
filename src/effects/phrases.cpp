// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#include "phrases.h"

#include "random.h"
#include "word_lists.h"

using namespace Qt::StringLiterals;

QString randomPhrase(const WordLists& words, Random& random) {
    // Each randomWord is its own draw, so the order of the calls below is the order of draws.
    switch (random.below(3)) {
        case 0: {
            const QString place = words.randomWord(WordLists::kPlaces, random);
            return place + u"で" + words.randomWord(WordLists::kActions, random);
        }
        case 1: {
            const QString person = words.randomWord(WordLists::kPeople, random);
            return person + u"を" + words.randomWord(WordLists::kDoneTo, random);
        }
        default: {
            QString phrase;
            if (random.below(3) > 1) phrase += words.randomWord(WordLists::kPeople, random) + u"と";
            if (random.below(3) > 1) phrase += words.randomWord(WordLists::kPlaces, random) + u"で";
            return phrase + words.randomWord(WordLists::kActions, random);
        }
    }
}

QString fortuneGrade(Random& random) {
    const int n = random.below(100);
    if (n >= 90) return u"大吉じゃ"_s;
    if (n >= 70) return u"中吉じゃ"_s;
    if (n >= 50) return u"小吉じゃ"_s;
    if (n >= 30) return u"吉じゃ"_s;
    if (n >= 10) return u"凶じゃ"_s;
    return u"大凶じゃ"_s;
}
