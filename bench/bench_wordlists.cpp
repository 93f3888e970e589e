// Start-up cost of reading the five word lists when every list is full.
#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>
#include <random>
#include <stdexcept>

#include "program_folder.h"
#include "word_lists.h"

using namespace Qt::StringLiterals;

namespace {

// Entries are glued from these, so lengths and characters resemble the shipped lists
// (kanji, hiragana, katakana, full-width signs) rather than repeating one short string.
const QStringView kStems[] = {
    u"宇宙人", u"占い",   u"運命",     u"お払い",   u"恋愛",     u"学校",     u"会社",   u"電車",
    u"公園",   u"図書館", u"友達",     u"先生",     u"お母さん", u"社長",     u"猫",     u"犬",
    u"魚",     u"カレー", u"ラーメン", u"コーヒー", u"テレビ",   u"パソコン", u"ゲーム", u"野球",
    u"夕焼け", u"満月",   u"神社",     u"お寺",     u"駅前",     u"屋上",     u"秘密",   u"宝くじ",
    u"星座",   u"幸運",   u"不思議",   u"昼寝",     u"散歩",     u"買い物",   u"掃除",   u"料理",
    u"試験",   u"旅行",   u"ミョルカ", u"水槽",     u"頭痛",     u"会話",     u"東京",   u"北海道",
};
const QStringView kJoints[] = {u"の", u"で", u"と", u"を", u"に", u"が", u"へ", u"も", u"・"};
const QStringView kEndings[] = {u"",       u"する",   u"した",   u"じゃ", u"！",
                                u"です",   u"かな？", u"～",     u"たち", u"する人",
                                u"に行く", u"を見る", u"が好き", u"★",    u"さん"};

QString makeEntry(std::mt19937& gen) {
    auto pick = [&gen](auto& table) {
        return table[std::uniform_int_distribution<std::size_t>(0, std::size(table) - 1)(gen)];
    };
    const int targetLength = std::uniform_int_distribution<int>(3, 15)(gen);
    QString entry = pick(kStems).toString();
    while (entry.size() < targetLength) {
        entry += pick(kJoints);
        entry += pick(kStems);
    }
    entry += pick(kEndings);
    if (entry.size() > 15) entry.truncate(15);
    if (entry.size() < 3) entry += u"さま"_s;
    return entry;
}

// Five full lists in a folder of their own, removed when the benchmark ends.
class FullLists {
public:
    FullLists() {
        if (!m_dir.isValid()) throw std::runtime_error("no temporary folder");
        std::mt19937 gen(20240601);
        for (int list = 0; list < WordLists::kLists; ++list) {
            QStringEncoder encode("CP932");
            QByteArray bytes;
            for (int line = 0; line < WordLists::kCapacity; ++line) {
                bytes += encode(makeEntry(gen));
                bytes += "\r\n";
            }
            if (encode.hasError()) throw std::runtime_error("entry outside CP932");
            QFile file(m_dir.filePath(QString::number(list) + u".dat"_s));
            if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
                throw std::runtime_error("cannot write a list");
            m_bytes += bytes.size();
        }
    }
    QString folder() const { return programFolder(m_dir.path()); }
    qint64 bytes() const { return m_bytes; }

private:
    QTemporaryDir m_dir;
    qint64 m_bytes = 0;
};

const FullLists& fullLists() {
    static const auto lists = std::make_unique<FullLists>();
    return *lists;
}

void BM_LoadWordLists(benchmark::State& state) {
    const FullLists& lists = fullLists();
    const QString folder = lists.folder();
    {
        // Check once that the files are what we mean to measure.
        WordLists check;
        check.load(folder);
        for (int list = 0; list < WordLists::kLists; ++list) {
            if (check.count(list) != WordLists::kCapacity) {
                state.SkipWithError("a list did not load with every line");
                return;
            }
        }
    }
    for (auto _ : state) {
        WordLists words;  // fresh each time, as at start-up
        words.load(folder);
        benchmark::DoNotOptimize(words);
    }
    state.SetBytesProcessed(state.iterations() * lists.bytes());
    state.counters["entries"] = WordLists::kLists * WordLists::kCapacity;
}

}  // namespace

BENCHMARK(BM_LoadWordLists)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(10)
    ->ComputeStatistics("min",
                        [](const std::vector<double>& v) {
                            return *std::min_element(v.begin(), v.end());
                        })
    ->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
