// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#include "command_line.h"

#include <QCommandLineParser>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// The locale variables in the order POSIX reads them for messages; the first one set decides.
bool userReadsJapanese() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QByteArray value = qgetenv(name);
        if (!value.isEmpty()) return value.startsWith("ja");
    }
    return false;
}

struct Texts {
    QString help, version, unknownOption, unexpectedArgument, noDisplay;
};

Texts texts(bool japanese) {
    const QString version = u"myoruka %1\nCopyright (c) 2026 The Myoruka developers\n"_s.arg(
        QLatin1StringView(MYORUKA_VERSION));
    if (japanese)
        return {
            u"使い方: myoruka [オプション]\n"
            u"水槽にとらわれた宇宙人「ミョルカ」が、クリックするたびに一行ずつ話しかけてきます。\n"
            u"\n"
            u"  -h, --help     この説明を表示して終了する\n"
            u"  -v, --version  バージョンを表示して終了する\n"
            u"\n"
            u"詳しくは man 6 myoruka を見てください。\n"_s,
            version + u"MIT ライセンスで配布しています。\n"_s,
            u"myoruka: 不明なオプション「%1」です（myoruka --help を見てください）\n"_s,
            u"myoruka: 余分な引数「%1」です（myoruka --help を見てください）\n"_s,
            u"myoruka: ウィンドウを開けません（%1）\n"_s};
    return {
        u"Usage: myoruka [OPTION]\n"
        u"A captive alien in a tank talks to you in Japanese, one line per click (ミョルカ).\n"
        u"\n"
        u"  -h, --help     show this help and exit\n"
        u"  -v, --version  show the version and exit\n"
        u"\n"
        u"For more, see man 6 myoruka.\n"_s,
        version + u"Licensed under the MIT License.\n"_s,
        u"myoruka: unknown option '%1' (see myoruka --help)\n"_s,
        u"myoruka: unexpected argument '%1' (see myoruka --help)\n"_s,
        u"myoruka: cannot open the window (%1)\n"_s};
}

// The options Qt itself reads from the command line (a session manager restarting the program
// passes -session, for one): accepted here and left to Qt.
void acceptQtOptions(QCommandLineParser& parser) {
    for (const char* name :
         {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
          "qwindowicon", "qwindowtitle", "geometry", "title", "icon", "session", "display", "name",
          "visual", "style", "stylesheet"}) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), u"value"_s);
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : {"reverse", "nograb", "dograb", "widgetcount", "testability"}) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

// The argument as the user typed it that gave the option `name`.
QString typed(const QStringList& arguments, const QString& name) {
    for (const QString& argument : arguments.mid(1)) {
        QString bare = argument.section(u'=', 0, 0);
        while (bare.startsWith(u'-')) bare.remove(0, 1);
        if (bare == name) return argument.section(u'=', 0, 0);
    }
    return name;
}

void print(FILE* to, const QString& text) {
    std::fputs(text.toUtf8().constData(), to);
}

struct HeldMessage {
    QtMsgType type;
    const char* category;
    QString text;
};
std::vector<HeldMessage> g_held;
QtMessageHandler g_passOn = nullptr;

void holdOrGiveUp(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) return g_held.push_back({type, context.category, text});
    // The first thing said names the cause ("could not connect to display :1", a platform
    // plugin not found); the rest is advice about reinstalling, which seldom applies.
    const QString cause = (g_held.empty() ? text : g_held.front().text).trimmed();
    print(stderr, texts(userReadsJapanese()).noDisplay.arg(cause));
    std::_Exit(kNoDisplayExitCode);
}

}  // namespace

void holdQtMessagesWhileOpeningDisplay() {
    g_passOn = qInstallMessageHandler(holdOrGiveUp);
}

void displayOpened() {
    qInstallMessageHandler(g_passOn);
    for (const HeldMessage& held : g_held)
        qt_message_output(held.type, QMessageLogContext(nullptr, 0, nullptr, held.category),
                          held.text);
    g_held.clear();
}

std::optional<int> handleCommandLine(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);

    QCommandLineParser parser;
    // Qt's own options are single words behind one dash (-platform, -session).
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{u"h"_s, u"help"_s});
    const QCommandLineOption version(QStringList{u"v"_s, u"version"_s});
    parser.addOption(help);
    parser.addOption(version);
    acceptQtOptions(parser);

    const Texts text = texts(userReadsJapanese());
    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        print(stderr, unknown.isEmpty() ? u"myoruka: "_s + parser.errorText() + u'\n'
                                        : text.unknownOption.arg(typed(arguments, unknown[0])));
        return kUsageExitCode;
    }
    if (parser.isSet(help)) {
        print(stdout, text.help);
        return 0;
    }
    if (parser.isSet(version)) {
        print(stdout, text.version);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        print(stderr, text.unexpectedArgument.arg(parser.positionalArguments()[0]));
        return kUsageExitCode;
    }
    return std::nullopt;
}
