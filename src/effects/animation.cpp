// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#include "animation.h"

#include <iterator>

#include "phrases.h"
#include "random.h"
#include "word_lists.h"

const QStringView chantCharacters =
    u"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをん"
    u"ゃょゅぁぃぅぇぉう゛★～！？";

namespace {
constexpr QStringView kNewLine = u"\r\n";
}

bool fortuneTick(std::uint8_t& tickCount, QString& text, const WordLists& words, Random& random) {
    static constexpr QStringView kTimes[] = {u"朝", u"昼", u"夕方", u"夜"};
    if (tickCount >= std::size(kTimes)) return true;
    text = text + kNewLine + kTimes[tickCount] + u"に、" + randomPhrase(words, random);
    ++tickCount;
    return false;
}

bool loveTick(std::uint8_t& tickCount, QString& text, const WordLists& words, Random& random) {
    switch (tickCount) {
        case 0:
            text = text + kNewLine + u"ライバルは" + words.randomWord(WordLists::kPeople, random) +
                   u"で";
            break;
        case 1:
            text = text + kNewLine + u"恋にいい場所は" +
                   words.randomWord(WordLists::kPlaces, random) + u"じゃな";
            break;
        default: return true;
    }
    ++tickCount;
    return false;
}

bool chantTick(std::uint8_t& tickCount, QString& text, const WordLists& words, Random& random) {
    ++tickCount;
    if (tickCount > 100) {
        text = text + kNewLine + u"かーーーーーーーーっ！！";
        return true;
    }
    if (random.below(100) < 10) {
        // List a x b cut down, a in 0..3: actions most often, people and things done to someone now
        // and then.
        const int a = random.below(4);
        const float b = random.next();
        text = text + words.randomWord(static_cast<int>(a * static_cast<double>(b)), random);
    } else {
        text = text + chantCharacters[random.below(int(chantCharacters.size()))];
    }
    return false;
}
