// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QTest>
#include <optional>

#include "fault.h"
#include "random.h"
#include "record.h"
#include "support.h"
#include "word_lists.h"

using namespace Qt::StringLiterals;

namespace {

WordLists loaded(const Folder& folder) {
    WordLists words;
    words.load(folder.folder);
    return words;
}

}  // namespace

class StoreTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void lineRules_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("crlf ends") << QByteArray("a\r\nb\r\n") << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("last without end") << QByteArray("a\r\nb") << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("empty line kept")
            << QByteArray("a\r\n\r\nb\r\n") << QStringList{u"a"_s, QString(), u"b"_s};
        QTest::newRow("lone cr ends") << QByteArray("a\rb\r") << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("lone lf is text") << QByteArray("a\nb\n") << QStringList{u"a\nb\n"_s};
        QTest::newRow("lf after crlf") << QByteArray("a\r\n\nb") << QStringList{u"a"_s, u"\nb"_s};
        QTest::newRow("spaces kept") << QByteArray(" a \r\n") << QStringList{u" a "_s};
        QTest::newRow("empty file") << QByteArray() << QStringList{};
        QTest::newRow("only a line end") << QByteArray("\r\n") << QStringList{QString()};
        QTest::newRow("cp932") << cp932(u"あ①～\r\nＡ"_s) << QStringList{u"あ①～"_s, u"Ａ"_s};
        QTest::newRow("cut-off last character")
            << QByteArray("A\r\n\x81") << QStringList{u"A"_s, QString(QChar(0x1A))};
        QTest::newRow("10001 lines fit")
            << QByteArray("x\r\n").repeated(10001) << QStringList(10001, u"x"_s);
    }
    void lineRules() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, entries);
        Folder folder;
        writeFile(folder.path(u"3.dat"_s), bytes);
        const WordLists words = loaded(folder);
        QCOMPARE(words.count(3), entries.size());
        for (int i = 0; i < entries.size(); ++i) QCOMPARE(words.word(3, i), entries[i]);
    }

    void faultsNameTheProblemAndTheFile_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("problem");
        const QString notRegular = u"普通のファイルではありません"_s;
        QTest::newRow("missing list") << u"4.dat"_s << u"単語リストが見つかりません"_s;
        QTest::newRow("unreadable list") << u"3.dat"_s << u"単語リストを読めません"_s;
        QTest::newRow("10002 lines")
            << u"2.dat"_s << u"単語リストが長すぎます（10002 行目：上限は 10001 行）"_s;
        QTest::newRow("read-only people")
            << u"1.dat"_s << u"人物リストに書き込めません（読み取り専用です）"_s;
        QTest::newRow("no folder for the record")
            << u"gone/str.dat"_s << u"記録ファイルを作れません（フォルダに書き込めません）"_s;
        QTest::newRow("unreadable record") << u"str.dat"_s << u"記録ファイルを読めません"_s;
        QTest::newRow("read-only record")
            << u"str.dat"_s << u"記録ファイルに書き込めません（読み取り専用です）"_s;
        QTest::newRow("unwritable folder")
            << u"str.dat"_s << u"記録ファイルに書き込めません（フォルダに書き込めません）"_s;
        // A FIFO would block the read.
        QTest::newRow("fifo str.dat") << u"str.dat"_s << notRegular;
        QTest::newRow("fifo 0.dat") << u"0.dat"_s << notRegular;
        QTest::newRow("fifo 4.dat") << u"4.dat"_s << notRegular;
        QTest::newRow("device 1.dat") << u"1.dat"_s << notRegular;
    }
    void faultsNameTheProblemAndTheFile() {
        QFETCH(QString, file);
        QFETCH(QString, problem);
        const AsUser user;  // first, so the folder goes before root comes back
        Folder folder;
        const QString path = folder.path(file);
        const QByteArray tag = QTest::currentDataTag();
        if (tag.endsWith("record") || tag.endsWith("folder")) folder.setRecord("\x01");
        // The record is replaced whole, through a new file beside it.
        std::optional<ReadOnlyFolder> readOnly;
        if (tag == "unwritable folder") readOnly.emplace(folder.folder);
        if (tag == "10002 lines") writeFile(path, QByteArray("x\r\n").repeated(10002));
        if (tag.startsWith("unreadable")) QFile::setPermissions(path, {});
        if (tag.startsWith("read-only")) QFile::setPermissions(path, QFile::ReadOwner);
        if (tag == "missing list" || tag.startsWith("fifo") || tag.startsWith("device"))
            QFile::remove(path);
        if (tag.startsWith("fifo")) QVERIFY(::mkfifo(QFile::encodeName(path), 0600) == 0);
        if (tag.startsWith("device")) QVERIFY(QFile::link(u"/dev/null"_s, path));
        const QStringList fault = faultOf([&] {
            WordLists().load(folder.folder);
            RecordFile(path).load();
        });
        QCOMPARE(fault, QStringList({problem, path}));  // the start stops
    }

    void drawsAndKnownWords() {
        const QString longEntry = QString(499, u'猫') + QString(3'000'000, u'x');
        const QString wide(600, u'猫');  // its first 500 letters end on the 1000th byte
        Folder folder({{}, {u"ねこ"_s, u"Cat"_s, u"d"_s}, {}, {}, {longEntry, wide}});
        const WordLists words = loaded(folder);
        ScriptedRandom edges{0.0f, 0.99999994f};  // the largest float below 1
        QCOMPARE(words.randomWord(1, edges), u"ねこ"_s);
        QCOMPARE(words.randomWord(1, edges), u"d"_s);
        QCOMPARE(words.randomWord(0, edges), QString());  // empty list: empty text, no fault
        QCOMPARE(edges.draws(), 3);                       // one draw per call, also when empty
        // A long entry is shown cut, but the list keeps it whole.
        QCOMPARE(words.randomWord(4, edges), longEntry.left(WordLists::kLongestShown));
        QCOMPARE(words.word(4, 0), longEntry);
        edges.push(0.99f);
        QCOMPARE(words.randomWord(4, edges), wide.left(WordLists::kLongestShown));

        QVERIFY(words.knows(QString()));
        QVERIFY(words.knows(u"ねこ"_s));
        for (const QString& other : {u"cat"_s, u"ねこ "_s, u"ネコ"_s}) QVERIFY(!words.knows(other));
    }

    void addWordAppendsOneLine_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("ends in crlf") << QByteArray("a\r\n") << QByteArray("a\r\nX\r\n");
        QTest::newRow("no final end") << QByteArray("a") << QByteArray("a\r\nX\r\n");
        QTest::newRow("ends in lone lf") << QByteArray("a\n") << QByteArray("a\n\r\nX\r\n");
        QTest::newRow("ends in lone cr") << QByteArray("a\r") << QByteArray("a\rX\r\n");
        QTest::newRow("empty") << QByteArray() << QByteArray("X\r\n");
    }
    void addWordAppendsOneLine() {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        Folder folder;
        writeFile(folder.path(u"1.dat"_s), before);
        WordLists words = loaded(folder);
        const int count = words.count(1);
        words.learn(u"X"_s);
        QCOMPARE(readFile(folder.path(u"1.dat"_s)), after);
        QCOMPARE(words.word(1, count), u"X"_s);
        const WordLists again = loaded(folder);  // the next start reads it as its own entry
        QCOMPARE(again.count(1), count + 1);
        QCOMPARE(again.word(1, count), u"X"_s);
    }

    void addWordKeepsWhatCp932Holds() {
        Folder folder({{}, {}});
        WordLists words = loaded(folder);
        QFile::remove(folder.path(u"1.dat"_s));  // deleted while running: recreated
        words.learn(u"宇宙①～ね😀こ\r"_s);
        const QByteArray first = cp932(u"宇宙①～ね？こ？\r\n"_s);
        QCOMPARE(readFile(folder.path(u"1.dat"_s)), first);
        QCOMPARE(words.word(1, 0), u"宇宙①～ね？こ？"_s);
        // An input method's JIS forms are stored as the CP932 character they stand for.
        words.learn(u"〜−—‖¢£¬"_s);
        QCOMPARE(readFile(folder.path(u"1.dat"_s)),
                 first + QByteArray::fromHex("8160817c815c816181918192 81ca0d0a"));
        const QString windows = u"～－―∥￠￡￢"_s;
        QCOMPARE(words.word(1, 1), windows);
        QCOMPARE(loaded(folder).word(1, 1), windows);
        // Known in either form, and with another emoji where "？" was stored.
        for (const QString& known : {u"〜−—‖¢£¬"_s, windows, u"宇宙①～ね🐈こ\r"_s})
            QVERIFY(words.knows(known));
        QFile::remove(folder.path(u"1.dat"_s));  // made a folder while running
        QVERIFY(QDir().mkdir(folder.path(u"1.dat"_s)));
        QCOMPARE(faultOf([&] { words.learn(u"犬"_s); }).value(0),
                 u"普通のファイルではありません"_s);
    }

    // Changed since the start: a noun is never glued to an end that could not be read, and a
    // people list deleted from a read-only folder is a fault naming the folder.
    void learningWhereTheListChangedUnderfoot() {
        const AsUser user;
        Folder folder;
        const QString people = folder.path(u"1.dat"_s);
        writeFile(people, "a");
        WordLists words = loaded(folder);
        QFile::setPermissions(people, QFile::WriteOwner);
        QVERIFY_THROWS_EXCEPTION(Fault, words.learn(u"X"_s));
        QFile::setPermissions(people, QFile::ReadOwner);
        QCOMPARE(readFile(people), QByteArray("a"));
        QFile::remove(people);
        const ReadOnlyFolder readOnly(folder.folder);
        QCOMPARE(faultOf([&] { words.learn(u"X"_s); }).value(0),
                 u"人物リストに書き込めません（フォルダに書き込めません）"_s);
    }

    // A full people list takes no more: one line over, and the next start would stop.
    void aFullPeopleListTakesNoMore() {
        Folder folder;
        const QByteArray full = QByteArray("x\r\n").repeated(WordLists::kCapacity);
        writeFile(folder.path(u"1.dat"_s), full);
        WordLists words = loaded(folder);
        QVERIFY_THROWS_EXCEPTION(Fault, words.learn(u"X"_s));
        QCOMPARE(readFile(folder.path(u"1.dat"_s)), full);
    }

    void recordReadsWhatIsThere() {
        Folder folder;
        RecordFile file(folder.path(u"str.dat"_s));
        QCOMPARE(file.load(), Record{});  // missing: zeros, and created empty
        QVERIFY(QFile::exists(file.path()));
        QCOMPARE(folder.record(), QByteArray());

        folder.setRecord("\x03\x02\x01");
        QCOMPARE(file.load(), (Record{3, 2, 1, 0, 0, 0, 0}));

        const QByteArray tail = QByteArray::fromHex("feff") + "tail";
        folder.setRecord("\x01\x02\x03\x04\x05\x06\x07" + tail);
        Record longOne = file.load();
        QCOMPARE(longOne, (Record{1, 2, 3, 4, 5, 6, 7}));
        longOne.years = 9, longOne.conversations = 255;
        file.store(longOne);
        QCOMPARE(folder.record(), QByteArray("\x09\x02\x03\x04\x05\x06\xff" + tail));
        file.store(Record{});
        QCOMPARE(folder.record(), QByteArray(7, '\0') + tail);
        QFile::remove(file.path());  // made a folder since the start: not read as a record
        QVERIFY(QDir().mkdir(file.path()));
        QCOMPARE(faultOf([&] { file.store(longOne); }).value(0), u"普通のファイルではありません"_s);

        std::uint8_t c = 254;
        raiseCounter(c);
        QCOMPARE(int(c), 255);
        raiseCounter(c);
        QCOMPARE(int(c), 255);  // stops there instead of wrapping round

        // Starts a moment apart tell different fortunes.
        ClockRandom first;
        QTest::qWait(2);
        ClockRandom second;
        QVERIFY(first.next() != second.next() || first.next() != second.next());
        float lowest = 1, highest = 0;  // and spread over [0, 1)
        for (int i = 0; i < 1000; ++i) {
            const float r = first.next();
            lowest = std::min(lowest, r), highest = std::max(highest, r);
        }
        QVERIFY(lowest >= 0 && lowest < 0.01f && highest > 0.99f && highest < 1);
        QVERIFY(ClockRandom(14784396).next() < 1);  // its first draw is all ones
    }

    // A nearly full disk: files may grow only a little, a write beyond fails.
    void aFullDiskLosesNothing() {
        Folder folder;
        const QByteArray record("\x05\x01\x02\x03\x04\x05\x06tail", 11);
        folder.setRecord(record);
        const QByteArray people = readFile(folder.path(u"1.dat"_s));
        WordLists words = loaded(folder);
        RecordFile file(folder.path(u"str.dat"_s));
        Record counters = file.load();
        raiseCounter(counters.years);

        QStringList recordFault, peopleFault;
        {
            const FileSizeLimit nearlyFull(people.size() + 3);
            recordFault = faultOf([&] { file.store(counters); });
            // Short enough for a buffer, which would take it whole and fail only on closing.
            peopleFault = faultOf([&] { words.learn(u"猫猫猫"_s); });
        }
        // The disk itself has room: no cause is named.
        QCOMPARE(recordFault, QStringList({u"記録ファイルに書き込めません"_s, file.path()}));
        QCOMPARE(folder.record(), record);
        QCOMPARE(peopleFault.value(1), folder.path(u"1.dat"_s));
        QCOMPARE(readFile(folder.path(u"1.dat"_s)), people);  // a whole line or nothing
    }

    void aDeadRunsLeftoversAreRemoved() {
        Folder folder;
        const QStringList leftovers{u"str.dat.09azAZ"_s, u"str.dat.XYZ123"_s};
        const QStringList kept{u"str.dat"_s,       u"str.dat.abc"_s,    u"str.dat.abcdefg"_s,
                               u"1.dat.aBcDeF"_s,  u"str.dat.-bcdef"_s, u"str.dat.backup"_s,
                               u"0.bmp.aBcDeFgh"_s};
        for (const QString& name : leftovers + kept) writeFile(folder.path(name), "x");
        const QDateTime deadRunStarted = QDateTime::currentDateTime().addSecs(-60);
        QFile backup(folder.path(u"str.dat.backup"_s));  // the user's, from before that run
        QVERIFY(backup.open(QIODevice::ReadWrite) &&
                backup.setFileTime(deadRunStarted.addSecs(-1), QFileDevice::FileModificationTime));
        backup.close();
        RecordFile(folder.path(u"str.dat"_s)).removeLeftovers(deadRunStarted);
        for (const QString& name : leftovers + kept)
            QVERIFY2(QFile::exists(folder.path(name)) == kept.contains(name), qPrintable(name));
    }
};

QTEST_GUILESS_MAIN(StoreTest)
#include "test_store.moc"
