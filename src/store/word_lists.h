// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#pragma once

#include <QString>
#include <array>
#include <vector>

class Random;

// The five word lists beside the program, each named by its number (0.dat .. 4.dat). Files
// are CP932 with CR LF line ends.
class WordLists {
public:
    static constexpr int kActions = 0;
    static constexpr int kPeople = 1;  // the people list, which grows by taught nouns
    static constexpr int kDoneTo = 2;  // things done to someone
    static constexpr int kPlaces = 3;
    static constexpr int kClosings = 4;  // closing lines of the fortune (占い)
    static constexpr int kLists = 5;
    static constexpr int kCapacity = 10001;

    // Reads 0.dat .. 4.dat from `folder` (which ends in a separator). Throws Fault naming
    // the file when one is missing or holds more than kCapacity lines.
    void load(const QString& folder);

    // The longest entry the alien says; the rest of a longer line is left unsaid. It is more
    // than the speech area shows, and keeps an absurd line (megabytes) from freezing the
    // decoding and crashing the painting of the speech.
    static constexpr int kLongestShown = 500;

    // One draw: any entry, the last included, cut at kLongestShown characters; an empty list
    // yields the empty text.
    QString randomWord(int list, Random& random) const;

    // True for the empty text or an exact (code unit) match of a people-list entry, comparing the
    // word as learn would store it: once "😀" is stored as "？", "？" is known too.
    bool knows(const QString& word) const;

    // Appends `word` to the people list and as a new line to 1.dat. JIS forms such as 〜 are
    // written as their CP932 (Windows) forms such as ～; characters CP932 cannot hold, and CR, are
    // written as "？". The entry in memory is what the file will read back.
    void learn(const QString& word);

    int count(int list) const { return static_cast<int>(m_words[list].spans.size()); }
    // Entries are decoded when they are used: start-up only finds where the lines lie.
    QString word(int list, int index) const;

    // The entries of one list file, decoded: CR LF or a lone CR ends a line, a lone LF is part
    // of the entry, and a final line end starts no further entry.
    static std::vector<QString> parseList(const QByteArray& bytes);

    struct Span {
        qsizetype start;
        qsizetype length;
    };

private:
    // The text as it will be stored: one CP932 line, unrepresentable characters as "？".
    static QByteArray encodeLine(const QString& word);

    // A list is its file's bytes and where each entry lies in them: far less memory and
    // start-up work than decoding ten thousand entries nobody may ever draw.
    struct List {
        QByteArray bytes;
        std::vector<Span> spans;
    };

    QString m_folder;
    std::array<List, kLists> m_words;
};
