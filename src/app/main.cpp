// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QSocketNotifier>
#include <csignal>
#include <cstdlib>

#include "command_line.h"
#include "fault.h"
#include "fault_report.h"
#include "folder_lock.h"
#include "fonts.h"
#include "main_window.h"
#include "picture_file.h"
#include "program_folder.h"
#include "random.h"

using namespace Qt::StringLiterals;

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPipe[0], &byte, 1);
}

// SIGTERM, SIGINT and SIGHUP end the program as closing the window does: the counters are
// stored. The handler only wakes the event loop; the work happens on the window's thread.
void closeOnSignals(MainWindow& window) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char byte;
        [[maybe_unused]] const auto got = ::read(g_signalPipe[1], &byte, 1);
        window.quitAndStore();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &action, nullptr);
}

// The session's runtime folder, where Qt and the check for a second copy look: under su or
// sudo it is missing or another user's, and Qt would warn about it at every start. The folder Qt
// falls back to is made private here first instead.
void provideRuntimeFolder() {
    const auto ours = [](const QByteArray& folder) {
        struct stat info = {};
        return !folder.isEmpty() && ::lstat(folder.constData(), &info) == 0 &&
               S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 0777) == 0700;
    };
    if (ours(qgetenv("XDG_RUNTIME_DIR"))) return;
    const passwd* user = ::getpwuid(::geteuid());
    if (!user) return;
    const QByteArray fallback = QFile::encodeName(QDir::tempPath()) + "/runtime-" + user->pw_name;
    ::mkdir(fallback.constData(), 0700);
    if (ours(fallback)) qputenv("XDG_RUNTIME_DIR", fallback);
}

MainWindow* g_running = nullptr;

// When the X server goes away, Qt's X11 plugin calls exit() itself, past our event loop: the
// run's counters are stored on that road too.
void storeOnProcessExit(MainWindow& window) {
    g_running = &window;
    std::atexit([] {
        if (g_running) g_running->storeAtExit();
    });
}

// Our own icon for the window and its boxes. Set before the window is mapped: some window
// managers (openbox) read it only then. The sizes built in (src/CMakeLists.txt), scaled for the
// others, keep the decoding under a millisecond of the start; desktops take the large ones from
// the icon theme.
void setWindowIcon() {
    QIcon icon;
    for (const QFileInfo& entry : QDir(u":/icons"_s).entryInfoList(QDir::Files)) {
        QFile png(entry.filePath());
        if (png.open(QIODevice::ReadOnly))
            icon.addPixmap(QPixmap::fromImage(PictureFile::decode(&png, "PNG")));
    }
    QApplication::setWindowIcon(icon);
}

}  // namespace

int main(int argc, char** argv) {
    if (const auto exitCode = handleCommandLine(argc, argv)) return *exitCode;
    provideRuntimeFolder();
    holdQtMessagesWhileOpeningDisplay();
    QApplication app(argc, argv);
    displayOpened();
    QApplication::setApplicationName(u"myoruka"_s);
    QApplication::setDesktopFileName(u"myoruka"_s);
    // Dialogs too speak Japanese: never let them fall back to a Chinese or Latin face.
    QApplication::setFont(sansFont().resolve(QApplication::font()));

    const QString folder = programFolder(QCoreApplication::applicationDirPath());
    setWindowIcon();  // a fault at the start shows its box with it too
    FolderLock lock(folder);
    ClockRandom random;
    MainWindow window(random, folder);
    try {
        // The run already in this folder was asked to come forward.
        if (!lock.acquire()) return 0;
        window.load();
    } catch (const Fault& fault) {
        reportFault(fault, nullptr);
        return kFaultExitCode;
    }
    closeOnSignals(window);
    // The desktop session asks for the data before it ends, and when the user saves the
    // session: the counters are stored and the run goes on. Ending the session then quits.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window] { window.storeRecord(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window,
                     [&window] { window.quitAndStore(); });

    lock.listen(&window);
    storeOnProcessExit(window);

    window.show();
    const int code = QApplication::exec();
    g_running = nullptr;
    return code;
}
