// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#pragma once

#include <sys/resource.h>
#include <unistd.h>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <csignal>
#include <deque>
#include <functional>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

#include "fault.h"
#include "program_folder.h"
#include "random.h"
#include "talk_view.h"

// Declares fixture `name`: a set-up that throws fails this one test, not the whole program.
#define FIXTURE(type, name, ...)                                    \
    std::unique_ptr<type> name##Holder;                             \
    try {                                                           \
        name##Holder = std::make_unique<type>(__VA_ARGS__);         \
    } catch (const std::exception& e) {                             \
        QFAIL(("set-up failed: " + std::string(e.what())).c_str()); \
    }                                                               \
    type& name = *name##Holder

// Permission faults show only to an ordinary user: as root, act as "nobody" meanwhile.
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

// Meanwhile files may grow to `bytes`: a write beyond fails, as on a nearly full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) : m_handler(std::signal(SIGXFSZ, SIG_IGN)) {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        const rlimit limit{bytes, m_saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_saved{};
    void (*m_handler)(int);
};

// Meanwhile `folder` can be read but not written to.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(QString folder) : m_folder(std::move(folder)) {
        QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::ExeOwner);
    }
    ~ReadOnlyFolder() {
        QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

private:
    QString m_folder;
};

// The fault `act` throws, as its problem and file; empty when it throws none.
template <typename Act>
QStringList faultOf(Act&& act) {
    try {
        act();
    } catch (const Fault& fault) {
        return {fault.problem(), fault.file()};
    }
    return {};
}

// Each value once, in order; 0 once the script runs out.
class ScriptedRandom : public Random {
public:
    ScriptedRandom(std::initializer_list<float> values = {}) : m_values(values) {}
    void push(float value) { m_values.push_back(value); }
    void pick(int k, int n) { push(static_cast<float>((k + 0.5) / n)); }  // below(n) == k
    float next() override {
        ++m_draws;
        const float v = m_values.empty() ? 0.0f : m_values.front();
        if (!m_values.empty()) m_values.pop_front();
        return v;
    }
    int draws() const { return m_draws; }

private:
    std::deque<float> m_values;
    int m_draws = 0;
};

// Records what the engine asked of the window.
class FakeView : public TalkView {
public:
    QString speech, status, lastPrompt, lastTitle;
    int frame = 0, alienYears = -1, interval = 100, quits = 0;
    bool enabled[5] = {}, visible[5] = {}, indicator = true, animating = false;
    Lamp lamp = Lamp::Yellow;
    std::deque<QString> answers;
    std::function<void()> onEvents;  // what arrives during the next event pass or input box

    void setSpeech(const QString& t) override { speech = t; }
    void setStatus(const QString& t) override { status = t; }
    void showFrame(int f) override { frame = f; }
    void placeAlien(int years) override { alienYears = years; }
    void setButtonEnabled(int i, bool on) override { enabled[i] = on; }
    void setButtonVisible(int i, bool on) override { visible[i] = on; }
    void setIndicatorVisible(bool on) override { indicator = on; }
    void setIndicatorLamp(Lamp l) override { lamp = l; }
    void setAnimationInterval(int ms) override { interval = ms; }
    void setAnimationRunning(bool on) override { animating = on; }
    QString askText(const QString& prompt, const QString& title) override {
        lastPrompt = prompt, lastTitle = title;
        processEvents();
        const QString a = answers.empty() ? QString() : answers.front();
        if (!answers.empty()) answers.pop_front();
        return a;
    }
    void processEvents() override {
        if (auto once = std::exchange(onEvents, nullptr)) once();
    }
    void quit() override { ++quits; }
};

inline QByteArray cp932(const QString& text) {
    return QStringEncoder("CP932").encode(text);
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A program folder with five word lists, CR LF ends; list i defaults to the one entry "語i".
struct Folder {
    QTemporaryDir dir;
    QString folder = programFolder(dir.path());

    explicit Folder(const std::vector<QStringList>& lists = {}) {
        for (int i = 0; i < 5; ++i) {
            QByteArray bytes;
            for (const QString& e :
                 i < int(lists.size()) ? lists[i] : QStringList{QStringLiteral("語%1").arg(i)})
                bytes += cp932(e) + "\r\n";
            writeFile(path(QString::number(i) + QStringLiteral(".dat")), bytes);
        }
    }
    QString path(const QString& name) const { return folder + name; }
    void setRecord(const QByteArray& bytes) { writeFile(path(QStringLiteral("str.dat")), bytes); }
    QByteArray record() const { return readFile(path(QStringLiteral("str.dat"))); }
};
