// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#pragma once

#include <QString>
#include <array>
#include <vector>

class Random;

// The five word lists beside the program: 0 actions, 1 people, 2 actions done to someone,
// 3 places, 4 closing lines of a fortune. Files are CP932 with CR LF line ends.
class WordLists {
public:
    static constexpr int kLists = 5;
    static constexpr int kCapacity = 10001;
    static constexpr int kPeople = 1;

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

    // The entries of one list file: CP932 bytes split by the line rules below and decoded.
    static std::vector<QString> parseList(const QByteArray& bytes);

    // Splits decoded text into entries by the same rules: CR LF or a lone CR ends a line, a
    // lone LF is part of the entry, and a final line end starts no further entry.
    static std::vector<QString> splitLines(const QString& text);

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
