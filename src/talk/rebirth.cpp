// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

// The farewell after a hundred starts: a parting remark chosen from the counters, the alien
// shrunk to a newborn, and at the ninth step (the eighth click) every counter back to zero.
#include "talk_engine.h"
#include "talk_view.h"

using namespace Qt::StringLiterals;

namespace {

QString partingRemark(const Record& r) {
    constexpr int kOften = 50;  // fortunes must beat it by ten
    if (r.fortunes >= kOften + 10)
        return u"お前が私の占いを\r\n頼っているのを知っていたから、悪くなかった"_s;
    if (r.exorcisms >= kOften)
        return u"お前にはどうやら悪い虫が付きやすいようだ\r\nこれからも、用心するんだな"_s;
    if (r.simpleFortunes >= kOften)
        return u"せっかちなお前のことだ、\r\n何事かと今もイライラしてるんじゃないか？"_s;
    if (r.loveFortunes >= kOften) return u"恋に不安を感じているらしいがその情熱なら大丈夫だ"_s;
    if (r.headaches >= kOften) return u"体の弱い私にめげずに此処までしてくれて\r\nありがとう"_s;
    return u"まぁ、特に言うことはないが"_s;
}

}  // namespace

void TalkEngine::rebirthStep() {
    switch (stepNumber()) {
        case 1: say(u"うう！！"_s); break;
        case 2: say(u"どうやらそのときがやってきたようだ"_s); break;
        case 3: say(u"今まで、お前と暮らせて、悪くなかったぞ"_s); break;
        case 4: say(partingRemark(m_record)); break;
        case 5: say(u"私はこれから生まれ変わるのだ"_s); break;
        case 6: say(u"さぁ押してくれ、お前のその手で、私を生まれ変わらせてくれ"_s); break;
        case 7:
            m_view.placeAlien(0);  // newborn size
            say(u"ふう"_s);
            break;
        case 8: say(u"まぁ、これからもヨロシク"_s); break;
        default: m_record = Record{}; quitAndStore();
    }
}
