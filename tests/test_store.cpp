// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#include <linux/capability.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <QDir>
#include <QFileInfo>
#include <QTest>
#include <QtGlobal>
#include <csignal>
#include <optional>

#include "fault.h"
#include "record.h"
#include "support.h"
#include "word_lists.h"

using namespace Qt::StringLiterals;

namespace {

// Files may grow only to `bytes`, as on a nearly full disk; a write beyond fails (EFBIG).
struct FileSizeLimit {
    rlimit saved{};
    explicit FileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit limit{bytes, saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved); }
};

// A small file system of its own (root only), filled up by `fill()`.
struct SmallDisk {
    QTemporaryDir dir;
    bool mounted =
        ::mount("tmpfs", dir.path().toLocal8Bit().constData(), "tmpfs", 0, "size=128k") == 0;
    ~SmallDisk() {
        if (mounted) ::umount2(dir.path().toLocal8Bit().constData(), MNT_DETACH);
    }
    void fill() {
        QFile filler(dir.filePath(u"filler"_s));
        filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        while (filler.write(QByteArray(512, 'x')) > 0) {
        }
    }
};

// Root may write to any file: drop that right while a file's mode has to count.
struct WithoutOverride {
    __user_cap_header_struct head{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved[2]{};
    WithoutOverride() {
        syscall(SYS_capget, &head, saved);
        __user_cap_data_struct dropped[2] = {saved[0], saved[1]};
        dropped[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
        syscall(SYS_capset, &head, dropped);
    }
    ~WithoutOverride() { syscall(SYS_capset, &head, saved); }
};

// Root may read and write any file: permission faults show only to an ordinary user, so a
// test run by root acts as "nobody" while it lasts (the saved id lets it come back).
struct AsUser {
    const bool root = ::geteuid() == 0;
    AsUser() {
        if (root && (::setresgid(65534, 65534, 0) != 0 || ::setresuid(65534, 65534, 0) != 0))
            qFatal("cannot act as an ordinary user");
    }
    ~AsUser() {
        if (root && (::setresuid(0, 0, 0) != 0 || ::setresgid(0, 0, 0) != 0))
            qFatal("cannot return to root");
    }
};

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
        QTest::newRow("spaces kept") << QByteArray(" a \r\n") << QStringList{u" a "_s};
        QTest::newRow("empty file") << QByteArray() << QStringList{};
        QTest::newRow("only a line end") << QByteArray("\r\n") << QStringList{QString()};
        QTest::newRow("cp932") << cp932(u"あ①～\r\nＡ"_s) << QStringList{u"あ①～"_s, u"Ａ"_s};
        QTest::newRow("cut-off last character")
            << QByteArray("A\r\n\x81") << QStringList{u"A"_s, QString(QChar(0x1A))};
    }
    void lineRules() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, entries);
        Folder folder;
        writeFile(folder.path(u"3.dat"_s), bytes);
        WordLists words;
        words.load(folder.folder);
        QCOMPARE(words.count(3), entries.size());
        for (int i = 0; i < entries.size(); ++i) QCOMPARE(words.word(3, i), entries[i]);
    }

    void capacityIs10001Lines() {
        Folder folder;
        writeFile(folder.path(u"2.dat"_s), QByteArray("x\r\n").repeated(10001));
        WordLists words;
        words.load(folder.folder);
        QCOMPARE(words.count(2), 10001);
    }

    void faultsNameTheProblemAndTheFile_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("problem");
        QTest::newRow("missing list") << u"4.dat"_s << u"単語リストが見つかりません"_s;
        QTest::newRow("unreadable list") << u"3.dat"_s << u"単語リストを読めません"_s;
        QTest::newRow("10002 lines")
            << u"2.dat"_s << u"単語リストが長すぎます（10002 行目：上限は 10001 行）"_s;
        QTest::newRow("no folder for the record")
            << u"gone/str.dat"_s << u"記録ファイルを作れません（フォルダに書き込めません）"_s;
        QTest::newRow("unreadable record") << u"str.dat"_s << u"記録ファイルを読めません"_s;
        QTest::newRow("read-only record") << u"str.dat"_s << u"記録ファイルに書き込めません"_s;
    }
    void faultsNameTheProblemAndTheFile() {
        QFETCH(QString, file);
        QFETCH(QString, problem);
        const AsUser user;  // declared first, so the folder goes before root comes back
        Folder folder;
        const QString path = folder.path(file);
        const QByteArray tag = QTest::currentDataTag();
        if (tag == "missing list") QFile::remove(path);
        if (tag == "10002 lines") writeFile(path, QByteArray("x\r\n").repeated(10002));
        if (tag.endsWith("record")) folder.setRecord("\x01");
        if (tag.startsWith("unreadable")) QFile::setPermissions(path, {});
        if (tag.startsWith("read-only")) QFile::setPermissions(path, QFile::ReadOwner);
        try {
            WordLists().load(folder.folder);
            RecordFile(path).load();
            QFAIL("the start must stop");
        } catch (const Fault& fault) {
            QCOMPARE(fault.problem(), problem);
            QCOMPARE(fault.file(), path);
        }
    }

    void everyEntryCanBeDrawn() {
        Folder folder({{}, {u"a"_s, u"b"_s, u"c"_s, u"d"_s}});
        WordLists words;
        words.load(folder.folder);
        ScriptedRandom edges{0.0f, 0.99999994f};  // the largest float below 1
        QCOMPARE(words.randomWord(1, edges), u"a"_s);
        QCOMPARE(words.randomWord(1, edges), u"d"_s);
        QCOMPARE(words.randomWord(0, edges), QString());  // empty list: empty text, no fault
        QCOMPARE(edges.draws(), 3);                       // one draw per call, also when empty
    }

    void knownWordsMatchExactly() {
        Folder folder({{}, {u"ねこ"_s, u"Cat"_s}});
        WordLists words;
        words.load(folder.folder);
        QVERIFY(words.knows(QString()));
        QVERIFY(words.knows(u"ねこ"_s));
        QVERIFY(!words.knows(u"cat"_s));
        QVERIFY(!words.knows(u"ねこ "_s));
        QVERIFY(!words.knows(u"ネコ"_s));
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
        WordLists words;
        words.load(folder.folder);
        const int count = words.count(1);
        words.learn(u"X"_s);
        QCOMPARE(readFile(folder.path(u"1.dat"_s)), after);
        QCOMPARE(words.count(1), count + 1);
        QCOMPARE(words.word(1, count), u"X"_s);

        WordLists again;  // and the next start reads it as its own entry
        again.load(folder.folder);
        QCOMPARE(again.word(1, again.count(1) - 1), u"X"_s);
    }

    void addWordKeepsWhatCp932Holds() {
        Folder folder;
        QFile::remove(folder.path(u"1.dat"_s));
        WordLists words;
        writeFile(folder.path(u"1.dat"_s), QByteArray());
        words.load(folder.folder);
        QFile::remove(folder.path(u"1.dat"_s));  // deleted while running: recreated
        words.learn(u"宇宙①～ね😀こ\r"_s);
        QCOMPARE(readFile(folder.path(u"1.dat"_s)), cp932(u"宇宙①～ね？こ？\r\n"_s));
        QCOMPARE(words.word(1, 0), u"宇宙①～ね？こ？"_s);

        // The JIS forms an input method gives, written as the CP932 character they stand for
        // and read back, in this run and the next, as its Windows form.
        words.learn(u"〜−—‖¢£¬"_s);
        QCOMPARE(readFile(folder.path(u"1.dat"_s)).sliced(cp932(u"宇宙①～ね？こ？\r\n"_s).size()),
                 QByteArray::fromHex("8160817c815c816181918192 81ca0d0a"));
        const QString windows = u"～－―∥￠￡￢"_s;
        QCOMPARE(words.word(1, 1), windows);
        WordLists again;
        again.load(folder.folder);
        QCOMPARE(again.word(1, 1), windows);
    }

    void recordReadsWhatIsThere() {
        Folder folder;
        RecordFile file(folder.path(u"str.dat"_s));
        QCOMPARE(file.load(), Record{});  // missing: zeros, and created empty
        QVERIFY(QFileInfo::exists(folder.path(u"str.dat"_s)));
        QCOMPARE(folder.record().size(), 0);

        folder.setRecord(QByteArray("\x03\x02\x01", 3));
        Record shortOne = file.load();
        QCOMPARE(int(shortOne.years), 3);
        QCOMPARE(int(shortOne.exorcisms), 1);
        QCOMPARE(int(shortOne.simpleFortunes), 0);
        QCOMPARE(int(shortOne.talks), 0);

        folder.setRecord(
            QByteArray("\x01\x02\x03\x04\x05\x06\xff"
                       "tail",
                       11));
        Record longOne = file.load();
        QCOMPARE(int(longOne.talks), 255);
        longOne.years = 9;
        file.store(longOne);
        QCOMPARE(folder.record(), QByteArray("\x09\x02\x03\x04\x05\x06\xff"
                                             "tail",
                                             11));

        file.store(Record{});
        QCOMPARE(folder.record(), QByteArray(7, '\0') + "tail");
    }

    void countersStopAt255() {
        std::uint8_t c = 254;
        raiseCounter(c);
        QCOMPARE(int(c), 255);
        raiseCounter(c);
        QCOMPARE(int(c), 255);
    }

    void aFullDiskLosesNothing_data() {
        QTest::addColumn<bool>("smallDisk");
        QTest::newRow("file size limit") << false;
        QTest::newRow("full file system") << true;
    }
    void aFullDiskLosesNothing() {
        QFETCH(bool, smallDisk);
        SmallDisk disk;
        if (smallDisk && !disk.mounted) QSKIP("mounting a small tmpfs needs root");
        Folder copy;
        const QString folder = smallDisk ? programFolder(disk.dir.path()) : copy.folder;
        if (smallDisk)
            for (const QString& name : QDir(copy.folder).entryList(QDir::Files))
                QFile::copy(copy.path(name), folder + name);
        const QByteArray record("\x05\x01\x02\x03\x04\x05\x06tail", 11);
        writeFile(folder + u"str.dat"_s, record);
        const QByteArray people = readFile(folder + u"1.dat"_s);
        WordLists words;
        words.load(folder);
        RecordFile file(folder + u"str.dat"_s);
        Record counters = file.load();
        raiseCounter(counters.years);

        std::optional<FileSizeLimit> limit;
        if (smallDisk)
            disk.fill();
        else
            limit.emplace(people.size() + 3);
        const auto faultNames = [](const QString& path, auto&& act) {
            try {
                act();
                QFAIL("a write that failed must be a fault");
            } catch (const Fault& fault) {
                QCOMPARE(fault.file(), path);
            }
        };
        faultNames(folder + u"str.dat"_s, [&] { file.store(counters); });
        QCOMPARE(readFile(folder + u"str.dat"_s), record);
        // A noun is a whole line or nothing.
        faultNames(folder + u"1.dat"_s, [&] { words.learn(QString(10000, u'猫')); });
        QCOMPARE(readFile(folder + u"1.dat"_s), people);
    }

    void aFoldersLeftoversAreRemoved() {
        Folder folder;
        const QStringList leftovers{u"str.dat.aBcDeF"_s, u"str.dat.XYZ123"_s};
        const QStringList kept{u"str.dat"_s, u"str.dat.abc"_s, u"str.dat.abcdefg"_s,
                               u"1.dat.aBcDeF"_s, u"str.dat.a-cdef"_s};
        for (const QString& name : leftovers + kept) writeFile(folder.path(name), "x");
        RecordFile(folder.path(u"str.dat"_s)).removeLeftovers();
        for (const QString& name : leftovers)
            QVERIFY2(!QFile::exists(folder.path(name)), qPrintable(name));
        for (const QString& name : kept)
            QVERIFY2(QFile::exists(folder.path(name)), qPrintable(name));
    }

    void onlyRegularFilesAreRead_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("fifo");  // else the null device
        QTest::newRow("str.dat fifo") << u"str.dat"_s << true;
        QTest::newRow("0.dat fifo") << u"0.dat"_s << true;
        QTest::newRow("4.dat fifo") << u"4.dat"_s << true;
        QTest::newRow("1.dat device") << u"1.dat"_s << false;
    }
    void onlyRegularFilesAreRead() {
        QFETCH(QString, name);
        QFETCH(bool, fifo);
        Folder folder;
        const QString path = folder.path(name);
        QFile::remove(path);
        QVERIFY(fifo ? ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0
                     : QFile::link(u"/dev/null"_s, path));
        try {
            WordLists().load(folder.folder);
            RecordFile(folder.path(u"str.dat"_s)).load();
            QFAIL("a file that is no regular file must stop the start");
        } catch (const Fault& fault) {
            QCOMPARE(fault.file(), path);
        }
    }

    void unwritablePeopleListIsReportedAtLoad() {
        Folder folder;
        QFile::setPermissions(folder.path(u"1.dat"_s), QFile::ReadOwner);
        WithoutOverride unprivileged;
        try {
            WordLists().load(folder.folder);
            QFAIL("1.dat that cannot take a noun must stop the start");
        } catch (const Fault& fault) {
            QCOMPARE(fault.file(), folder.path(u"1.dat"_s));
        }
    }

    void longEntriesAreCut_data() {
        QTest::addColumn<QString>("entry");
        QTest::newRow("single-byte") << QString(3'000'000, u'a');
        QTest::newRow("double-byte") << QString(3'000'000, u'猫');
        QTest::newRow("cut inside a character") << u"a"_s + QString(3'000'000, u'猫');
    }
    void longEntriesAreCut() {
        QFETCH(QString, entry);
        Folder folder({{entry}});
        WordLists words;
        words.load(folder.folder);
        ScriptedRandom random;
        QCOMPARE(words.randomWord(0, random), entry.left(WordLists::kLongestShown));
        QCOMPARE(words.word(0, 0).size(), entry.size());  // the list itself keeps it whole
    }

    void unwritableFolderIsReportedAtLoad() {
        Folder folder;
        RecordFile file(folder.path(u"gone/str.dat"_s));  // a folder nobody can create in
        try {
            file.load();
            QFAIL("a record that cannot be created must stop the start");
        } catch (const Fault& fault) {
            QCOMPARE(fault.file(), folder.path(u"gone/str.dat"_s));
        }
    }
};

QTEST_GUILESS_MAIN(StoreTest)
#include "test_store.moc"
