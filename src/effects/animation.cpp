#include "animation.h"

#include <iterator>

#include "phrases.h"
#include "rnd.h"
#include "word_lists.h"

const QStringView ChantChars =
    u"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをん"
    u"ゃょゅぁぃぅぇぉう゛★～！？";

namespace {
constexpr QStringView kNewLine = u"\r\n";
}

bool FortuneTick(std::uint8_t& tickCount, QString& text, const WordLists& words, Rnd& rnd) {
    static constexpr QStringView kTimes[] = {u"朝", u"昼", u"夕方", u"夜"};
    if (tickCount >= std::size(kTimes)) return true;
    text = text + kNewLine + kTimes[tickCount] + u"に、" + RandomPhrase(words, rnd);
    ++tickCount;
    return false;
}

bool LoveTick(std::uint8_t& tickCount, QString& text, const WordLists& words, Rnd& rnd) {
    switch (tickCount) {
        case 0: text = text + kNewLine + u"ライバルは" + words.MojiRnd(1, rnd) + u"で"; break;
        case 1:
            text = text + kNewLine + u"恋にいい場所は" + words.MojiRnd(3, rnd) + u"じゃな";
            break;
        default: return true;
    }
    ++tickCount;
    return false;
}

bool ChantTick(std::uint8_t& tickCount, QString& text, const WordLists& words, Rnd& rnd) {
    ++tickCount;
    if (tickCount > 100) {
        text = text + kNewLine + u"かーーーーーーーーっ！！";
        return true;
    }
    if (rnd.below(100) < 10) {
        // Int(a x b) with a in 0..3: list 0 most often, list 1 and 2 now and then.
        const int a = rnd.below(4);
        const float b = rnd.next();
        text = text + words.MojiRnd(static_cast<int>(a * static_cast<double>(b)), rnd);
    } else {
        const float r = rnd.next();
        const int position = static_cast<int>(static_cast<double>(r) * 60 + 1);
        text = text + ChantChars[position - 1];
    }
    return false;
}
