#include "phrases.h"

#include "rnd.h"
#include "word_lists.h"

using namespace Qt::StringLiterals;

namespace {
enum List { Actions = 0, People = 1, DoneTo = 2, Places = 3 };
}

QString RandomPhrase(const WordLists& words, Rnd& rnd) {
    // Each MojiRnd is its own draw, so the order of the calls below is the order of draws.
    switch (rnd.below(3)) {
        case 0: {
            const QString place = words.MojiRnd(Places, rnd);
            return place + u"で" + words.MojiRnd(Actions, rnd);
        }
        case 1: {
            const QString person = words.MojiRnd(People, rnd);
            return person + u"を" + words.MojiRnd(DoneTo, rnd);
        }
        default: {
            QString phrase;
            if (rnd.below(3) > 1) phrase += words.MojiRnd(People, rnd) + u"と";
            if (rnd.below(3) > 1) phrase += words.MojiRnd(Places, rnd) + u"で";
            return phrase + words.MojiRnd(Actions, rnd);
        }
    }
}

QString FortuneRank(Rnd& rnd) {
    const int n = rnd.below(100);
    if (n >= 90) return u"大吉じゃ"_s;
    if (n >= 70) return u"中吉じゃ"_s;
    if (n >= 50) return u"小吉じゃ"_s;
    if (n >= 30) return u"吉じゃ"_s;
    if (n >= 10) return u"凶じゃ"_s;
    return u"大凶じゃ"_s;
}
